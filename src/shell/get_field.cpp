#include "shell/get_field.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/keys.h"
#include "shell/context.h"
#include "shell/window_layer.h"

namespace shell {
namespace {

namespace k = platform::keys;

// State of the form being read, for end()/cancel() from key actions.
struct ReadState {
  bool active = false;
  bool end_requested = false;
  bool cancel_requested = false;
  GetField* current = nullptr;
};
ReadState g_read;

bool has_function(const std::string& picture, char f) {
  if (picture.empty() || picture[0] != '@') return false;
  auto space = picture.find(' ');
  std::string funcs = picture.substr(1, space == std::string::npos ? std::string::npos : space - 1);
  for (char c : funcs)
    if (std::toupper(static_cast<unsigned char>(c)) == f) return true;
  return false;
}

std::string template_of(const std::string& picture) {
  if (picture.empty()) return "";
  if (picture[0] != '@') return picture;
  auto space = picture.find(' ');
  return space == std::string::npos ? "" : picture.substr(space + 1);
}

std::string today_text() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[11];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
  return buf;
}

// Whether character c may stand at position pos of the field.
bool accepts(const GetField& f, const std::string& tmpl, std::size_t pos, unsigned char c) {
  char t = pos < tmpl.size() ? tmpl[pos] : 'X';
  if (f.type == 'N') return std::isdigit(c) || c == '-' || c == ',' || c == '.' || c == ' ';
  if (f.type == 'D') return std::isdigit(c);
  if (f.type == 'L') return std::strchr("SsNnTtFfYy", c) != nullptr;
  switch (std::toupper(static_cast<unsigned char>(t))) {
    case '9': return std::isdigit(c) || c == ' ';
    case 'A': return std::isalpha(c) || c >= 128;
    default: return c >= 32;
  }
}

}  // namespace

int GetField::display_width() const {
  switch (type) {
    case 'N': {
      if (width > 0) return width;
      std::string t = template_of(picture);
      return t.empty() ? 10 : static_cast<int>(t.size());
    }
    case 'D': return 10;
    case 'L': return 1;
    default: return static_cast<int>(text.size());
  }
}

std::string GetField::display() const {
  int w = display_width();
  switch (type) {
    case 'N': {
      if (number == 0 && has_function(picture, 'Z')) return std::string(w, ' ');
      char buf[64];
      std::snprintf(buf, sizeof buf, "%*.*f", w, decimals, number);
      std::string s = buf;
      if (decimals > 0)
        for (char& c : s)
          if (c == '.') c = ',';
      return s.size() > static_cast<std::size_t>(w) ? std::string(w, '*') : s;
    }
    case 'D': return text.empty() ? "  /  /    " : text;
    case 'L': return logical ? "S" : "N";
    default: return text;
  }
}

void GetField::assign(const std::string& buffer) {
  switch (type) {
    case 'N': {
      std::string digits;
      for (char c : buffer)
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-') digits += c;
        else if (c == ',' || (c == '.' && decimals > 0 && buffer.find(',') == std::string::npos)) digits += '.';
      number = digits.empty() ? 0 : std::strtod(digits.c_str(), nullptr);
      break;
    }
    case 'D': text = buffer; break;
    case 'L': {
      char c = static_cast<char>(std::toupper(static_cast<unsigned char>(buffer.empty() ? 'N' : buffer[0])));
      logical = c == 'S' || c == 'T' || c == 'Y';
      break;
    }
    default: {
      std::string t = buffer;
      if (has_function(picture, '!'))
        for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      text = t;
    }
  }
}

void GetField::reset_to_empty() {
  switch (type) {
    case 'N': number = 0; break;
    case 'D': text = today_text(); break;
    case 'L': logical = false; break;
    default: text.clear();
  }
}

GetField* current_field() { return g_read.active ? g_read.current : nullptr; }

std::string trimmed_value(const GetField& f) {
  std::string v = f.display();
  auto b = v.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return v.substr(b, v.find_last_not_of(' ') - b + 1);
}

void paste_into_current_field(const std::string& text) {
  GetField* f = current_field();
  if (!f || f->button) return;
  std::string t = text;
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  if (t.find_first_not_of(' ') == std::string::npos) return;
  switch (f->type) {
    case 'C': {
      std::size_t width = f->text.size();
      t.resize(width, ' ');
      f->text = t;
      break;
    }
    case 'D': {
      int d = 0, m = 0, y = 0;
      if (std::sscanf(t.c_str(), "%d/%d/%d", &d, &m, &y) != 3) return;
      if (y < 100) y += 1900 + (y < 50 ? 100 : 0);
      char buf[16];
      std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d, m, y);
      f->text = buf;
      break;
    }
    default: f->assign(t);
  }
  f->changed = true;
}

void end_current_read(bool cancel) {
  if (!g_read.active) return;
  (cancel ? g_read.cancel_requested : g_read.end_requested) = true;
}

bool read_in_progress() { return g_read.active; }

