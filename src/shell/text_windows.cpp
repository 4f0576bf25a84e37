#include "shell/text_windows.h"

#include <array>
#include <map>
#include <vector>

#include "shell/colours.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "util/codepage.h"

namespace shell {
namespace {

struct SavedRegion {
  platform::Rect rect;
  std::vector<platform::Cell> cells;
};

std::array<TextWindow, 11> g_windows;  // index 1..10
std::map<int, SavedRegion> g_saved;

int number_of(int n) { return n == 0 ? 10 : n; }

void save_region(int n, const platform::Rect& r) {
  g_saved[n] = SavedRegion{r, console().screen().save(r)};
}

void draw_frame(const platform::Rect& r, std::uint8_t attr) {
  static const std::string kFrame = u8"┌─┐│┘─└│"_cp;
  auto& s = console().screen();
  int width = r.right - r.left + 1;
  if (width < 2 || r.bottom <= r.top) return;
  s.write(r.top, r.left, std::string(1, kFrame[0]) + std::string(width - 2, kFrame[1]) + kFrame[2], attr);
  for (int row = r.top + 1; row < r.bottom; ++row) {
    s.write(row, r.left, std::string(1, kFrame[7]), attr);
    s.write(row, r.right, std::string(1, kFrame[3]), attr);
  }
  s.write(r.bottom, r.left, std::string(1, kFrame[6]) + std::string(width - 2, kFrame[5]) + kFrame[4], attr);
}

void reset_colour_pairs() {
  auto& g = G();
  g.COR_1_CLI = "GR+/B";
  g.COR_2_CLI = "W+/B";
  g.COR_INI = "W+/B";
}

std::string expand_repeats(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == 4 && i + 2 < text.size()) {
      out.append(static_cast<unsigned char>(text[i + 1]), text[i + 2]);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

TextWindow* text_window(int n) {
  n = number_of(n);
  return (n >= 1 && n <= 10) ? &g_windows[n] : nullptr;
}

bool text_window_open(int n) { return g_saved.count(number_of(n)) > 0; }

void reset_text_windows() {
  g_saved.clear();
  for (int n = 1; n <= 10; ++n) DEFINEJAN(n, 48, 112, 7, 0, 0, 24, 79, 0);
}

void DEFINEJAN(int n, int attr1, int attr2, int attr3, int top, int left, int bottom, int right, int frame) {
  TextWindow* w = text_window(n);
  if (!w) return;
  w->defined = true;
  w->colour1 = ACHACOR(attr1);
  w->colour2 = ACHACOR(attr2);
  w->colour3 = ACHACOR(attr3);
  w->top = top;
  w->left = left;
  w->bottom = bottom + (frame == 7 ? 2 : 0);
  w->right = right;
  w->frame = frame;
}

void REDEFJAN(int n, int attr1, int attr2, int attr3, int top, int left, int bottom, int right, int frame) {
  DEFINEJAN(n, attr1, attr2, attr3, top, left, bottom, right, frame);
}

void REDFATR(int n, int which, int attribute) {
  TextWindow* w = text_window(n);
  if (!w || !w->defined) return;
  std::string pair = ACHACOR(attribute);
  if (which == 1) w->colour1 = pair;
  else if (which == 2) w->colour2 = pair;
  else if (which == 3) w->colour3 = pair;
}

void ABREJAN(int n) {
  TextWindow* w = text_window(n);
  if (!w || !w->defined) return;
  n = number_of(n);
  FECHAJAN(n);  // opening an open window removes the earlier one first
  int t = w->top, l = w->left, b = w->bottom, r = w->right;
  switch (w->frame) {
    case 1:
      save_region(n, {t - 1, l - 1, b, r});
      draw_frame({t - 1, l - 1, b - 1, r - 1}, attribute_of(w->colour2));
      break;
    case 2:
      save_region(n, {t, l, b, r});
      draw_frame({t, l, b, r}, attribute_of(w->colour2));
      break;
    case 7: save_region(n, {t, l, b + 2, r + 1}); break;
    default: save_region(n, {t, l, b, r});
  }
  console().present();
}

void FECHAJAN(int n) {
  n = number_of(n);
  auto it = g_saved.find(n);
  if (it == g_saved.end()) return;
  console().screen().restore(it->second.rect, it->second.cells);
  g_saved.erase(it);
  console().present();
}

void ESCRJAN(int n, std::string_view raw) {
  reset_colour_pairs();
  TextWindow* w = text_window(n);
  if (!w || !w->defined) return;
  std::string text = expand_repeats(raw);
  w->last_text.clear();
  for (char c : text)
    if (c != 1 && c != 2 && c != 3) w->last_text += c;
  std::uint8_t colours[4] = {0, attribute_of(w->colour1), attribute_of(w->colour2), attribute_of(w->colour3)};
  auto& s = console().screen();
  int limit = w->frame == 0 ? w->right : w->right - 2;
  int row = w->top, col = w->left;
  std::uint8_t current = colours[1];
  static const std::string kShade = u8"░"_cp;
  for (char c : text) {
    if (col > limit) {
      if (w->frame == 7 && row != w->top) s.write(row, col, kShade + kShade, colours[3]);
      col = w->left;
      ++row;
    }
    if (c == 1 || c == 2 || c == 3) {
      current = colours[static_cast<int>(c)];
      continue;
    }
    s.write(row, col, std::string(1, c), current);
    ++col;
  }
  if (w->frame == 7) {
    s.write(row, col, kShade + kShade, colours[3]);
    s.write(row + 1, w->left + 1, std::string(w->right - w->left, kShade[0]), colours[3]);
  }
  console().present();
}

void ESCRLCOL(int n, int row, int col, std::string_view text) {
  reset_colour_pairs();
  TextWindow* w = text_window(n);
  if (!w || !w->defined) return;
  console().screen().write_chars(w->top + row - 1, w->left + col - 1, text);
  console().present();
}

void ESCRATR(int n, int row, int col, int attribute, int length) {
  TextWindow* w = text_window(n);
  if (!w || !w->defined || length <= 0) return;
  int width = w->frame == 0 ? w->right - w->left + 1 : w->right - w->left - 1;
  long start = static_cast<long>(width) * (row - 1) + col - 1;
  if (start < 0 || start >= static_cast<long>(w->last_text.size())) return;
  std::string part = w->last_text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
  console().screen().write(w->top + row - 1, w->left + col - 1, part, attribute_of(ACHACOR(attribute)));
  console().present();
}

std::string REP(int count) {
  return std::string{static_cast<char>(4), static_cast<char>(static_cast<unsigned char>(count))};
}

void ENCHETELA(char ch, const std::string& pair) {
  console().screen().fill(platform::Rect{0, 0, 24, 79}, static_cast<unsigned char>(ch), attribute_of(pair));
  console().present();
}

}  // namespace shell
