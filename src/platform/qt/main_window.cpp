#include "platform/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>

#include "platform/keys.h"
#include "platform/qt/key_map.h"
#include "util/codepage.h"

namespace platform::qt {
namespace {

// Windows-1252 text of the program -> the toolkit's text.
QString native_text(std::string_view cp1252) { return QString::fromStdString(util::cp1252_to_utf8(cp1252)); }

bool valid_rect(const Rect& r) {
  return r.top >= 0 && r.left >= 0 && r.bottom < kRows && r.right < kCols && r.top <= r.bottom && r.left <= r.right;
}

Rect intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
              std::min(a.right, b.right)};
}
bool empty(const Rect& r) { return r.top > r.bottom || r.left > r.right; }

constexpr int kRefreshMs = 30;
constexpr int kBlinkTicks = 16;  // about half a second

}  // namespace

// ---------------------------------------------------------------- GridView

GridView::GridView(MainWindow& owner, const Rect& region, QWidget* parent)
    : QWidget(parent), owner_(owner), region_(region) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_InputMethodEnabled);
  setFocusPolicy(Qt::StrongFocus);
}

void GridView::inputMethodEvent(QInputMethodEvent* event) {
  for (int code : text_key_codes(event->commitString())) owner_.post(Event{EventKind::Key, code});
  event->accept();
}

QVariant GridView::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return cell_rect(owner_.cursor_row(), owner_.cursor_col());
    case Qt::ImHints: return static_cast<int>(Qt::ImhNoPredictiveText);
    default: return QWidget::inputMethodQuery(query);
  }
}

void GridView::set_font(const CellFont& font) {
  font_ = font;
  setFixedSize((region_.right - region_.left + 1) * font.width, (region_.bottom - region_.top + 1) * font.height);
  update();
}

QRect GridView::cell_rect(int row, int col) const {
  return QRect((col - region_.left) * font_.width, (row - region_.top) * font_.height, font_.width, font_.height);
}

QRect GridView::cells_rect(const Rect& cells) const {
  return cell_rect(cells.top, cells.left).united(cell_rect(cells.bottom, cells.right));
}

bool GridView::covered(int row, int col) const {
  for (const Rect& r : covered_)
    if (row >= r.top && row <= r.bottom && col >= r.left && col <= r.right) return true;
  return false;
}

void GridView::cover(const Rect& cells, const std::array<Cell, kRows * kCols>& now) {
  const Rect part = intersect(cells, region_);
  for (int row = part.top; row <= part.bottom; ++row)
    for (int col = part.left; col <= part.right; ++col)
      if (!covered(row, col)) frozen_[row * kCols + col] = now[row * kCols + col];
  covered_.push_back(cells);
}

void GridView::uncover(const Rect& cells) {
  auto it = std::find(covered_.rbegin(), covered_.rend(), cells);
  if (it != covered_.rend()) covered_.erase(std::next(it).base());
  update();
}

void GridView::paintEvent(QPaintEvent* event) {
  if (font_.width <= 0 || font_.height <= 0) return;
  QPainter p(this);
  p.setFont(font_.font);
  const QRect area = event->rect();
  const int first_row = region_.top + std::max(0, area.top() / font_.height);
  const int last_row = std::min(region_.bottom, region_.top + area.bottom() / font_.height);
  const int first_col = region_.left + std::max(0, area.left() / font_.width);
  const int last_col = std::min(region_.right, region_.left + area.right() / font_.width);
  const auto& cells = owner_.cells();
  for (int row = first_row; row <= last_row; ++row)
    for (int col = first_col; col <= last_col; ++col) {
      const Cell& c = covered(row, col) ? frozen_[row * kCols + col] : cells[row * kCols + col];
      paint_cell(p, cell_rect(row, col), util::cp850_code_point(c.ch), owner_.colour(c.attr & 0x0F),
                 owner_.colour(c.attr >> 4), font_);
    }
  // The cursor, where it lies in this view.
  const int row = owner_.cursor_row(), col = owner_.cursor_col();
  if (owner_.cursor_shape() == CursorShape::Hidden || !owner_.cursor_visible() || row < region_.top ||
      row > region_.bottom || col < region_.left || col > region_.right || covered(row, col))
    return;
  const Cell& c = cells[row * kCols + col];
  const QRect r = cell_rect(row, col);
  if (owner_.cursor_shape() == CursorShape::Block) {
    paint_cell(p, r, util::cp850_code_point(c.ch), owner_.colour(c.attr >> 4), owner_.colour(c.attr & 0x0F), font_);
  } else {
    const int h = std::max(2, font_.height / 8);
    p.fillRect(QRect(r.left(), r.bottom() + 1 - h, r.width(), h), owner_.colour(c.attr & 0x0F));
  }
}

