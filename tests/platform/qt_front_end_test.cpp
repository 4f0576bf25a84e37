// The Qt front end driven through its real window on the offscreen platform: the
// program runs on its own thread as in the application, and the test acts on the
// window from the GUI thread (key presses, clicks, menu picks, message-box answers).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <sys/wait.h>

#include "platform/console.h"
#include "platform/keys.h"
#include "platform/qt/qt_front_end.h"
#include "util/codepage.h"

namespace {

using namespace platform;
using namespace std::chrono_literals;

QApplication& app() {
  static int argc = 1;
  static char name[] = "qt_front_end_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

int run(std::function<int(Console&)> program) {
  app();
  static char name[] = "qt_front_end_tests";
  char* argv[] = {name, nullptr};
  return run_qt_front_end(1, argv, std::move(program));
}

// Runs f on the GUI thread and waits for it (from the program's thread).
void on_gui(std::function<void()> f) {
  auto done = std::make_shared<std::promise<void>>();
  auto future = done->get_future();
  QMetaObject::invokeMethod(
      &app(),
      [f, done] {
        f();
        done->set_value();
      },
      Qt::QueuedConnection);
  ASSERT_EQ(future.wait_for(10s), std::future_status::ready) << "the GUI thread did not answer";
}

QMainWindow* main_window() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "rendax_main_window") return qobject_cast<QMainWindow*>(w);
  return nullptr;
}

QWidget* grid() { return main_window() ? main_window()->findChild<QWidget*>("cells") : nullptr; }

// Waits until the main window is the active window, so that shortcuts would apply.
void wait_active() {
  for (int i = 0; i < 200; ++i) {
    bool active = false;
    on_gui([&] { active = main_window() && main_window()->isActiveWindow(); });
    if (active) return;
    std::this_thread::sleep_for(10ms);
  }
  ADD_FAILURE() << "main window never became active";
}

void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
  on_gui([=] {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : grid();
    if (text.isNull())
      QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
    else
      QTest::sendKeyEvent(QTest::Click, target, static_cast<Qt::Key>(key), text, mods);
  });
}

WindowSpec window_at(const Rect& cells) {
  WindowSpec desc;
  desc.cells = cells;
  return desc;
}

Event next_event(Console& c) { return c.wait_event(3000); }

std::vector<MenuNode> test_menu() {
  return {{0, "&Arquivo", true, false, {{1001, "&Novo", true, true, {}}, {1002, "&Sair", true, false, {}}}},
          {0, "&Imprimir", true, false, {{1003, util::utf8_to_cp1252("&Declaração"), true, false, {}}}}};
}

