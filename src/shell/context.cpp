#include "shell/context.h"

#include <stdexcept>

namespace shell {
namespace {
platform::Console* g_console = nullptr;
}

platform::Console& console() {
  if (!g_console) throw std::logic_error("no console: set_console() was not called");
  return *g_console;
}

void set_console(platform::Console* c) { g_console = c; }
bool has_console() { return g_console != nullptr; }

KeyAction KeyBindings::set(int key, KeyAction action) {
  KeyAction earlier;
  if (auto it = actions_.find(key); it != actions_.end()) earlier = it->second;
  if (action) actions_[key] = std::move(action);
  else actions_.erase(key);
  return earlier;
}

KeyAction KeyBindings::get(int key) const {
  if (suspended_ > 0) return {};
  auto it = actions_.find(key);
  return it == actions_.end() ? KeyAction{} : it->second;
}

KeyBindings& key_bindings() {
  static KeyBindings bindings;
  return bindings;
}

MousePosition& last_mouse() {
  static MousePosition position;
  return position;
}

}  // namespace shell