bool GridView::cell_at(const QPointF& pos, int& row, int& col) const {
  if (font_.width <= 0 || font_.height <= 0 || pos.x() < 0 || pos.y() < 0) return false;
  row = region_.top + static_cast<int>(pos.y()) / font_.height;
  col = region_.left + static_cast<int>(pos.x()) / font_.width;
  return row <= region_.bottom && col <= region_.right;
}

void GridView::mousePressEvent(QMouseEvent* event) {
  int row = 0, col = 0;
  if (!cell_at(event->position(), row, col)) return;
  if (event->button() == Qt::LeftButton)
    owner_.post(Event{EventKind::Key, keys::kMouseLeftDown, row, col});
  else if (event->button() == Qt::RightButton)
    owner_.post(Event{EventKind::Key, keys::kMouseRightDown, row, col});
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  int row = 0, col = 0;
  if (!cell_at(event->position(), row, col)) return;
  if (event->button() == Qt::LeftButton)
    owner_.post(Event{EventKind::Key, keys::kMouseLeftDoubleClick, row, col});
  else if (event->button() == Qt::RightButton)
    owner_.post(Event{EventKind::Key, keys::kMouseRightDown, row, col});
}

// ---------------------------------------------------------------- DialogFrame

DialogFrame::DialogFrame(MainWindow& owner, int handle, const WindowSpec& desc, QWidget* parent)
    : QFrame(parent), owner_(owner), handle_(handle), spec_(desc) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(2);
  setAutoFillBackground(true);
  recolour();
  if (desc.caption) {
    title_bar_ = new QWidget(this);
    title_bar_->setAutoFillBackground(true);
    QPalette tp = title_bar_->palette();
    tp.setColor(QPalette::Window, tp.color(QPalette::Active, QPalette::Highlight));
    tp.setColor(QPalette::WindowText, tp.color(QPalette::Active, QPalette::HighlightedText));
    title_bar_->setPalette(tp);
    auto* layout = new QHBoxLayout(title_bar_);
    layout->setContentsMargins(6, 2, 2, 2);
    title_ = new QLabel(native_text(desc.title), title_bar_);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    layout->addWidget(title_, 1);
    if (desc.close_box) {
      close_ = new QToolButton(title_bar_);
      close_->setObjectName(QStringLiteral("close_box"));
      close_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
      close_->setAutoRaise(true);
      close_->setFocusPolicy(Qt::NoFocus);
      layout->addWidget(close_);
      QObject::connect(close_, &QToolButton::clicked, this,
                       [this] { owner_.post(Event{EventKind::Close, handle_}); });
    }
  }
  body_ = new GridView(owner, desc.cells, this);
  setObjectName(QStringLiteral("window_%1").arg(handle));
}

void DialogFrame::recolour() {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, owner_.colour(spec_.colour >> 4));
  setPalette(pal);
}

void DialogFrame::set_title(const QString& title) {
  if (title_) title_->setText(title);
  spec_.title = util::utf8_to_cp1252(title.toStdString());
}

void DialogFrame::set_menu_bar(QMenuBar* bar) {
  delete menu_;
  menu_ = bar;
  if (bar) {
    bar->setParent(this);
    bar->show();
  }
  place();
}

