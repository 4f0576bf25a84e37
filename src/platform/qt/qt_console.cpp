#include "platform/qt/qt_console.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <chrono>

#include "util/codepage.h"

namespace platform::qt {

void QtConsole::attach(QObject* context, MainWindow* window) {
  context_ = context;
  gui_thread_ = context->thread();
  window_ = window;
}

template <class R, class F>
R QtConsole::request(F fn, R cancelled) {
  if (on_gui_thread()) {
    if (channel_.is_shut_down() || !window_) return cancelled;
    return fn(*window_);
  }
  struct Slot {
    bool done = false;
    R value;
  };
  auto slot = std::make_shared<Slot>(Slot{false, cancelled});
  {
    std::lock_guard lock(channel_.mutex);
    if (channel_.shut_down || !context_) return cancelled;
  }
  QMetaObject::invokeMethod(
      context_,
      [this, slot, fn]() mutable {
        R value = slot->value;
        if (window_ && !channel_.is_shut_down()) value = fn(*window_);
        {
          std::lock_guard lock(channel_.mutex);
          slot->value = value;
          slot->done = true;
        }
        channel_.cv.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(channel_.mutex);
  channel_.cv.wait(lock, [&] { return slot->done || channel_.shut_down; });
  return slot->done ? slot->value : cancelled;
}

template <class F>
void QtConsole::send(F fn) {
  if (on_gui_thread()) {
    if (window_) fn(*window_);
    return;
  }
  if (!context_ || channel_.is_shut_down()) return;
  QMetaObject::invokeMethod(
      context_,
      [this, fn]() mutable {
        if (window_) fn(*window_);
      },
      Qt::QueuedConnection);
}

void QtConsole::present() {
  if (refresh_queued_.exchange(true)) return;
  send([this](MainWindow& w) {
    refresh_queued_ = false;
    w.refresh();
  });
}

Event QtConsole::wait_event(int timeout_ms) {
  std::unique_lock lock(channel_.mutex);
  auto ready = [&] { return channel_.shut_down || !channel_.events.empty(); };
  if (timeout_ms < 0)
    channel_.cv.wait(lock, ready);
  else
    channel_.cv.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
  if (channel_.shut_down) return Event{EventKind::Quit};
  if (channel_.events.empty()) return Event{EventKind::Timeout};
  Event e = channel_.events.front();
  channel_.events.pop_front();
  if (e.kind == EventKind::Menu) channel_.last_menu = e.code;
  return e;
}

bool QtConsole::event_pending() {
  std::lock_guard lock(channel_.mutex);
  return channel_.shut_down || !channel_.events.empty();
}

void QtConsole::clear_typeahead() {
  // Typed-ahead input: keys, mouse clicks and menu picks. Window events (close box,
  // timer ticks, button clicks) stay.
  std::lock_guard lock(channel_.mutex);
  std::erase_if(channel_.events,
                [](const Event& e) { return e.kind == EventKind::Key || e.kind == EventKind::Menu; });
}

void QtConsole::push_key(int key) {
  {
    std::lock_guard lock(channel_.mutex);
    channel_.events.push_front(Event{EventKind::Key, key});
  }
  channel_.cv.notify_all();
}

int QtConsole::last_menu_event() {
  std::lock_guard lock(channel_.mutex);
  return channel_.last_menu;
}

int QtConsole::open_window(const WindowSpec& desc) {
  return request([desc](MainWindow& w) { return w.open_window(desc); }, -1);
}

void QtConsole::close_window(int handle) {
  send([handle](MainWindow& w) { w.close_window(handle); });
}

void QtConsole::set_window_title(int handle, std::string_view title) {
  send([handle, t = std::string(title)](MainWindow& w) { w.set_window_title(handle, t); });
}

void QtConsole::activate_window(int handle) {
  send([handle](MainWindow& w) { w.activate_window(handle); });
}

int QtConsole::active_window() {
  return request([](MainWindow& w) { return w.active_window(); }, 0);
}

bool QtConsole::set_font(int handle, std::string_view name, int height, int width) {
  return request([handle, n = std::string(name), height, width](MainWindow& w) { return w.set_font(handle, n, height, width); },
                 false);
}

void QtConsole::set_menu(int handle, const std::vector<MenuNode>& menu) {
  send([handle, menu](MainWindow& w) { w.set_menu(handle, menu); });
}

void QtConsole::enable_menu_item(int handle, int id, bool enabled) {
  send([=](MainWindow& w) { w.enable_menu_item(handle, id, enabled); });
}

void QtConsole::remove_menu(int handle) {
  send([handle](MainWindow& w) { w.remove_menu(handle); });
}

void QtConsole::set_status_bar(int handle, const std::vector<StatusPart>& parts) {
  send([handle, parts](MainWindow& w) { w.set_status_bar(handle, parts); });
}

void QtConsole::set_status_text(int handle, int part, std::string_view text) {
  send([handle, part, t = std::string(text)](MainWindow& w) { w.set_status_text(handle, part, t); });
}

void QtConsole::remove_status_bar(int handle) {
  send([handle](MainWindow& w) { w.remove_status_bar(handle); });
}

int QtConsole::create_button(int window, const Rect& cells, std::string_view caption) {
  return request([window, cells, c = std::string(caption)](MainWindow& w) { return w.create_button(window, cells, c); },
                 -1);
}

void QtConsole::destroy_button(int id) {
  send([id](MainWindow& w) { w.destroy_button(id); });
}

void QtConsole::focus_button(int id) {
  send([id](MainWindow& w) { w.focus_button(id); });
}

void QtConsole::enable_button(int id, bool enabled) {
  send([id, enabled](MainWindow& w) { w.enable_button(id, enabled); });
}

int QtConsole::create_text_box(int window, const Rect& cells, std::string_view text) {
  return request(
      [window, cells, t = std::string(text)](MainWindow& w) { return w.create_text_box(window, cells, t); }, -1);
}

void QtConsole::destroy_text_box(int id) {
  send([id](MainWindow& w) { w.destroy_text_box(id); });
}

MessageAnswer QtConsole::message_box(std::string_view text, std::string_view title, MessageIcon icon,
                                     MessageButtons buttons) {
  // Whatever the program painted so far is shown before the box takes the focus.
  present();
  return request([t = std::string(text), ti = std::string(title), icon, buttons](
                     MainWindow& w) { return w.message_box(t, ti, icon, buttons); },
                 MessageAnswer::Closed);
}

void QtConsole::set_timer(int handle, int seconds) {
  send([handle, seconds](MainWindow& w) { w.set_timer(handle, seconds); });
}

std::string QtConsole::clipboard_text() {
  return request(
      [](MainWindow&) { return util::utf8_to_cp1252(QGuiApplication::clipboard()->text().toStdString()); },
      std::string());
}

void QtConsole::set_clipboard_text(std::string_view text) {
  send([t = std::string(text)](MainWindow&) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(util::cp1252_to_utf8(t)));
  });
}

void QtConsole::beep(int, int) {
  // The window system's bell (the X bell under X11): no audio device is assumed.
  send([](MainWindow&) { QApplication::beep(); });
}

std::uint32_t QtConsole::palette(int index) { return channel_.palette(index); }

void QtConsole::set_palette(int index, std::uint32_t rgb) {
  channel_.set_palette(index, rgb);
  present();
}

}  // namespace platform::qt
