// The main menu in the real window: its menu is opened and an item picked with the
// mouse's way in, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "platform/qt/qt_front_end.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "shell/main_menu.h"
#include "shell/startup.h"
#include "shell/window_layer.h"

namespace {

QApplication& app() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "main_menu_qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

QAction* find_action(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions()) {
    if (a->text() == text) return a;
    if (a->menu())
      if (QAction* found = find_action(a->menu(), text)) return found;
  }
  return nullptr;
}

}  // namespace

TEST(MainMenuInTheRealWindow, PickingTerminarLeavesTheProgram) {
  app();
  auto opened = std::make_shared<bool>(false);
  // From the GUI thread: once the menu bar has the "Declaração" menu, open it and pick.
  auto* timer = new QTimer(&app());
  QObject::connect(timer, &QTimer::timeout, timer, [timer, opened] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* bar = w->findChild<QMenuBar*>();
      if (!bar || bar->actions().isEmpty()) continue;
      QMenu* declaration = bar->actions()[0]->menu();
      if (!declaration || bar->actions()[0]->text() != QString::fromUtf8("&Declaração")) continue;
      QAction* leave = find_action(declaration, "&Terminar (Alt T)");
      if (!leave) continue;
      timer->stop();
      timer->deleteLater();
      declaration->popup(bar->mapToGlobal(bar->actionGeometry(bar->actions()[0]).bottomLeft()));
      *opened = declaration->isVisible();
      leave->trigger();
      declaration->hide();
      return;
    }
  });
  timer->start(20);

  static char name[] = "main_menu_qt_tests";
  char* argv[] = {name, nullptr};
  int code = platform::run_qt_front_end(1, argv, [](platform::Console& console) {
    shell::reset_globals();
    shell::set_console(&console);
    shell::start_window_layer();
    int result = 0;
    try {
      shell::MENUCOMMAND(0);
    } catch (const shell::ProgramExit&) {
      result = 42;  // left through ROTSAIDA
    }
    shell::reset_main_menu();
    shell::reset_window_layer();
    shell::set_console(nullptr);
    return result;
  });
  EXPECT_TRUE(*opened);
  EXPECT_EQ(code, 42);
}