void DialogFrame::set_status_bar(QStatusBar* bar) {
  delete status_;
  status_ = bar;
  if (bar) {
    bar->setParent(this);
    bar->show();
  }
  place();
}

void DialogFrame::place() {
  const int b = frameWidth();
  const int title_h = title_bar_ ? title_bar_->sizeHint().height() : 0;
  const int menu_h = menu_ ? menu_->sizeHint().height() : 0;
  const int status_h = status_ ? status_->sizeHint().height() : 0;
  const QSize body = body_->size();
  const int width = body.width() + 2 * b;
  const int height = body.height() + title_h + menu_h + status_h + 2 * b;
  // The body is centred on its rectangle of the main grid (exactly over it when the
  // dialog uses the main grid's cell size), and the whole frame is kept in the window.
  GridView* grid = owner_.grid();
  const QRect target(grid->mapTo(&owner_, grid->cells_rect(spec_.cells).topLeft()),
                     grid->cells_rect(spec_.cells).size());
  int x = target.center().x() + 1 - body.width() / 2 - b;
  int y = target.center().y() + 1 - body.height() / 2 - b - title_h - menu_h;
  const QRect room = owner_.rect();
  x = std::clamp(x, room.left(), std::max(room.left(), room.right() + 1 - width));
  y = std::clamp(y, room.top(), std::max(room.top(), room.bottom() + 1 - height));
  setGeometry(x, y, width, height);
  int top = b;
  if (title_bar_) {
    title_bar_->setGeometry(b, top, body.width(), title_h);
    top += title_h;
  }
  if (menu_) {
    menu_->setGeometry(b, top, body.width(), menu_h);
    top += menu_h;
  }
  body_->move(b, top);
  top += body.height();
  if (status_) status_->setGeometry(b, top, body.width(), status_h);
}

// ---------------------------------------------------------------- MainWindow

MainWindow::MainWindow(ScreenBuffer& screen, Channel& channel) : screen_(screen), channel_(channel) {
  setObjectName(QStringLiteral("rendax_main_window"));
  setWindowTitle(QStringLiteral("Rendax2023"));
  for (int i = 0; i < 16; ++i) painted_palette_[i] = channel_.palette(i);
  cells_ = screen_.snapshot();
  grid_ = new GridView(*this, Rect{}, this);
  grid_->setObjectName(QStringLiteral("cells"));
  setCentralWidget(grid_);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  Window main;
  main.frame = this;
  main.view = grid_;
  main.cells = Rect{};
  windows_[0] = main;
  // The largest cell of 2:1 proportion up to 10x20 that fits the screen.
  int height = 20;
  while (height > 8 && !fits_screen(kCols * (height / 2), kRows * height)) --height;
  apply_main_font(height / 2, height, QString());
  grid_->setFocus();
  refresh_timer_ = new QTimer(this);
  QObject::connect(refresh_timer_, &QTimer::timeout, this, [this] { refresh(); });
  refresh_timer_->start(kRefreshMs);
}

MainWindow::~MainWindow() = default;

MainWindow::Window* MainWindow::find(int handle) {
  auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : &it->second;
}

QColor MainWindow::colour(int index) const { return QColor::fromRgb(painted_palette_[index & 15]); }