ReadEnd read_fields(std::vector<GetField>& fields, const ReadOptions& options) {
  auto& screen = console().screen();
  ReadState saved = g_read;
  g_read = ReadState{true, false, false};
  struct Restore {
    ReadState s;
    ~Restore() { g_read = s; }
  } restore{saved};

  auto draw = [&](const GetField& f, const std::string& buffer, bool active) {
    screen.write(f.row, f.col, buffer, active ? options.active_colour : options.colour);
  };
  for (auto& f : fields)
    if (!f.button) draw(f, f.display(), false);

  std::size_t index = static_cast<std::size_t>(std::max(0, options.start));
  while (index < fields.size()) {
    if (g_read.cancel_requested) return ReadEnd::Cancelled;
    if (g_read.end_requested) return ReadEnd::Ended;
    GetField& f = fields[index];
    g_read.current = &f;
    if (f.when && !f.when(f)) {
      ++index;
      continue;
    }
    std::string tmpl = template_of(f.picture);
    std::string buffer = f.display();
    int width = f.display_width();
    if (static_cast<int>(buffer.size()) < width) buffer.resize(width, ' ');
    std::size_t pos = 0;
    bool first_key = true;
    enum { Stay, Next, Prev, EndForm, Escape } move = Stay;
    if (f.button) f.button->setFocus();
    screen.set_cursor_shape(f.button ? platform::CursorShape::Hidden : platform::CursorShape::Underline);
    while (move == Stay) {
      if (g_read.cancel_requested) return ReadEnd::Cancelled;
      if (g_read.end_requested) {
        if (!f.button) f.assign(buffer);
        return ReadEnd::Ended;
      }
      if (!f.button) {
        draw(f, buffer, true);
        screen.set_cursor(f.row, f.col + static_cast<int>(pos));
      }
      console().present();
      int key = read_key(-1);
      if (key == 0) continue;
      if (auto action = key_bindings().get(key)) {
        // The action sees the field as typed so far, and may change it.
        if (!f.button) f.assign(buffer);
        action();
        if (!f.button) {
          buffer = f.display();
          if (static_cast<int>(buffer.size()) < width) buffer.resize(width, ' ');
          pos = buffer.empty() ? 0 : std::min(pos, buffer.size() - 1);
        }
        if (g_read.cancel_requested) return ReadEnd::Cancelled;
        if (g_read.end_requested) {
          f.assign(buffer);
          return ReadEnd::Ended;
        }
        continue;
      }
      if (f.button) {
        // A push button's hidden field: Left/Right move like Up/Down, Enter presses it.
        if (key == k::kEnter) {
          f.button->action();
          if (g_read.end_requested || g_read.cancel_requested) continue;
        }
        if (key == k::kLeft || key == k::kUp || key == k::kShiftTab) move = Prev;
        else if (key == k::kRight || key == k::kDown || key == k::kTab) move = Next;
        else if (key == k::kEsc) move = Escape;
        else if (key == k::kCtrlW || key == k::kPgDn) move = EndForm;
        continue;
      }
      switch (key) {
        case k::kEnter: case k::kDown: case k::kTab: move = Next; break;
        case k::kUp: case k::kShiftTab: move = Prev; break;
        case k::kCtrlW: case k::kPgDn: move = EndForm; break;
        case k::kEsc: move = Escape; break;
        case k::kLeft: if (pos > 0) --pos; first_key = false; break;
        case k::kRight: if (pos + 1 < buffer.size()) ++pos; first_key = false; break;
        case k::kHome: pos = 0; first_key = false; break;
        case k::kEnd: {
          auto last = buffer.find_last_not_of(' ');
          pos = last == std::string::npos ? 0 : std::min(last + 1, buffer.size() - 1);
          first_key = false;
          break;
        }
        case k::kBackspace:
          if (pos > 0) {
            --pos;
            buffer.erase(pos, 1);
            buffer += ' ';
          }
          break;
        case k::kDel: buffer.erase(pos, 1); buffer += ' '; break;
        default:
          if (key >= 32 && key < 256 && accepts(f, tmpl, pos, static_cast<unsigned char>(key))) {
            if (first_key && (has_function(f.picture, 'K') || f.type == 'N')) buffer.assign(buffer.size(), ' ');
            char c = static_cast<char>(key);
            bool upper = has_function(f.picture, '!') ||
                         (pos < tmpl.size() && tmpl[pos] == '!');
            if (upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (f.type == 'D' && (pos == 2 || pos == 5)) ++pos;
            if (pos < buffer.size()) buffer[pos] = c;
            f.changed = true;
            if (pos + 1 < buffer.size()) ++pos;
            else move = Next;  // typing past the end leaves the field
            if (f.type == 'D' && (pos == 2 || pos == 5) && buffer[pos] == '/') ++pos;
          }
          first_key = false;
      }
    }
    if (!f.button) {
      f.assign(buffer);
      draw(f, f.display(), false);
    }
    if (move == Escape) {
      if (options.exit_on_esc) return ReadEnd::Escaped;
      continue;
    }
    if (f.valid && move != Prev && !f.valid(f)) continue;  // stays in the field
    if (move == EndForm) return ReadEnd::Confirmed;
    if (move == Prev) {
      index = index == 0 ? 0 : index - 1;
      while (index > 0 && fields[index].when && !fields[index].when(fields[index])) --index;
    } else {
      ++index;
    }
  }
  return ReadEnd::Confirmed;
}

}  // namespace shell
