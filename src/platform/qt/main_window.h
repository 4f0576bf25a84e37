#pragma once
// The GUI side of the Qt front end: the main window with its 25x80 cell grid, dialog
// windows over cell rectangles, menus, status bars, push buttons, text boxes, timers
// and message boxes. Everything here runs on the GUI thread only.
#include <QFrame>
#include <QMainWindow>
#include <QPointer>
#include <QWidget>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/qt/cell_painter.h"
#include "platform/qt/channel.h"

class QAction;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolButton;

namespace platform::qt {

class MainWindow;

// Paints the cells of `region` (main-grid coordinates) from the window's current snapshot.
class GridView : public QWidget {
 public:
  GridView(MainWindow& owner, const Rect& region, QWidget* parent);
  const Rect& region() const { return region_; }
  void set_font(const CellFont& font);
  const CellFont& cell_font() const { return font_; }
  QRect cell_rect(int row, int col) const;  // main-grid cell -> this widget's pixels
  QRect cells_rect(const Rect& cells) const;
  // A newer window opened over `cells`: this view keeps showing what those cells held
  // until then (`now`), as a window underneath another would.
  void cover(const Rect& cells, const std::array<Cell, kRows * kCols>& now);
  void uncover(const Rect& cells);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // Composed characters (dead keys, input methods) arrive here rather than as key presses.
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 private:
  bool cell_at(const QPointF& pos, int& row, int& col) const;
  bool covered(int row, int col) const;
  MainWindow& owner_;
  std::vector<Rect> covered_;
  std::array<Cell, kRows * kCols> frozen_{};
  Rect region_;
  CellFont font_;
};

// A dialog window: a frame with a title bar over a cell rectangle of the main grid.
class DialogFrame : public QFrame {
 public:
  DialogFrame(MainWindow& owner, int handle, const WindowSpec& desc, QWidget* parent);
  GridView* body() const { return body_; }
  void set_title(const QString& title);
  void recolour();  // background from the palette
  void set_menu_bar(QMenuBar* bar);        // takes ownership; nullptr removes
  void set_status_bar(QStatusBar* bar);    // takes ownership; nullptr removes
  QMenuBar* menu_bar() const { return menu_; }
  QStatusBar* status_bar() const { return status_; }
  // Places the frame so that its cells lie over (or are centred on) its rectangle.
  void place();

 private:
  MainWindow& owner_;
  int handle_;
  WindowSpec spec_;
  QWidget* title_bar_ = nullptr;
  QLabel* title_ = nullptr;
  QToolButton* close_ = nullptr;
  QMenuBar* menu_ = nullptr;
  QStatusBar* status_ = nullptr;
  GridView* body_ = nullptr;
};

class MainWindow : public QMainWindow {
 public:
  MainWindow(ScreenBuffer& screen, Channel& channel);
  ~MainWindow() override;

  // Requests of the program (GUI thread).
  int open_window(const WindowSpec& desc);
  void close_window(int handle);
  void set_window_title(int handle, const std::string& title);
  void activate_window(int handle);
  int active_window() const;
  bool set_font(int handle, const std::string& name, int height, int width);
  void set_menu(int handle, const std::vector<MenuNode>& menu);
  void enable_menu_item(int handle, int id, bool enabled);
  void remove_menu(int handle);
  void set_status_bar(int handle, const std::vector<StatusPart>& parts);
  void set_status_text(int handle, int part, const std::string& text);
  void remove_status_bar(int handle);
  int create_button(int window, const Rect& cells, const std::string& caption);
  void destroy_button(int id);
  void focus_button(int id);
  void enable_button(int id, bool enabled);
  int create_text_box(int window, const Rect& cells, const std::string& text);
  void destroy_text_box(int id);
  MessageAnswer message_box(const std::string& text, const std::string& title, MessageIcon icon,
                            MessageButtons buttons);
  void set_timer(int handle, int seconds);
  void repaint_all();

  // Looks for screen changes and repaints what changed.
  void refresh();
  // The program has ended: the window may close now.
  void allow_close() { closing_allowed_ = true; }

  // For the painters.
  const std::array<Cell, kRows * kCols>& cells() const { return cells_; }
  QColor colour(int index) const;
  bool cursor_visible() const { return cursor_on_; }
  int cursor_row() const { return cursor_row_; }
  int cursor_col() const { return cursor_col_; }
  CursorShape cursor_shape() const { return cursor_shape_; }
  void post(const Event& e) { channel_.post(e); }
  GridView* grid() const { return grid_; }

  // True when the key press was for the program (and was passed on to it).
  bool handle_key(QKeyEvent* event);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Window {
    QPointer<QWidget> frame;   // the main window itself or a DialogFrame
    QPointer<GridView> view;
    Rect cells;
    std::string font_name;
    QPointer<QMenuBar> menu;
    std::map<int, QPointer<QAction>> items;
    QPointer<QStatusBar> status;
    std::vector<QPointer<QLabel>> parts;
    std::vector<StatusPart> part_specs;
    QPointer<QTimer> timer;
  };
  struct Control {
    int window = 0;
    Rect cells;
    QPointer<QWidget> widget;
  };
  Window* find(int handle);
  QMenuBar* build_menu(Window& w, const std::vector<MenuNode>& menu);
  QStatusBar* build_status_bar(Window& w, const std::vector<StatusPart>& parts);
  void place_controls(int window);
  void apply_main_font(int width, int height, const QString& family);
  bool fits_screen(int width, int height) const;
  QFont status_font(const Window& w) const;

  ScreenBuffer& screen_;
  Channel& channel_;
  GridView* grid_ = nullptr;
  QWidget* desk_ = nullptr;  // parent of the grid and of the dialog frames
  std::map<int, Window> windows_;
  std::vector<int> stack_;  // open dialogs, bottom to top
  int active_ = 0;
  int next_handle_ = 1;
  std::map<int, Control> controls_;
  int next_control_ = 1;
  std::array<Cell, kRows * kCols> cells_{};
  bool cursor_on_ = true;
  int cursor_row_ = 0, cursor_col_ = 0;
  CursorShape cursor_shape_ = CursorShape::Hidden;
  int blink_ticks_ = 0;
  std::array<std::uint32_t, 16> painted_palette_{};
  QTimer* refresh_timer_ = nullptr;
  bool closing_allowed_ = false;
  QPoint grid_position_;
};

}  // namespace platform::qt