void MainWindow::refresh() {
  const QPoint grid_at = grid_->pos();
  if (grid_at != grid_position_) {
    grid_position_ = grid_at;
    for (int h : stack_)
      if (auto* frame = dynamic_cast<DialogFrame*>(windows_[h].frame.data())) frame->place();
  }
  bool palette_changed = false;
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t rgb = channel_.palette(i);
    if (rgb != painted_palette_[i]) {
      painted_palette_[i] = rgb;
      palette_changed = true;
    }
  }
  std::vector<GridView*> views;
  for (auto& [handle, w] : windows_)
    if (w.view) views.push_back(w.view);
  auto update_cells = [&](const Rect& changed) {
    for (GridView* v : views) {
      const Rect part = intersect(changed, v->region());
      if (!empty(part)) v->update(v->cells_rect(part));
    }
  };
  if (screen_.take_dirty()) {
    const auto now = screen_.snapshot();
    Rect changed{kRows, kCols, -1, -1};
    for (int row = 0; row < kRows; ++row)
      for (int col = 0; col < kCols; ++col)
        if (!(now[row * kCols + col] == cells_[row * kCols + col])) {
          changed.top = std::min(changed.top, row);
          changed.bottom = std::max(changed.bottom, row);
          changed.left = std::min(changed.left, col);
          changed.right = std::max(changed.right, col);
        }
    cells_ = now;
    if (!empty(changed)) update_cells(changed);
    const int row = screen_.cursor_row(), col = screen_.cursor_col();
    const CursorShape shape = screen_.cursor_shape();
    if (row != cursor_row_ || col != cursor_col_ || shape != cursor_shape_) {
      update_cells(Rect{cursor_row_, cursor_col_, cursor_row_, cursor_col_});
      cursor_row_ = row;
      cursor_col_ = col;
      cursor_shape_ = shape;
      cursor_on_ = true;
      blink_ticks_ = 0;
      update_cells(Rect{row, col, row, col});
    }
  }
  if (cursor_shape_ != CursorShape::Hidden && ++blink_ticks_ >= kBlinkTicks) {
    blink_ticks_ = 0;
    cursor_on_ = !cursor_on_;
    update_cells(Rect{cursor_row_, cursor_col_, cursor_row_, cursor_col_});
  }
  if (palette_changed) repaint_all();
}

void MainWindow::repaint_all() {
  for (auto& [handle, w] : windows_) {
    if (w.view) w.view->update();
    if (auto* frame = dynamic_cast<DialogFrame*>(w.frame.data())) frame->recolour();
  }
}

bool MainWindow::fits_screen(int width, int height) const {
  const QScreen* s = screen();
  if (!s) return true;
  const QRect avail = s->availableGeometry();
  // What the window adds around the grid: menu bar, status bar, and the window
  // manager's frame once the window is shown.
  QSize chrome(0, 0);
  if (grid_->cell_font().width > 0) chrome = sizeHint() - grid_->size();
  if (isVisible()) chrome += frameGeometry().size() - geometry().size();
  // A menu bar without items and a status bar not yet made take no height now; the
  // program gives the window both later.
  const int bar_height = QFontMetrics(font()).height() + 10;
  if (QMenuBar* bar = menuBar(); bar && bar->actions().isEmpty()) chrome.rheight() += bar_height;
  if (!findChild<QStatusBar*>(QStringLiteral("status"))) chrome.rheight() += bar_height;
  return width + std::max(0, chrome.width()) <= avail.width() && height + std::max(0, chrome.height()) <= avail.height();
}

void MainWindow::apply_main_font(int width, int height, const QString& family) {
  windows_[0].font_name = family.toStdString();
  grid_->set_font(make_cell_font(family, width, height));
  if (QLayout* l = layout()) l->activate();
  adjustSize();
  for (auto& [handle, w] : windows_) {
    if (handle == 0) continue;
    if (auto* frame = dynamic_cast<DialogFrame*>(w.frame.data())) frame->place();
  }
  place_controls(0);
  Window& main = windows_[0];
  if (main.status) {
    const QFont f = status_font(main);
    for (auto& label : main.parts)
      if (label) label->setFont(f);
    const std::vector<StatusPart> parts = main.part_specs;
    set_status_bar(0, parts);
  }
}

// ---- windows

