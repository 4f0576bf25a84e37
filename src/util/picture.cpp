#include "util/picture.h"

#include "util/text.h"

namespace util {
namespace {

bool is_digit_position(char c) { return c == '9' || c == '#'; }

char upper_ascii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

}  // namespace

bool Picture::is_position(char c) {
  switch (c) {
    case '9': case '#': case '!': case 'X': case 'A': case 'N': case 'L': case 'Y':
      return true;
    default:
      return false;
  }
}

Picture Picture::parse(std::string_view picture) {
  Picture p;
  std::size_t i = 0;
  if (!picture.empty() && picture[0] == '@') {
    i = 1;
    while (i < picture.size() && picture[i] != ' ') {
      char c = upper_ascii(picture[i]);
      if ((c >= '0' && c <= '9') || c == '#') break;  // the template follows without a blank
      ++i;
      switch (c) {
        case 'R': p.r = true; break;
        case 'E': p.e = true; break;
        case 'Z': p.z = true; break;
        case 'L': p.l = true; break;
        case 'B': p.b = true; break;
        case 'D': p.d = true; break;
        case 'K': p.k = true; break;
        case '!': p.upper = true; break;
        case 'S':
          p.scroll = 0;
          while (i < picture.size() && picture[i] >= '0' && picture[i] <= '9') {
            p.scroll = p.scroll * 10 + (picture[i] - '0');
            ++i;
          }
          break;
        default: break;  // functions that change nothing on display
      }
    }
    if (i < picture.size() && picture[i] == ' ') ++i;
  }
  p.tmpl = std::string(picture.substr(i));
  return p;
}

std::string TRANSFORM(std::string_view text, std::string_view picture) {
  Picture p = Picture::parse(picture);
  std::string out;
  if (p.tmpl.empty()) {
    out = p.upper ? upper_cp850(text) : std::string(text);
  } else {
    std::size_t j = 0;
    for (char c : p.tmpl) {
      if (Picture::is_position(c)) {
        char ch = j < text.size() ? text[j] : ' ';
        ++j;
        out += (c == '!' || p.upper) ? upper_cp850(ch) : ch;
      } else {
        out += c;
        if (!p.r) ++j;
      }
    }
  }
  if (p.scroll > 0 && out.size() > static_cast<std::size_t>(p.scroll)) out.resize(static_cast<std::size_t>(p.scroll));
  return out;
}

std::string TRANSFORM(Decimal value, std::string_view picture) {
  Picture p = Picture::parse(picture);
  if (p.tmpl.empty()) {
    if (p.z && value.is_zero()) return "";
    std::string s = value.str();
    if (p.e)
      for (char& c : s)
        if (c == '.') c = ',';
    return s;
  }
  const std::string& t = p.tmpl;
  const std::size_t width = t.size();
  const std::size_t point = t.find('.');
  const std::size_t int_end = point == std::string::npos ? width : point;
  int decimals = 0;
  for (std::size_t i = int_end; i < width; ++i)
    if (is_digit_position(t[i])) ++decimals;

  Decimal shown = value.round(decimals);
  if (p.z && shown.is_zero()) return std::string(width, ' ');
  std::string digits = shown.abs().fixed(decimals);
  std::string whole = digits.substr(0, digits.find('.'));
  std::string frac = decimals > 0 ? digits.substr(digits.find('.') + 1) : "";

  std::string out = t;
  const char fill = p.l ? '0' : ' ';
  std::size_t next_frac = 0;
  for (std::size_t i = int_end; i < width; ++i) {
    if (i == point) continue;
    if (is_digit_position(t[i])) out[i] = frac[next_frac++];
  }
  // Whole digits from the right; a lone "0" stays only where the template has room for it.
  std::size_t remaining = whole.size();
  bool lone_zero = whole == "0";
  std::size_t leftmost_digit = int_end;
  std::size_t free_positions = 0;  // filled positions left of the number, for the sign
  for (std::size_t k = int_end; k-- > 0;) {
    char c = t[k];
    if (is_digit_position(c)) {
      if (remaining > 0) {
        out[k] = whole[--remaining];
        leftmost_digit = k;
      } else {
        out[k] = fill;
        ++free_positions;
      }
    } else if (c == ',') {
      if (remaining > 0) {
        out[k] = ',';
      } else if (!p.l) {
        out[k] = ' ';
        ++free_positions;
      }
    }
  }
  if (remaining > 0 && !(lone_zero && remaining == 1 && leftmost_digit == int_end)) return std::string(width, '*');
  if (shown.sign() < 0) {
    if (free_positions == 0) return std::string(width, '*');
    std::size_t at = std::string::npos;
    if (p.l) {
      for (std::size_t k = 0; k < leftmost_digit && at == std::string::npos; ++k)
        if (is_digit_position(t[k]) || t[k] == ',') at = k;
    } else {
      for (std::size_t k = leftmost_digit; k-- > 0;)
        if (out[k] == ' ' && (is_digit_position(t[k]) || t[k] == ',')) {
          at = k;
          break;
        }
    }
    if (at == std::string::npos) return std::string(width, '*');
    out[at] = '-';
  }
  if (p.e) {
    for (std::size_t i = 0; i < width; ++i) {
      if (i == point) out[i] = ',';
      else if (t[i] == ',' && out[i] == ',') out[i] = '.';
    }
  }
  if (p.b) {
    std::string left(ltrim(out));
    out = left + std::string(width - left.size(), ' ');
  }
  return out;
}

std::string TRANSFORM(Date value, std::string_view) { return DTOC(value); }

}  // namespace util