TEST(QtFrontEnd, KeyPressesReachTheProgramAsItsKeyCodes) {
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    QString text;
    int code;
  };
  const std::vector<Case> cases = {
      {Qt::Key_F2, Qt::NoModifier, {}, keys::kF2},
      {Qt::Key_F1, Qt::NoModifier, {}, keys::kF1},
      {Qt::Key_F10, Qt::NoModifier, {}, keys::kF10},
      {Qt::Key_F12, Qt::NoModifier, {}, keys::kF12},
      {Qt::Key_F1, Qt::ShiftModifier, {}, keys::shift_function_key(1)},
      {Qt::Key_F3, Qt::ControlModifier, {}, keys::ctrl_function_key(3)},
      {Qt::Key_F4, Qt::AltModifier, {}, keys::alt_function_key(4)},
      {Qt::Key_I, Qt::AltModifier, {}, 279},
      {Qt::Key_A, Qt::AltModifier, {}, keys::kAltA},  // "&Arquivo" has the same accelerator
      {Qt::Key_V, Qt::AltModifier, {}, keys::kAltV},
      {Qt::Key_1, Qt::AltModifier, {}, keys::alt_digit(1)},
      {Qt::Key_0, Qt::AltModifier, {}, keys::alt_digit(0)},
      {Qt::Key_W, Qt::ControlModifier, {}, keys::kCtrlW},
      {Qt::Key_C, Qt::ControlModifier, {}, 3},
      {Qt::Key_Left, Qt::ControlModifier, {}, keys::kCtrlLeft},
      {Qt::Key_Right, Qt::ControlModifier, {}, keys::kCtrlRight},
      {Qt::Key_Home, Qt::ControlModifier, {}, keys::kCtrlHome},
      {Qt::Key_End, Qt::ControlModifier, {}, keys::kCtrlEnd},
      {Qt::Key_PageUp, Qt::ControlModifier, {}, keys::kCtrlPgUp},
      {Qt::Key_PageDown, Qt::ControlModifier, {}, keys::kCtrlPgDn},
      {Qt::Key_Up, Qt::NoModifier, {}, keys::kUp},
      {Qt::Key_Down, Qt::NoModifier, {}, keys::kDown},
      {Qt::Key_Left, Qt::NoModifier, {}, keys::kLeft},
      {Qt::Key_Right, Qt::NoModifier, {}, keys::kRight},
      {Qt::Key_Home, Qt::NoModifier, {}, keys::kHome},
      {Qt::Key_End, Qt::NoModifier, {}, keys::kEnd},
      {Qt::Key_PageUp, Qt::NoModifier, {}, keys::kPgUp},
      {Qt::Key_PageDown, Qt::NoModifier, {}, keys::kPgDn},
      {Qt::Key_Insert, Qt::NoModifier, {}, keys::kIns},
      {Qt::Key_Delete, Qt::NoModifier, {}, keys::kDel},
      {Qt::Key_Return, Qt::NoModifier, {}, keys::kEnter},
      {Qt::Key_Enter, Qt::KeypadModifier, {}, keys::kEnter},
      {Qt::Key_Escape, Qt::NoModifier, {}, keys::kEsc},
      {Qt::Key_Backspace, Qt::NoModifier, {}, keys::kBackspace},
      {Qt::Key_Tab, Qt::NoModifier, {}, keys::kTab},
      {Qt::Key_Backtab, Qt::ShiftModifier, {}, keys::kShiftTab},
      {Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), 'a'},
      {Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"), 'A'},
      {Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), ' '},
      {Qt::Key_Ccedilla, Qt::NoModifier, QStringLiteral("ç"), 0x87},  // CP850 byte
      {Qt::Key_Atilde, Qt::ShiftModifier, QStringLiteral("Ã"), 0xC7},
  };
  int code = run([&](Console& c) {
    c.set_menu(0, test_menu());
    wait_active();
    for (const Case& k : cases) {
      press(k.key, k.mods, k.text);
      const Event e = next_event(c);
      EXPECT_EQ(e.kind, EventKind::Key) << "key " << std::hex << k.key;
      EXPECT_EQ(e.code, k.code) << "key " << std::hex << k.key << " modifiers " << k.mods.toInt();
    }
    // A character composed from a dead key comes from the input method.
    on_gui([] {
      QInputMethodEvent composed;
      composed.setCommitString(QString::fromUtf8("ã"));
      QApplication::sendEvent(grid(), &composed);
    });
    const Event e = next_event(c);
    EXPECT_EQ(e.kind, EventKind::Key);
    EXPECT_EQ(e.code, 0xC6);  // CP850 ã
    // The menu did not take Alt+A or Alt+I for itself.
    on_gui([] { EXPECT_EQ(QApplication::activePopupWidget(), nullptr); });
    return 5;
  });
  EXPECT_EQ(code, 5);
}