int MainWindow::open_window(const WindowSpec& desc) {
  if (!valid_rect(desc.cells)) return -1;
  const int handle = next_handle_++;
  const auto now = screen_.snapshot();
  for (auto& [h, open] : windows_)
    if (open.view) open.view->cover(desc.cells, now);
  auto* frame = new DialogFrame(*this, handle, desc, this);
  Window w;
  w.frame = frame;
  w.view = frame->body();
  w.cells = desc.cells;
  w.font_name = desc.font_name;
  const CellFont& main_font = grid_->cell_font();
  frame->body()->set_font(make_cell_font(QString::fromStdString(desc.font_name), main_font.width, main_font.height));
  windows_[handle] = w;
  stack_.push_back(handle);
  active_ = handle;
  frame->place();
  frame->show();
  frame->raise();
  frame->body()->setFocus();
  return handle;
}

void MainWindow::close_window(int handle) {
  if (handle == 0) return;
  Window* w = find(handle);
  if (!w) return;
  for (auto it = controls_.begin(); it != controls_.end();) {
    if (it->second.window == handle) {
      delete it->second.widget.data();
      it = controls_.erase(it);
    } else {
      ++it;
    }
  }
  delete w->timer.data();
  delete w->frame.data();
  const Rect cells = w->cells;
  windows_.erase(handle);
  for (auto& [h, open] : windows_)
    if (open.view) open.view->uncover(cells);
  std::erase(stack_, handle);
  active_ = stack_.empty() ? 0 : stack_.back();
  if (Window* top = find(active_); top && top->view) top->view->setFocus();
}

void MainWindow::set_window_title(int handle, const std::string& title) {
  if (handle == 0) {
    setWindowTitle(native_text(title));
  } else if (Window* w = find(handle)) {
    if (auto* frame = dynamic_cast<DialogFrame*>(w->frame.data())) frame->set_title(native_text(title));
  }
}

void MainWindow::activate_window(int handle) {
  Window* w = find(handle);
  if (!w) return;
  if (handle != 0) {
    std::erase(stack_, handle);
    stack_.push_back(handle);
    if (w->frame) w->frame->raise();
  }
  active_ = handle;
  if (w->view) w->view->setFocus();
}

int MainWindow::active_window() const { return active_; }

bool MainWindow::set_font(int handle, const std::string& name, int height, int width) {
  Window* w = find(handle);
  if (!w || height < 6 || width < 3 || height > 200 || width > 100) return false;
  const QString family = QString::fromStdString(name);
  if (handle == 0) {
    if (!fits_screen(kCols * width, kRows * height)) return false;
    apply_main_font(width, height, family);
    return true;
  }
  // A dialog's cells must fit inside the main window, with its frame.
  const int rows = w->cells.bottom - w->cells.top + 1, cols = w->cells.right - w->cells.left + 1;
  auto* frame = dynamic_cast<DialogFrame*>(w->frame.data());
  if (!frame) return false;
  const int chrome_w = frame->width() - frame->body()->width();
  const int chrome_h = frame->height() - frame->body()->height();
  if (cols * width + chrome_w > this->width() || rows * height + chrome_h > this->height()) return false;
  w->font_name = name;
  frame->body()->set_font(make_cell_font(family, width, height));
  frame->place();
  place_controls(handle);
  if (w->status) {
    const std::vector<StatusPart> parts = w->part_specs;
    set_status_bar(handle, parts);
  }
  return true;
}

// ---- menus

QMenuBar* MainWindow::build_menu(Window& w, const std::vector<MenuNode>& menu) {
  auto* bar = new QMenuBar;
  bar->setNativeMenuBar(false);
  bar->setObjectName(QStringLiteral("menu"));
  w.items.clear();
  auto add_action = [&](QAction* action, const MenuNode& node) {
    action->setEnabled(node.enabled);
    if (node.id != 0) {
      action->setData(node.id);
      w.items[node.id] = action;
    }
  };
  std::function<void(QMenu*, const std::vector<MenuNode>&)> fill = [&](QMenu* m, const std::vector<MenuNode>& nodes) {
    for (const MenuNode& node : nodes) {
      if (!node.children.empty()) {
        QMenu* sub = m->addMenu(native_text(node.text));
        add_action(sub->menuAction(), node);
        fill(sub, node.children);
      } else {
        QAction* a = m->addAction(native_text(node.text));
        add_action(a, node);
        const int id = node.id;
        QObject::connect(a, &QAction::triggered, this, [this, id] { post(Event{EventKind::Menu, id}); });
      }
      if (node.separator_after) m->addSeparator();
    }
  };
  for (const MenuNode& node : menu) {
    if (!node.children.empty()) {
      QMenu* m = bar->addMenu(native_text(node.text));
      add_action(m->menuAction(), node);
      fill(m, node.children);
    } else {
      QAction* a = bar->addAction(native_text(node.text));
      add_action(a, node);
      const int id = node.id;
      QObject::connect(a, &QAction::triggered, this, [this, id] { post(Event{EventKind::Menu, id}); });
    }
  }
  return bar;
}

