#include "platform/headless_console.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/keys.h"
#include "util/codepage.h"

namespace platform {
namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string without_ampersand(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '&') out += c;
  return out;
}

// Key names of the script.
int named_key(const std::string& name) {
  using namespace keys;
  static const std::map<std::string, int> kNames = {
      {"ENTER", kEnter}, {"ESC", kEsc},   {"UP", kUp},       {"DOWN", kDown}, {"LEFT", kLeft},
      {"RIGHT", kRight}, {"HOME", kHome}, {"END", kEnd},     {"PGUP", kPgUp}, {"PGDN", kPgDn},
      {"INS", kIns},     {"DEL", kDel},   {"TAB", kTab},     {"BKSP", kBackspace},
      {"SHIFT+TAB", kShiftTab}, {"SPACE", ' '}};
  if (auto it = kNames.find(name); it != kNames.end()) return it->second;
  auto fkey = [](const std::string& s) -> int {
    if (s.size() < 2 || s[0] != 'F') return 0;
    for (std::size_t i = 1; i < s.size(); ++i)
      if (!std::isdigit(static_cast<unsigned char>(s[i]))) return 0;
    int n = std::stoi(s.substr(1));
    return (n >= 1 && n <= 12) ? n : 0;
  };
  if (int n = fkey(name)) return function_key(n);
  auto with = [&](const std::string& prefix) { return name.rfind(prefix, 0) == 0 ? name.substr(prefix.size()) : ""; };
  if (auto rest = with("ALT+"); !rest.empty()) {
    if (int n = fkey(rest)) return alt_function_key(n);
    if (rest.size() == 1 && std::isalpha(static_cast<unsigned char>(rest[0]))) return alt_letter(rest[0]);
    if (rest.size() == 1 && std::isdigit(static_cast<unsigned char>(rest[0]))) return alt_digit(rest[0] - '0');
  }
  if (auto rest = with("CTRL+"); !rest.empty()) {
    if (int n = fkey(rest)) return ctrl_function_key(n);
    if (rest.size() == 1 && std::isalpha(static_cast<unsigned char>(rest[0]))) return rest[0] - 'A' + 1;
  }
  if (auto rest = with("SHIFT+"); !rest.empty()) {
    if (int n = fkey(rest)) return shift_function_key(n);
  }
  return 0;
}

}  // namespace

std::vector<std::string> split_script(const std::string& script) {
  std::vector<std::string> steps;
  std::string current;
  // TEXT: steps may hold commas only when escaped as "\,".
  for (std::size_t i = 0; i < script.size(); ++i) {
    if (script[i] == '\\' && i + 1 < script.size()) {
      current += script[++i];
    } else if (script[i] == ',') {
      if (!trim(current).empty()) steps.push_back(current);
      current.clear();
    } else {
      current += script[i];
    }
  }
  if (!trim(current).empty()) steps.push_back(current);
  for (auto& s : steps) {
    // Keep the text of TEXT: exactly; trim the others.
    std::string t = trim(s);
    if (upper(t).rfind("TEXT:", 0) == 0) {
      auto pos = s.find(':');
      s = "TEXT:" + s.substr(pos + 1);
    } else {
      s = t;
    }
    std::string u = upper(s);
    bool known = u.rfind("TEXT:", 0) == 0 || u.rfind("KEY:", 0) == 0 || u.rfind("MENU:", 0) == 0 ||
                 u.rfind("PICK:", 0) == 0 || u.rfind("BUTTON:", 0) == 0 || u == "CLOSE" || named_key(u) != 0;
    if (!known) throw std::invalid_argument("unknown key script step: " + s);
  }
  return steps;
}

std::vector<MessageAnswer> parse_answers(const std::string& script) {
  std::vector<MessageAnswer> out;
  std::stringstream in(script);
  std::string item;
  while (std::getline(in, item, ',')) {
    std::string u = upper(trim(item));
    if (u.empty()) continue;
    if (u == "YES" || u == "S") out.push_back(MessageAnswer::Yes);
    else if (u == "NO" || u == "N") out.push_back(MessageAnswer::No);
    else if (u == "CANCEL" || u == "I") out.push_back(MessageAnswer::Cancel);
    else if (u == "OK") out.push_back(MessageAnswer::Ok);
    else if (u == "CLOSE") out.push_back(MessageAnswer::Closed);
    else throw std::invalid_argument("unknown message-box answer: " + item);
  }
  return out;
}