TEST(QtFrontEnd, ModifierPressesAloneAreNoKeys) {
  run([&](Console& c) {
    c.set_menu(0, test_menu());
    wait_active();
    press(Qt::Key_Alt, Qt::AltModifier);
    press(Qt::Key_Shift, Qt::ShiftModifier);
    press(Qt::Key_Control, Qt::ControlModifier);
    press(Qt::Key_F3);
    const Event e = next_event(c);
    EXPECT_EQ(e.kind, EventKind::Key);
    EXPECT_EQ(e.code, keys::kF3);
    EXPECT_FALSE(c.event_pending());
    // Alt alone did not put the menu bar into keyboard mode: the next letter is the program's.
    press(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_EQ(next_event(c).code, 'a');
    return 0;
  });
}

TEST(QtFrontEnd, MenuPickArrivesAsMenuEventWithItsNumber) {
  run([&](Console& c) {
    c.set_menu(0, test_menu());
    c.enable_menu_item(0, 1001, false);
    on_gui([] {
      QMenuBar* bar = main_window()->findChild<QMenuBar*>("menu");
      ASSERT_NE(bar, nullptr);
      ASSERT_EQ(bar->actions().size(), 2);
      EXPECT_EQ(bar->actions()[0]->text(), "&Arquivo");
      QMenu* print = bar->actions()[1]->menu();
      ASSERT_NE(print, nullptr);
      EXPECT_EQ(print->actions()[0]->text(), QString::fromUtf8("&Declaração"));
      QMenu* file = bar->actions()[0]->menu();
      EXPECT_FALSE(file->actions()[0]->isEnabled());
      EXPECT_TRUE(file->actions()[1]->isSeparator());
      file->actions()[2]->trigger();
    });
    const Event e = next_event(c);
    EXPECT_EQ(e.kind, EventKind::Menu);
    EXPECT_EQ(e.code, 1002);
    EXPECT_EQ(c.last_menu_event(), 1002);
    return 0;
  });
}

// Answers the next message box from the GUI thread with `act`, and records what it showed.
struct BoxSeen {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int visible_buttons = 0;
  QStringList captions;  // of the visible buttons, sorted
};
void answer_next_box(std::function<void(QMessageBox*)> act, std::shared_ptr<BoxSeen> seen) {
  on_gui([act, seen] {
    auto* timer = new QTimer(&app());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, seen] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      seen->title = box->windowTitle();
      seen->text = box->text();
      seen->icon = box->icon();
      for (QAbstractButton* b : box->buttons())
        if (b->isVisible()) {
          ++seen->visible_buttons;
          seen->captions << b->text();
        }
      seen->captions.sort();
      act(box);
    });
    timer->start(20);
  });
}

TEST(QtFrontEnd, MessageBoxesAreAnsweredAndClosingAnswersClosed) {
  struct Case {
    MessageButtons buttons;
    std::function<void(QMessageBox*)> act;
    MessageAnswer answer;
    int buttons_shown;
  };
  auto click = [](QMessageBox::StandardButton b) {
    return [b](QMessageBox* box) { box->button(b)->click(); };
  };
  const std::vector<Case> cases = {
      {MessageButtons::Ok, click(QMessageBox::Ok), MessageAnswer::Ok, 1},
      {MessageButtons::YesNo, click(QMessageBox::Yes), MessageAnswer::Yes, 2},
      {MessageButtons::YesNo, click(QMessageBox::No), MessageAnswer::No, 2},
      {MessageButtons::YesNoCancel, click(QMessageBox::Cancel), MessageAnswer::Cancel, 3},
      {MessageButtons::YesNo, [](QMessageBox* box) { box->close(); }, MessageAnswer::Closed, 2},
      {MessageButtons::YesNoCancel, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); },
       MessageAnswer::Closed, 3},
      {MessageButtons::Ok, [](QMessageBox* box) { box->close(); }, MessageAnswer::Closed, 1},
  };
  run([&](Console& c) {
    for (const Case& k : cases) {
      auto seen = std::make_shared<BoxSeen>();
      answer_next_box(k.act, seen);
      const MessageAnswer a = c.message_box(util::utf8_to_cp1252("Confirma a exclusão?"),
                                            util::utf8_to_cp1252("Atenção"), MessageIcon::Question, k.buttons);
      EXPECT_EQ(a, k.answer);
      EXPECT_EQ(seen->title, QString::fromUtf8("Atenção"));
      EXPECT_EQ(seen->text, QString::fromUtf8("Confirma a exclusão?"));
      EXPECT_EQ(seen->icon, QMessageBox::Question);
      EXPECT_EQ(seen->visible_buttons, k.buttons_shown);
      const QStringList portuguese[] = {{"OK"}, {"&N\u00e3o", "&Sim"}, {"&N\u00e3o", "&Sim", "Cancelar"}};
      EXPECT_EQ(seen->captions, portuguese[k.buttons_shown - 1]) << seen->captions.join('|').toStdString();
    }
    // Keys typed into the box stay there: none reached the program.
    EXPECT_FALSE(c.event_pending());
    return 0;
  });
}