void MainWindow::set_menu(int handle, const std::vector<MenuNode>& menu) {
  Window* w = find(handle);
  if (!w) return;
  QMenuBar* bar = build_menu(*w, menu);
  w->menu = bar;
  if (handle == 0) {
    setMenuBar(bar);  // deletes the earlier one
    bar->show();
    if (QLayout* l = layout()) l->activate();
    adjustSize();
    for (int h : stack_)
      if (auto* frame = dynamic_cast<DialogFrame*>(windows_[h].frame.data())) frame->place();
  } else if (auto* frame = dynamic_cast<DialogFrame*>(w->frame.data())) {
    frame->set_menu_bar(bar);
  }
}

void MainWindow::enable_menu_item(int handle, int id, bool enabled) {
  Window* w = find(handle);
  if (!w) return;
  auto it = w->items.find(id);
  if (it != w->items.end() && it->second) it->second->setEnabled(enabled);
}

void MainWindow::remove_menu(int handle) {
  Window* w = find(handle);
  if (!w || !w->menu) return;
  w->items.clear();
  w->menu = nullptr;
  if (handle == 0) {
    setMenuWidget(nullptr);  // hides and deletes the bar
    if (QLayout* l = layout()) l->activate();
    adjustSize();
    for (int h : stack_)
      if (auto* frame = dynamic_cast<DialogFrame*>(windows_[h].frame.data())) frame->place();
  } else if (auto* frame = dynamic_cast<DialogFrame*>(w->frame.data())) {
    frame->set_menu_bar(nullptr);
  }
}

// ---- status bars

QFont MainWindow::status_font(const Window& w) const {
  const CellFont& cf = w.view ? w.view->cell_font() : grid_->cell_font();
  return make_cell_font(QString::fromStdString(w.font_name), std::max(3, cf.width * 8 / 10),
                        std::max(6, cf.height * 8 / 10))
      .font;
}

QStatusBar* MainWindow::build_status_bar(Window& w, const std::vector<StatusPart>& parts) {
  auto* bar = new QStatusBar;
  bar->setObjectName(QStringLiteral("status"));
  bar->setSizeGripEnabled(false);
  const QFont font = status_font(w);
  const int char_w = QFontMetrics(font).horizontalAdvance(QLatin1Char('0'));
  w.parts.clear();
  w.part_specs = parts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const StatusPart& part = parts[i];
    auto* label = new QLabel(native_text(part.text));
    label->setObjectName(QStringLiteral("part_%1").arg(i));
    label->setFont(font);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    if (!part.tooltip.empty()) label->setToolTip(native_text(part.tooltip));
    const int chars = part.width > 0 ? part.width : static_cast<int>(part.text.size());
    const int pixels = chars * char_w + 2 * label->frameWidth() + 4;
    const bool last = i + 1 == parts.size();
    if (last) {
      // The last part takes the room that is left: its text (the program writes 250
      // blanks there) must not widen the window beyond the grid.
      label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      label->setMinimumWidth(0);
    } else {
      label->setFixedWidth(pixels);
    }
    bar->addWidget(label, last ? 1 : 0);
    w.parts.push_back(label);
  }
  return bar;
}