HeadlessConsole::HeadlessConsole() {
  for (int i = 0; i < 16; ++i) palette_[i] = default_palette(i);
  windows_[0] = HeadlessWindow{};
  window_order_.push_back(0);
}

void HeadlessConsole::add_keys(const std::string& script) {
  for (auto& step : split_script(script)) script_.push_back(step);
}

void HeadlessConsole::add_key(int key) { script_.push_back("KEY:" + std::to_string(key)); }

void HeadlessConsole::add_event(const Event& event) {
  // Events go after whatever script is pending.
  while (refill()) {
  }
  events_.push_back(event);
}

void HeadlessConsole::add_answer(MessageAnswer answer) { answers_.push_back(answer); }

void HeadlessConsole::add_answers(const std::string& script) {
  for (auto a : parse_answers(script)) answers_.push_back(a);
}

int HeadlessConsole::find_menu_item(const std::vector<MenuNode>& nodes, const std::string& text) const {
  for (const auto& n : nodes) {
    if (n.children.empty()) {
      std::string item = upper(util::cp1252_to_utf8(without_ampersand(n.text)));
      if (n.id != 0 && item.find(upper(text)) != std::string::npos) return n.id;
    } else if (int id = find_menu_item(n.children, text)) {
      return id;
    }
  }
  return 0;
}

bool HeadlessConsole::refill() {
  if (script_.empty()) return false;
  std::string step = script_.front();
  script_.pop_front();
  std::string u = upper(step);
  auto arg = [&] { return step.substr(step.find(':') + 1); };
  if (u.rfind("TEXT:", 0) == 0) {
    for (unsigned char c : util::utf8_to_cp850(arg())) events_.push_back(Event{EventKind::Key, c});
  } else if (u.rfind("KEY:", 0) == 0) {
    events_.push_back(Event{EventKind::Key, std::stoi(arg())});
  } else if (u.rfind("MENU:", 0) == 0) {
    events_.push_back(Event{EventKind::Menu, std::stoi(arg())});
  } else if (u.rfind("PICK:", 0) == 0) {
    int id = find_menu_item(menu(active_window() == 0 ? 0 : active_window()), arg());
    if (id == 0) id = find_menu_item(menu(0), arg());
    if (id == 0) throw std::invalid_argument("no menu item with the text: " + arg());
    events_.push_back(Event{EventKind::Menu, id});
  } else if (u.rfind("BUTTON:", 0) == 0) {
    events_.push_back(Event{EventKind::Button, std::stoi(arg())});
  } else if (u == "CLOSE") {
    events_.push_back(Event{EventKind::Close, active_window()});
  } else {
    events_.push_back(Event{EventKind::Key, named_key(u)});
  }
  return true;
}

Event HeadlessConsole::wait_event(int timeout_ms) {
  if (events_.empty()) refill();
  if (events_.empty()) {
    if (timeout_ms < 0) return Event{EventKind::Quit};
    // A poll (lock retries, timed waits): let real time pass, as a person would wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeout_ms, 1000)));
    return Event{EventKind::Timeout};
  }
  Event e = events_.front();
  events_.pop_front();
  if (e.kind == EventKind::Menu) last_menu_ = e.code;
  return e;
}

bool HeadlessConsole::event_pending() {
  if (events_.empty()) refill();
  return !events_.empty();
}

void HeadlessConsole::clear_typeahead() {
  // Typed-ahead keys and menu picks are the events already produced; a close-box click
  // or a button press is not typing and stays, as the rest of the script does.
  std::erase_if(events_, [](const Event& e) { return e.kind == EventKind::Key || e.kind == EventKind::Menu; });
}

void HeadlessConsole::push_key(int key) { events_.push_front(Event{EventKind::Key, key}); }

int HeadlessConsole::open_window(const WindowSpec& desc) {
  int handle = next_handle_++;
  windows_[handle] = HeadlessWindow{desc, {}, {}, 0};
  window_order_.push_back(handle);
  return handle;
}

void HeadlessConsole::close_window(int handle) {
  if (handle == 0) return;
  windows_.erase(handle);
  std::erase(window_order_, handle);
  std::erase_if(buttons_, [&](const auto& b) { return b.second.window == handle; });
}

void HeadlessConsole::set_window_title(int handle, std::string_view title) {
  if (auto it = windows_.find(handle); it != windows_.end()) it->second.desc.title = std::string(title);
}

void HeadlessConsole::activate_window(int handle) {
  if (!windows_.count(handle)) return;
  std::erase(window_order_, handle);
  window_order_.push_back(handle);
}

int HeadlessConsole::active_window() { return window_order_.empty() ? 0 : window_order_.back(); }

