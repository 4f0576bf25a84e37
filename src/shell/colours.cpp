#include "shell/colours.h"

#include <array>
#include <cctype>

namespace shell {
namespace {

constexpr std::array<std::string_view, 8> kLetters = {"N", "B", "G", "BG", "R", "BR", "GR", "W"};

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '"' || s[b] == '\'')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '"' || s[e - 1] == '\'')) --e;
  return std::string(s.substr(b, e - b));
}

// One side of a pair: letters then "+" / "*" marks. -1 when unknown.
int colour_number(std::string_view side) {
  std::string letters;
  bool bright = false;
  for (char c : side) {
    char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (u == '+' || u == '*' || u == '$') bright = true;
    else if (u != ' ') letters += u;
  }
  if (letters.empty()) return 0;  // "" is black, as "N"
  for (int i = 0; i < 8; ++i)
    if (letters == kLetters[i]) return i + (bright ? 8 : 0);
  // Reversed letter order is accepted ("GB" for "BG", "RB" for "BR", "RG" for "GR").
  if (letters.size() == 2) {
    std::string rev{letters[1], letters[0]};
    for (int i = 0; i < 8; ++i)
      if (rev == kLetters[i]) return i + (bright ? 8 : 0);
  }
  return -1;
}

}  // namespace

std::string ACHACOR(int attribute) {
  int f = attribute % 16, b = (attribute / 16) % 16;
  std::string out(kLetters[f % 8]);
  if (f >= 8) out += "+";
  out += "/";
  out += kLetters[b % 8];
  if (b >= 8) out += "+";
  return out;
}

std::uint8_t attribute_of(std::string_view pair) {
  std::string p = trim(pair.substr(0, pair.find(',')));
  auto slash = p.find('/');
  int fg = colour_number(std::string_view(p).substr(0, slash));
  int bg = slash == std::string::npos ? 0 : colour_number(std::string_view(p).substr(slash + 1));
  if (fg < 0 || bg < 0) return 7;
  return static_cast<std::uint8_t>(bg * 16 + fg);
}

std::string colour_list_item(std::string_view list, int index) {
  int current = 0;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] == '"') quoted = !quoted;
    if (i == list.size() || (list[i] == ',' && !quoted)) {
      if (current == index) return trim(list.substr(start, i - start));
      ++current;
      start = i + 1;
    }
  }
  return "";
}

int palette_index(std::string_view name) {
  std::string_view n = name.substr(0, std::min(name.find(','), name.find('/')));
  int c = colour_number(n);
  return c;
}

}  // namespace shell
