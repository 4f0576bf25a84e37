#pragma once
// The program's one console and its key bindings (a key code bound to an action
// runs that action wherever the program waits for a key).
#include <functional>
#include <map>

#include "platform/console.h"

namespace shell {

platform::Console& console();
void set_console(platform::Console* console);
bool has_console();

using KeyAction = std::function<void()>;

class KeyBindings {
 public:
  // Binds `action` to `key` (an empty action removes the binding); returns the earlier one.
  KeyAction set(int key, KeyAction action);
  // The action bound to `key`, empty when none or while bindings are suspended.
  KeyAction get(int key) const;
  // SETKEYOFF / SETKEYON: suspend every binding and bring them back, nestable.
  void suspend() { ++suspended_; }
  void resume() {
    if (suspended_ > 0) --suspended_;
  }
  void clear() { actions_.clear(); suspended_ = 0; }

 private:
  std::map<int, KeyAction> actions_;
  int suspended_ = 0;
};

KeyBindings& key_bindings();

// Mouse position of the last mouse key read (screen cells), -1 when none.
struct MousePosition {
  int row = -1, col = -1;
};
MousePosition& last_mouse();

}  // namespace shell