bool HeadlessConsole::set_font(int, std::string_view, int height, int width) {
  // A headless screen "fits" fonts up to the size of a 1280x1024 display.
  return height >= 1 && width >= 1 && height * kRows <= 1024 && width * kCols <= 1280;
}

const std::vector<MenuNode>& HeadlessConsole::menu(int handle) const {
  static const std::vector<MenuNode> kEmpty;
  auto it = windows_.find(handle);
  return it == windows_.end() ? kEmpty : it->second.menu;
}

void HeadlessConsole::set_menu(int handle, const std::vector<MenuNode>& menu) {
  if (auto it = windows_.find(handle); it != windows_.end()) it->second.menu = menu;
}

void HeadlessConsole::enable_menu_item(int handle, int id, bool enabled) {
  auto it = windows_.find(handle);
  if (it == windows_.end()) return;
  std::vector<MenuNode*> stack;
  for (auto& n : it->second.menu) stack.push_back(&n);
  while (!stack.empty()) {
    MenuNode* n = stack.back();
    stack.pop_back();
    if (n->id == id) n->enabled = enabled;
    for (auto& c : n->children) stack.push_back(&c);
  }
}

void HeadlessConsole::remove_menu(int handle) {
  if (auto it = windows_.find(handle); it != windows_.end()) it->second.menu.clear();
}

void HeadlessConsole::set_status_bar(int handle, const std::vector<StatusPart>& parts) {
  if (auto it = windows_.find(handle); it != windows_.end()) it->second.status = parts;
}

void HeadlessConsole::set_status_text(int handle, int part, std::string_view text) {
  auto it = windows_.find(handle);
  if (it == windows_.end() || part < 0 || part >= static_cast<int>(it->second.status.size())) return;
  it->second.status[part].text = std::string(text);
}

void HeadlessConsole::remove_status_bar(int handle) {
  if (auto it = windows_.find(handle); it != windows_.end()) it->second.status.clear();
}

std::string HeadlessConsole::status_text(int handle, int part) const {
  auto it = windows_.find(handle);
  if (it == windows_.end() || part < 0 || part >= static_cast<int>(it->second.status.size())) return "";
  return it->second.status[part].text;
}

int HeadlessConsole::create_button(int window, const Rect& cells, std::string_view caption) {
  int id = next_control_++;
  buttons_[id] = HeadlessButton{window, cells, std::string(caption), true};
  return id;
}

void HeadlessConsole::destroy_button(int id) { buttons_.erase(id); }
void HeadlessConsole::focus_button(int) {}
void HeadlessConsole::enable_button(int id, bool enabled) {
  if (auto it = buttons_.find(id); it != buttons_.end()) it->second.enabled = enabled;
}

int HeadlessConsole::create_text_box(int, const Rect&, std::string_view text) {
  int id = next_control_++;
  text_boxes_[id] = std::string(text);
  return id;
}

void HeadlessConsole::destroy_text_box(int id) { text_boxes_.erase(id); }

MessageAnswer HeadlessConsole::message_box(std::string_view text, std::string_view title, MessageIcon icon,
                                           MessageButtons buttons) {
  MessageAnswer answer = MessageAnswer::Closed;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  messages_.push_back(ShownMessage{std::string(title), std::string(text), icon, buttons, answer});
  return answer;
}

void HeadlessConsole::set_timer(int handle, int seconds) {
  if (auto it = windows_.find(handle); it != windows_.end()) it->second.timer_seconds = seconds;
}

std::uint32_t HeadlessConsole::palette(int index) { return (index >= 0 && index < 16) ? palette_[index] : 0; }
void HeadlessConsole::set_palette(int index, std::uint32_t rgb) {
  if (index >= 0 && index < 16) palette_[index] = rgb;
}

std::string HeadlessConsole::report() const {
  std::ostringstream out;
  out << "--- screen ---\n";
  for (int r = 0; r < kRows; ++r) out << util::cp850_to_utf8(screen_.row_text(r)) << "\n";
  out << "--- status ---\n" << util::cp1252_to_utf8(status_text()) << "\n";
  out << "--- message boxes ---\n";
  static const char* kAnswers[] = {"OK", "YES", "NO", "CANCEL", "CLOSE"};
  for (const auto& m : messages_)
    out << "[" << util::cp1252_to_utf8(m.title) << "] " << util::cp1252_to_utf8(m.text) << " -> "
        << kAnswers[static_cast<int>(m.answer)] << "\n";
  return out.str();
}

}  // namespace platform