void MainWindow::set_status_bar(int handle, const std::vector<StatusPart>& parts) {
  Window* w = find(handle);
  if (!w) return;
  QStatusBar* bar = build_status_bar(*w, parts);
  w->status = bar;
  if (handle == 0) {
    setStatusBar(bar);  // deletes the earlier one
    bar->show();
    if (QLayout* l = layout()) l->activate();
    adjustSize();
  } else if (auto* frame = dynamic_cast<DialogFrame*>(w->frame.data())) {
    frame->set_status_bar(bar);
  }
}

void MainWindow::set_status_text(int handle, int part, const std::string& text) {
  Window* w = find(handle);
  if (!w || part < 0 || part >= static_cast<int>(w->parts.size())) return;
  w->part_specs[part].text = text;
  if (QLabel* label = w->parts[part]) label->setText(native_text(text));
}

void MainWindow::remove_status_bar(int handle) {
  Window* w = find(handle);
  if (!w || !w->status) return;
  w->parts.clear();
  w->part_specs.clear();
  w->status = nullptr;
  if (handle == 0) {
    setStatusBar(nullptr);
    if (QLayout* l = layout()) l->activate();
    adjustSize();
  } else if (auto* frame = dynamic_cast<DialogFrame*>(w->frame.data())) {
    frame->set_status_bar(nullptr);
  }
}

// ---- push buttons and text boxes

void MainWindow::place_controls(int window) {
  Window* w = find(window);
  if (!w || !w->view) return;
  for (auto& [id, c] : controls_) {
    if (c.window != window || !c.widget) continue;
    c.widget->setGeometry(w->view->cells_rect(c.cells));
    if (qobject_cast<QPushButton*>(c.widget.data())) c.widget->setFont(w->view->cell_font().font);
  }
}

int MainWindow::create_button(int window, const Rect& cells, const std::string& caption) {
  Window* w = find(window);
  if (!w || !w->view || !valid_rect(cells)) return -1;
  const int id = next_control_++;
  auto* button = new QPushButton(native_text(caption), w->view);
  button->setObjectName(QStringLiteral("button_%1").arg(id));
  button->setFont(w->view->cell_font().font);
  button->setGeometry(w->view->cells_rect(cells));
  QObject::connect(button, &QPushButton::clicked, this, [this, id] { post(Event{EventKind::Button, id}); });
  button->show();
  controls_[id] = Control{window, cells, button};
  return id;
}

void MainWindow::destroy_button(int id) {
  auto it = controls_.find(id);
  if (it == controls_.end() || !qobject_cast<QPushButton*>(it->second.widget.data())) return;
  delete it->second.widget.data();
  controls_.erase(it);
}

void MainWindow::focus_button(int id) {
  auto it = controls_.find(id);
  if (it != controls_.end() && it->second.widget) it->second.widget->setFocus();
}

void MainWindow::enable_button(int id, bool enabled) {
  auto it = controls_.find(id);
  if (it != controls_.end() && it->second.widget) it->second.widget->setEnabled(enabled);
}

int MainWindow::create_text_box(int window, const Rect& cells, const std::string& text) {
  Window* w = find(window);
  if (!w || !w->view || !valid_rect(cells)) return -1;
  const int id = next_control_++;
  auto* box = new QPlainTextEdit(w->view);
  box->setObjectName(QStringLiteral("text_box_%1").arg(id));
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  box->setPlainText(native_text(text));
  box->setGeometry(w->view->cells_rect(cells));
  box->show();
  controls_[id] = Control{window, cells, box};
  return id;
}

void MainWindow::destroy_text_box(int id) {
  auto it = controls_.find(id);
  if (it == controls_.end() || !qobject_cast<QPlainTextEdit*>(it->second.widget.data())) return;
  delete it->second.widget.data();
  controls_.erase(it);
}

// ---- message boxes, timers