QRgb pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TEST(QtFrontEnd, CellsArePaintedInTheirColoursAndLinesJoinAcrossCells) {
  run([&](Console& c) {
    c.set_palette(1, 0x396DA5);  // "B" as the window layer sets it
    auto& s = c.screen();
    s.write(3, 5, "AB", 0x1E);                       // yellow on blue
    s.write(10, 10, "\xC4\xC4\xC4", 0x0F);           // single horizontal lines, white on black
    s.write(12, 10, "\xCD\xCD\xCD", 0x0F);           // double
    s.write(14, 10, "\xB3", 0x0F);                   // single vertical, two rows
    s.write(15, 10, "\xB3", 0x0F);
    s.write(17, 10, "\xDB\xDB", 0x4F);               // full blocks, white on red
    c.present();
    QImage image;
    int w = 0, h = 0;
    on_gui([&] {
      QWidget* g = grid();
      image = g->grab().toImage();
      w = g->width() / kCols;
      h = g->height() / kRows;
    });
    EXPECT_GT(w, 3);
    EXPECT_GT(h, 6);
    auto at = [&](int row, int col, int dx, int dy) { return pixel(image, col * w + dx, row * h + dy); };
    EXPECT_EQ(at(3, 5, 0, 0), 0x396DA5u);   // background of a blue cell, with the changed palette
    EXPECT_EQ(at(0, 0, 0, 0), 0x000000u);   // untouched cells: attribute 7, black background
    // The glyphs left yellowish pixels (red and green above blue) in their cells.
    int ink = 0;
    for (int dy = 0; dy < h; ++dy)
      for (int dx = 0; dx < 2 * w; ++dx) {
        const QRgb p = at(3, 5, dx, dy);
        ink += qRed(p) > qBlue(p) + 60 && qGreen(p) > qBlue(p) + 60;
      }
    EXPECT_GT(ink, 6);
    // A horizontal line runs from the left edge to the right edge of the middle cell.
    int line_y = -1;
    for (int dy = 0; dy < h; ++dy)
      if (at(10, 11, 0, dy) == 0xFFFFFFu) line_y = dy;
    EXPECT_GE(line_y, 0);
    if (line_y < 0) return 1;
    EXPECT_EQ(at(10, 11, w - 1, line_y), 0xFFFFFFu);
    EXPECT_EQ(at(10, 12, 0, line_y), 0xFFFFFFu);
    // The double line: two rails at the cells' edges, with a gap between them.
    int rails = 0;
    for (int dy = 0; dy < h; ++dy) {
      const bool left = at(12, 11, 0, dy) == 0xFFFFFFu, right = at(12, 11, w - 1, dy) == 0xFFFFFFu;
      EXPECT_EQ(left, right) << dy;
      if (left && (dy == 0 || at(12, 11, 0, dy - 1) != 0xFFFFFFu)) ++rails;
    }
    EXPECT_EQ(rails, 2);
    // A vertical line joins the cell below it.
    int line_x = -1;
    for (int dx = 0; dx < w; ++dx)
      if (at(14, 10, dx, h - 1) == 0xFFFFFFu) line_x = dx;
    EXPECT_GE(line_x, 0);
    if (line_x < 0) return 1;
    EXPECT_EQ(at(15, 10, line_x, 0), 0xFFFFFFu);
    // Full blocks fill their cells in the foreground colour, edge to edge.
    EXPECT_EQ(at(17, 10, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(at(17, 11, w - 1, h - 1), 0xFFFFFFu);
    return 0;
  });
}

TEST(QtFrontEnd, DialogWindowsButtonsCloseBoxesAndMouseClicks) {
  run([&](Console& c) {
    WindowSpec desc;
    desc.cells = Rect{5, 10, 15, 60};
    desc.title = util::utf8_to_cp1252("Título");
    desc.close_box = true;
    const int h = c.open_window(desc);
    EXPECT_GT(h, 0);
    EXPECT_EQ(c.active_window(), h);
    const int button = c.create_button(h, Rect{13, 20, 13, 29}, "&Ok");
    EXPECT_GT(button, 0);
    const int box = c.create_text_box(h, Rect{7, 12, 9, 40}, "linha 1\nlinha 2");
    EXPECT_GT(box, 0);
    on_gui([&] {
      QWidget* frame = main_window()->findChild<QWidget*>(QStringLiteral("window_%1").arg(h));
      ASSERT_NE(frame, nullptr);
      EXPECT_TRUE(frame->findChild<QLabel*>() && frame->findChild<QLabel*>()->text() == QString::fromUtf8("Título"));
      // With the main grid's cell size, the dialog's cells lie exactly over its rectangle.
      QWidget* body = nullptr;
      for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->width() == grid()->width() * 51 / 80 && child->height() == grid()->height() * 11 / 25) body = child;
      ASSERT_NE(body, nullptr);
      const int cw = grid()->width() / kCols, ch = grid()->height() / kRows;
      EXPECT_EQ(body->mapTo(main_window(), QPoint(0, 0)), grid()->mapTo(main_window(), QPoint(10 * cw, 5 * ch)));
      auto* b = frame->findChild<QPushButton*>(QStringLiteral("button_%1").arg(button));
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(b->text(), "&Ok");
      b->click();
      frame->findChild<QToolButton*>("close_box")->click();
      // A click on a cell of the main grid, in main-grid coordinates.
      QTest::mouseClick(grid(), Qt::LeftButton, {}, QPoint(3 * cw + cw / 2, 20 * ch + ch / 2));
      QTest::mouseClick(grid(), Qt::RightButton, {}, QPoint(79 * cw + 1, 24 * ch + 1));
      QTest::mouseDClick(grid(), Qt::LeftButton, {}, QPoint(1, 1));
      // The main window's close box asks the program and does not close the window.
      main_window()->close();
      EXPECT_TRUE(main_window()->isVisible());
    });
    Event e = next_event(c);
    EXPECT_EQ(e.kind, EventKind::Button);
    EXPECT_EQ(e.code, button);
    e = next_event(c);
    EXPECT_EQ(e.kind, EventKind::Close);
    EXPECT_EQ(e.code, h);
    e = next_event(c);
    EXPECT_EQ(e.kind, EventKind::Key);
    EXPECT_EQ(e.code, keys::kMouseLeftDown);
    EXPECT_EQ(e.row, 20);
    EXPECT_EQ(e.col, 3);
    e = next_event(c);
    EXPECT_EQ(e.code, keys::kMouseRightDown);
    EXPECT_EQ(e.row, 24);
    EXPECT_EQ(e.col, 79);
    do e = next_event(c);  // a double click: (a press first, as the toolkit sends it) then the double click
    while (e.kind == EventKind::Key && e.code == keys::kMouseLeftDown);
    EXPECT_EQ(e.code, keys::kMouseLeftDoubleClick);
    EXPECT_EQ(e.row, 0);
    EXPECT_EQ(e.col, 0);
    e = next_event(c);
    EXPECT_EQ(e.kind, EventKind::Close);
    EXPECT_EQ(e.code, 0);

    // A dialog's own menu bar and status bar.
    c.set_menu(h, {{2001, "&Gravar", true, false, {}}});
    c.set_status_bar(h, {{"F2 grava", "", 0}});
    on_gui([&] {
      QWidget* frame = main_window()->findChild<QWidget*>(QStringLiteral("window_%1").arg(h));
      ASSERT_NE(frame, nullptr);
      auto* bar = frame->findChild<QMenuBar*>("menu");
      ASSERT_NE(bar, nullptr);
      auto* status = frame->findChild<QStatusBar*>("status");
      ASSERT_NE(status, nullptr);
      EXPECT_EQ(status->findChild<QLabel*>("part_0")->text(), "F2 grava");
      // Menu bar above the cells, status bar below them, all inside the frame.
      QWidget* body = nullptr;
      for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->width() == grid()->width() * 51 / 80 && child->height() == grid()->height() * 11 / 25) body = child;
      ASSERT_NE(body, nullptr);
      EXPECT_LE(bar->geometry().bottom(), body->geometry().top());
      EXPECT_GE(status->geometry().top(), body->geometry().bottom());
      EXPECT_TRUE(frame->rect().contains(status->geometry()));
      bar->actions()[0]->trigger();
    });
    e = next_event(c);
    EXPECT_EQ(e.kind, EventKind::Menu);
    EXPECT_EQ(e.code, 2001);

    // Stacking: the newest is active; closing it gives the activity back.
    WindowSpec second;
    second.cells = Rect{8, 20, 12, 50};
    const int h2 = c.open_window(second);
    EXPECT_EQ(c.active_window(), h2);
    c.activate_window(h);
    EXPECT_EQ(c.active_window(), h);
    c.activate_window(h2);
    c.close_window(h2);
    EXPECT_EQ(c.active_window(), h);
    c.close_window(h);
    EXPECT_EQ(c.active_window(), 0);
    on_gui([&] { EXPECT_EQ(main_window()->findChild<QWidget*>(QStringLiteral("window_%1").arg(h)), nullptr); });
    EXPECT_EQ(c.open_window(window_at(Rect{20, 0, 30, 10})), -1);  // outside the grid
    return 0;
  });
}

