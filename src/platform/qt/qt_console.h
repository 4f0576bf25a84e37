#pragma once
// The Console of the Qt front end as the program's thread sees it. Every request goes
// to the GUI thread: those without an answer are queued, those with one are queued and
// waited for; a wait ends with the "cancelled" answer as soon as the window system is
// shut down. A request made on the GUI thread itself is carried out directly (a blocking
// request from a thread to itself would never be served).
#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <memory>

#include "platform/console.h"
#include "platform/qt/channel.h"
#include "platform/qt/main_window.h"

namespace platform::qt {

class QtConsole final : public Console {
 public:
  QtConsole() = default;

  // Connects the console to the GUI: `context` (a GUI-thread object) serves the
  // requests and must outlive every program call; `window` may go away at any time.
  void attach(QObject* context, MainWindow* window);
  Channel& channel() { return channel_; }

  ScreenBuffer& screen() override { return screen_; }
  void present() override;
  Event wait_event(int timeout_ms) override;
  bool event_pending() override;
  void clear_typeahead() override;
  void push_key(int key) override;
  int last_menu_event() override;
  int open_window(const WindowSpec& desc) override;
  void close_window(int handle) override;
  void set_window_title(int handle, std::string_view title) override;
  void activate_window(int handle) override;
  int active_window() override;
  bool set_font(int handle, std::string_view name, int height, int width) override;
  void set_menu(int handle, const std::vector<MenuNode>& menu) override;
  void enable_menu_item(int handle, int id, bool enabled) override;
  void remove_menu(int handle) override;
  void set_status_bar(int handle, const std::vector<StatusPart>& parts) override;
  void set_status_text(int handle, int part, std::string_view text) override;
  void remove_status_bar(int handle) override;
  int create_button(int window, const Rect& cells, std::string_view caption) override;
  void destroy_button(int id) override;
  void focus_button(int id) override;
  void enable_button(int id, bool enabled) override;
  int create_text_box(int window, const Rect& cells, std::string_view text) override;
  void destroy_text_box(int id) override;
  MessageAnswer message_box(std::string_view text, std::string_view title, MessageIcon icon,
                            MessageButtons buttons) override;
  void set_timer(int handle, int seconds) override;
  std::string clipboard_text() override;
  void set_clipboard_text(std::string_view text) override;
  void beep(int frequency_hz, int duration_ms) override;
  std::uint32_t palette(int index) override;
  void set_palette(int index, std::uint32_t rgb) override;

 private:
  bool on_gui_thread() const { return gui_thread_ && QThread::currentThread() == gui_thread_; }
  // Runs fn(window) on the GUI thread and returns its result, or `cancelled` when the
  // window is gone or goes away before answering. Everything fn captures is a copy.
  template <class R, class F>
  R request(F fn, R cancelled);
  // Queues fn(window) for the GUI thread without waiting.
  template <class F>
  void send(F fn);

  ScreenBuffer screen_;
  Channel channel_;
  QObject* context_ = nullptr;
  QThread* gui_thread_ = nullptr;
  QPointer<MainWindow> window_;  // used on the GUI thread only
  std::atomic<bool> refresh_queued_{false};
};

}  // namespace platform::qt
