#pragma once
// The window system as the program sees it: one character-cell screen with native
// extras (dialog windows over cell rectangles, menu bar, status bar, push buttons,
// a read-only text box, message boxes, timers, clipboard, palette, beep).
//
// Texts: screen cells are CP850; native texts (titles, menus, status bar, message
// boxes, button captions) are Windows-1252. Front ends convert to Unicode at their edge.
//
// Every call is made from the program's own thread. A request that needs an answer
// blocks until the answer comes; when the window that would answer has gone away
// the answer is "cancelled" (MessageAnswer::Closed, EventKind::Quit).
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/screen_buffer.h"

namespace platform {

enum class EventKind {
  Timeout,  // nothing arrived within the wait
  Key,      // code: key code (keys.h); mouse clicks too (row/col set)
  Menu,     // code: menu item number
  Button,   // code: push-button id
  Timer,    // a window's timer ticked; code: window handle
  Close,    // the user asked to close a window (its close box); code: window handle
  Quit,     // the front end is gone: the program must end
};

struct Event {
  EventKind kind = EventKind::Timeout;
  int code = 0;
  int row = -1, col = -1;  // mouse position in screen cells
};

enum class MessageIcon { None, Information, Question, Warning, Error };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel, Closed };

struct MenuNode {
  int id = 0;                 // item number (1001 upwards); 0 for a pop-up heading
  std::string text;           // Windows-1252, '&' marks the accelerator
  bool enabled = true;
  bool separator_after = false;
  std::vector<MenuNode> children;  // non-empty: a pop-up menu
};

struct StatusPart {
  std::string text;  // Windows-1252
  std::string tooltip;
  int width = 0;     // in characters; 0: the text's length
};

struct WindowSpec {
  Rect cells;             // rectangle on the main grid
  std::string title;      // Windows-1252
  bool close_box = false;
  bool system_menu = false;
  bool caption = true;
  std::uint8_t colour = 0x70;  // background attribute of the dialog
  std::string font_name;       // empty: the front end's cell font
};

class Console {
 public:
  virtual ~Console() = default;

  // The cell screen. present() makes the buffer's changes visible.
  virtual ScreenBuffer& screen() = 0;
  virtual void present() = 0;

  // Events. wait_event waits up to timeout_ms (negative: for ever).
  virtual Event wait_event(int timeout_ms) = 0;
  virtual bool event_pending() = 0;
  virtual void clear_typeahead() = 0;
  // Puts a key at the front of the input as if typed (for "type Esc", "type Ctrl+W").
  virtual void push_key(int key) = 0;
  // Number of the last picked menu item (valid after a Menu event or key 1024).
  virtual int last_menu_event() = 0;

  // Native windows. Handle 0 is the main window; open_window returns -1 on failure.
  virtual int open_window(const WindowSpec& desc) = 0;
  virtual void close_window(int handle) = 0;
  virtual void set_window_title(int handle, std::string_view title) = 0;
  virtual void activate_window(int handle) = 0;
  virtual int active_window() = 0;
  // Asks for a font of that cell size; false when the window system refuses it.
  virtual bool set_font(int handle, std::string_view name, int height, int width) = 0;

  // Menu bar of a window; replaces any earlier one.
  virtual void set_menu(int handle, const std::vector<MenuNode>& menu) = 0;
  virtual void enable_menu_item(int handle, int id, bool enabled) = 0;
  virtual void remove_menu(int handle) = 0;

  // Status bar of a window with parts; replaces any earlier one.
  virtual void set_status_bar(int handle, const std::vector<StatusPart>& parts) = 0;
  virtual void set_status_text(int handle, int part, std::string_view text) = 0;
  virtual void remove_status_bar(int handle) = 0;

  // Push buttons and the read-only multi-line text box, placed over cells of a window.
  virtual int create_button(int window, const Rect& cells, std::string_view caption) = 0;
  virtual void destroy_button(int id) = 0;
  virtual void focus_button(int id) = 0;
  virtual void enable_button(int id, bool enabled) = 0;
  virtual int create_text_box(int window, const Rect& cells, std::string_view text) = 0;
  virtual void destroy_text_box(int id) = 0;

  // Modal message box owned by the main window.
  virtual MessageAnswer message_box(std::string_view text, std::string_view title, MessageIcon icon,
                                    MessageButtons buttons) = 0;

  // A window's timer: Timer events every `seconds`; 0 stops it.
  virtual void set_timer(int handle, int seconds) = 0;

  virtual std::string clipboard_text() = 0;          // Windows-1252
  virtual void set_clipboard_text(std::string_view text) = 0;

  virtual void beep(int frequency_hz, int duration_ms) = 0;
  // Palette entries 0..15 as 0xRRGGBB.
  virtual std::uint32_t palette(int index) = 0;
  virtual void set_palette(int index, std::uint32_t rgb) = 0;
};

// Thrown by the program's waits when the front end answered EventKind::Quit: the
// program unwinds to main() and ends.
class FrontEndGone : public std::exception {
 public:
  const char* what() const noexcept override { return "the window system went away"; }
};

// The standard 16-colour palette of the cell screen.
std::uint32_t default_palette(int index);

}  // namespace platform