TEST(QtFrontEnd, AWindowUnderADialogKeepsShowingItsOwnCells) {
  run([&](Console& c) {
    auto& s = c.screen();
    s.fill(Rect{}, ' ', 0x20);  // green
    c.present();
    const int h = c.open_window(window_at(Rect{5, 10, 10, 40}));
    s.fill(Rect{5, 10, 10, 40}, ' ', 0x40);  // the dialog's cells: red
    s.write(20, 0, "main", 0x10);              // outside the dialog: blue
    c.present();
    auto colour_at = [](QWidget* w, int row, int col, int top, int left) {
      const QImage image = w->grab().toImage();
      const int cw = grid()->width() / kCols, ch = grid()->height() / kRows;
      return image.pixel((col - left) * cw + 1, (row - top) * ch + 1) & 0xFFFFFF;
    };
    on_gui([&] {
      QWidget* frame = main_window()->findChild<QWidget*>(QStringLiteral("window_%1").arg(h));
      ASSERT_NE(frame, nullptr);
      QWidget* body = nullptr;
      for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->width() == grid()->width() * 31 / 80) body = child;
      ASSERT_NE(body, nullptr);
      EXPECT_EQ(colour_at(body, 6, 11, 5, 10), default_palette(4));
      EXPECT_EQ(colour_at(grid(), 6, 11, 0, 0), default_palette(2));  // as before the dialog opened
      EXPECT_EQ(colour_at(grid(), 20, 0, 0, 0), default_palette(1));  // live outside it
    });
    c.close_window(h);
    c.present();
    on_gui([&] { EXPECT_EQ(colour_at(grid(), 6, 11, 0, 0), default_palette(4)); });
    return 0;
  });
}

