#pragma once
// The headless front end: scripted keys and message-box answers in; cells, status
// text, windows, menus and every message box shown out. Tests and automation drive
// the whole program through it.
//
// When the key script is used up, a wait for the user answers EventKind::Quit, so a
// scripted run always ends. A message box with no scripted answer left is answered
// MessageAnswer::Closed, as if its close box had been clicked.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/console.h"

namespace platform {

struct ShownMessage {
  std::string title;  // Windows-1252, as the program gave it
  std::string text;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  MessageAnswer answer = MessageAnswer::Closed;
};

struct HeadlessWindow {
  WindowSpec desc;
  std::vector<MenuNode> menu;
  std::vector<StatusPart> status;
  int timer_seconds = 0;
};

struct HeadlessButton {
  int window = 0;
  Rect cells;
  std::string caption;
  bool enabled = true;
};

// Parses a key script: comma-separated steps such as
//   ENTER, ESC, F2, ALT+T, CTRL+W, UP, PGDN, TEXT:abc, KEY:279, MENU:1005, PICK:Terminar, BUTTON:2, CLOSE
// TEXT takes UTF-8 and types CP850 bytes; PICK finds a menu item by its text without '&'
// at the moment it is read. Throws std::invalid_argument naming a step it does not know.
std::vector<std::string> split_script(const std::string& script);
// Parses message-box answers: YES, NO, CANCEL, OK, CLOSE (also S, N, I).
std::vector<MessageAnswer> parse_answers(const std::string& script);

class HeadlessConsole : public Console {
 public:
  HeadlessConsole();

  // Script in.
  void add_keys(const std::string& script);  // as split_script
  void add_key(int key);
  void add_event(const Event& event);
  void add_answer(MessageAnswer answer);
  void add_answers(const std::string& script);
  void set_clipboard_for_test(const std::string& text) { clipboard_ = text; }

  // State out.
  const std::vector<ShownMessage>& messages() const { return messages_; }
  std::string status_text(int handle = 0, int part = 0) const;
  const std::map<int, HeadlessWindow>& windows() const { return windows_; }
  const std::map<int, HeadlessButton>& buttons() const { return buttons_; }
  const std::map<int, std::string>& text_boxes() const { return text_boxes_; }
  const std::vector<MenuNode>& menu(int handle = 0) const;
  std::vector<std::pair<int, int>> beeps() const { return beeps_; }
  bool script_done() const { return script_.empty() && events_.empty(); }
  // A readable report: screen rows, status line, message boxes shown (UTF-8).
  std::string report() const;

  // Console
  ScreenBuffer& screen() override { return screen_; }
  void present() override {}
  Event wait_event(int timeout_ms) override;
  bool event_pending() override;
  void clear_typeahead() override;
  void push_key(int key) override;
  int last_menu_event() override { return last_menu_; }
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
  std::string clipboard_text() override { return clipboard_; }
  void set_clipboard_text(std::string_view text) override { clipboard_ = std::string(text); }
  void beep(int frequency_hz, int duration_ms) override { beeps_.emplace_back(frequency_hz, duration_ms); }
  std::uint32_t palette(int index) override;
  void set_palette(int index, std::uint32_t rgb) override;

 private:
  // Turns the next script step into events (PICK is resolved against the menu now).
  bool refill();
  int find_menu_item(const std::vector<MenuNode>& nodes, const std::string& text) const;

  ScreenBuffer screen_;
  std::deque<std::string> script_;
  std::deque<Event> events_;
  std::deque<MessageAnswer> answers_;
  std::vector<ShownMessage> messages_;
  std::map<int, HeadlessWindow> windows_;
  std::vector<int> window_order_;  // opening order; the last is active
  std::map<int, HeadlessButton> buttons_;
  std::map<int, std::string> text_boxes_;
  std::vector<std::pair<int, int>> beeps_;
  std::uint32_t palette_[16];
  std::string clipboard_;
  int next_handle_ = 1;
  int next_control_ = 1;
  int last_menu_ = 0;
};

}  // namespace platform