MessageAnswer MainWindow::message_box(const std::string& text, const std::string& title, MessageIcon icon,
                                      MessageButtons buttons) {
  QMessageBox::Icon qicon = QMessageBox::NoIcon;
  switch (icon) {
    case MessageIcon::None: qicon = QMessageBox::NoIcon; break;
    case MessageIcon::Information: qicon = QMessageBox::Information; break;
    case MessageIcon::Question: qicon = QMessageBox::Question; break;
    case MessageIcon::Warning: qicon = QMessageBox::Warning; break;
    case MessageIcon::Error: qicon = QMessageBox::Critical; break;
  }
  QMessageBox::StandardButtons set = QMessageBox::Ok;
  if (buttons == MessageButtons::YesNo) set = QMessageBox::Yes | QMessageBox::No;
  if (buttons == MessageButtons::YesNoCancel) set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  QPointer<QMessageBox> box = new QMessageBox(qicon, native_text(title), native_text(text), set, this);
  box->setObjectName(QStringLiteral("message_box"));
  // The program speaks Portuguese; so do its boxes, whatever the desktop's language.
  if (auto* b = box->button(QMessageBox::Ok)) b->setText(QStringLiteral("OK"));
  if (auto* b = box->button(QMessageBox::Yes)) b->setText(QStringLiteral("&Sim"));
  if (auto* b = box->button(QMessageBox::No)) b->setText(QString::fromUtf8("&N\u00e3o"));
  if (auto* b = box->button(QMessageBox::Cancel)) b->setText(QStringLiteral("Cancelar"));
  box->setTextFormat(Qt::PlainText);
  // Esc and the close box answer "closed", apart from any button: a hidden button of
  // the reject role stands for them.
  QPushButton* closed = box->addButton(QStringLiteral("closed"), QMessageBox::RejectRole);
  closed->setObjectName(QStringLiteral("closed"));
  closed->hide();
  box->setEscapeButton(closed);
  box->setDefaultButton(static_cast<QPushButton*>(
      box->button(buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Yes)));
  // Centred on the main window (placed by hand: without a window manager the toolkit's
  // own placement may put it anywhere).
  box->adjustSize();
  box->move(frameGeometry().center() - QPoint(box->width() / 2, box->height() / 2));
  box->exec();
  if (!box) return MessageAnswer::Closed;  // the window went away under it
  QAbstractButton* clicked = box->clickedButton();
  MessageAnswer answer = MessageAnswer::Closed;
  if (clicked && clicked != closed) {
    switch (box->standardButton(clicked)) {
      case QMessageBox::Ok: answer = MessageAnswer::Ok; break;
      case QMessageBox::Yes: answer = MessageAnswer::Yes; break;
      case QMessageBox::No: answer = MessageAnswer::No; break;
      case QMessageBox::Cancel: answer = MessageAnswer::Cancel; break;
      default: break;
    }
  }
  delete box.data();
  if (Window* top = find(active_); top && top->view) top->view->setFocus();
  return answer;
}

void MainWindow::set_timer(int handle, int seconds) {
  Window* w = find(handle);
  if (!w) return;
  delete w->timer.data();
  w->timer = nullptr;
  if (seconds <= 0) return;
  auto* timer = new QTimer(this);
  QObject::connect(timer, &QTimer::timeout, this, [this, handle] { post(Event{EventKind::Timer, handle}); });
  timer->start(seconds * 1000);
  w->timer = timer;
}

// ---- keys and closing

bool MainWindow::handle_key(QKeyEvent* event) {
  const QString text = event->text();
  const int code = map_key(event->key(), event->modifiers(), text);
  if (code != keys::kNone) {
    if (is_text_key(event->key(), event->modifiers(), text) && text.size() > 1) {
      for (int c : text_key_codes(text)) post(Event{EventKind::Key, c});
    } else {
      post(Event{EventKind::Key, code});
    }
  }
  // Every press in this window belongs to the program, including those that make no
  // key (a modifier alone): nothing else (menu bar, focus chain) may act on them.
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closing_allowed_) {
    event->accept();
    return;
  }
  // The close box asks; the program decides.
  event->ignore();
  post(Event{EventKind::Close, 0});
}

}  // namespace platform::qt