TEST(QtFrontEnd, StatusBarTimerClipboardAndFonts) {
  run([&](Console& c) {
    c.set_status_bar(0, {{"Pronto", "dica", 20}, {"T01", "", 0}});
    c.set_status_text(0, 0, util::utf8_to_cp1252("Gravação concluída"));
    c.set_status_text(0, 5, "ignored");
    on_gui([] {
      QStatusBar* bar = main_window()->findChild<QStatusBar*>("status");
      ASSERT_NE(bar, nullptr);
      auto* part = bar->findChild<QLabel*>("part_0");
      ASSERT_NE(part, nullptr);
      EXPECT_EQ(part->text(), QString::fromUtf8("Gravação concluída"));
      EXPECT_EQ(part->toolTip(), "dica");
      EXPECT_EQ(bar->findChild<QLabel*>("part_1")->text(), "T01");
    });
    c.set_clipboard_text(util::utf8_to_cp1252("Ação 1"));
    EXPECT_EQ(c.clipboard_text(), util::utf8_to_cp1252("Ação 1"));
    on_gui([] { EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Ação 1")); });

    // Fonts: a cell size whose grid does not fit the screen is refused and changes nothing.
    int width_before = 0;
    on_gui([&] { width_before = grid()->width(); });
    EXPECT_FALSE(c.set_font(0, "Courier New", 40, 40));
    on_gui([&] { EXPECT_EQ(grid()->width(), width_before); });
    EXPECT_TRUE(c.set_font(0, "Courier New", 16, 8));
    on_gui([&] {
      EXPECT_EQ(grid()->width(), 80 * 8);
      EXPECT_EQ(grid()->height(), 25 * 16);
    });

    c.set_timer(0, 1);
    const Event e = c.wait_event(5000);
    EXPECT_EQ(e.kind, EventKind::Timer);
    EXPECT_EQ(e.code, 0);
    c.set_timer(0, 0);
    return 0;
  });
}

TEST(QtFrontEnd, RequestsMadeOnTheGuiThreadAreServedDirectly) {
  run([&](Console& c) {
    int handle = 0, active = -1;
    bool font = false;
    // These would never be answered if the front end queued them to its own thread and waited.
    on_gui([&] {
      handle = c.open_window(window_at(Rect{2, 2, 6, 30}));
      active = c.active_window();
      font = c.set_font(0, "", 18, 9);
    });
    EXPECT_GT(handle, 0);
    EXPECT_EQ(active, handle);
    EXPECT_TRUE(font);
    return 0;
  });
}

TEST(QtFrontEnd, RequestsAfterTheWindowIsGoneAnswerCancelled) {
  const int code = run([&](Console& c) {
    on_gui([] { delete main_window(); });
    EXPECT_EQ(c.message_box("Sair?", "Rendax", MessageIcon::Question, MessageButtons::YesNo), MessageAnswer::Closed);
    EXPECT_EQ(c.wait_event(-1).kind, EventKind::Quit);
    EXPECT_EQ(c.wait_event(10).kind, EventKind::Quit);
    EXPECT_EQ(c.open_window(window_at(Rect{2, 2, 6, 30})), -1);
    EXPECT_EQ(c.create_button(0, Rect{1, 1, 1, 10}, "Ok"), -1);
    EXPECT_EQ(c.clipboard_text(), "");
    c.set_status_text(0, 0, "nothing to show it");  // no effect, no hang
    c.screen().write(0, 0, "still a buffer", 7);
    c.present();
    return 42;
  });
  EXPECT_EQ(code, 42);
}

TEST(QtFrontEnd, WindowDestroyedWhileTheProgramWaitsEndsTheWait) {
  std::atomic<bool> waiting{false};
  const int code = run([&](Console& c) {
    std::thread destroyer([&] {
      while (!waiting) std::this_thread::sleep_for(5ms);
      std::this_thread::sleep_for(100ms);
      QMetaObject::invokeMethod(&app(), [] { delete main_window(); }, Qt::QueuedConnection);
    });
    waiting = true;
    const MessageAnswer a = c.message_box("Aguardando", "Rendax", MessageIcon::Information, MessageButtons::Ok);
    destroyer.join();
    EXPECT_EQ(a, MessageAnswer::Closed);
    EXPECT_EQ(c.wait_event(-1).kind, EventKind::Quit);
    return 3;
  });
  EXPECT_EQ(code, 3);
}

TEST(QtFrontEnd, TheWindowClosesWhenTheProgramReturns) {
  EXPECT_EQ(run([](Console&) { return 9; }), 9);
  EXPECT_EQ(main_window(), nullptr);
  // An exception of the program reaches the caller after the window is gone.
  EXPECT_THROW(run([](Console&) -> int { throw std::runtime_error("boom"); }), std::runtime_error);
  EXPECT_EQ(main_window(), nullptr);
}

TEST(QtFrontEnd, WithoutADisplayTheProgramSaysSoInOneLine) {
  const std::string command =
      std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '") + QT_DEMO_PATH + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("no graphical display"), std::string::npos) << output;
  EXPECT_NE(output.find("xvfb-run"), std::string::npos) << output;
}

TEST(QtFrontEnd, DisplayAvailableFollowsTheEnvironment) {
  const std::string saved_display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  const std::string saved_qpa = std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
  const std::string saved_wayland = std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("QT_QPA_PLATFORM");
  EXPECT_FALSE(display_available());
  setenv("DISPLAY", ":4711", 1);  // no X server on that display number
  EXPECT_FALSE(display_available());
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EXPECT_TRUE(display_available());
  auto restore = [](const char* name, const std::string& value) {
    if (value.empty())
      unsetenv(name);
    else
      setenv(name, value.c_str(), 1);
  };
  restore("DISPLAY", saved_display);
  restore("QT_QPA_PLATFORM", saved_qpa);
  restore("WAYLAND_DISPLAY", saved_wayland);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
