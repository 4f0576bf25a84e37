#include "util/codepage.h"

#include <array>
#include <unordered_map>

namespace util {
namespace {

constexpr std::array<char32_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C,
    0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6,
    0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

constexpr std::array<char32_t, 32> kCp1252_80_9F = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t cp1252_code_point(unsigned char b) {
  if (b < 0x80 || b >= 0xA0) return b;
  return kCp1252_80_9F[b - 0x80];
}

// Decodes one UTF-8 sequence; malformed bytes are taken one at a time as Latin-1.
char32_t next_code_point(std::string_view s, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (extra == 0 || i + extra >= s.size()) {
    ++i;
    return c;
  }
  char32_t cp = c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return c;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += extra + 1;
  return cp;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

const std::unordered_map<char32_t, unsigned char>& cp850_reverse() {
  static const auto* map = [] {
    auto* m = new std::unordered_map<char32_t, unsigned char>;
    for (int b = 0; b < 128; ++b) (*m)[kCp850High[b]] = static_cast<unsigned char>(0x80 + b);
    return m;
  }();
  return *map;
}

const std::unordered_map<char32_t, unsigned char>& cp1252_reverse() {
  static const auto* map = [] {
    auto* m = new std::unordered_map<char32_t, unsigned char>;
    for (int b = 0x80; b < 0x100; ++b) (*m)[cp1252_code_point(static_cast<unsigned char>(b))] = static_cast<unsigned char>(b);
    return m;
  }();
  return *map;
}

std::string encode(std::string_view utf8, const std::unordered_map<char32_t, unsigned char>& reverse) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = next_code_point(utf8, i);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    auto it = reverse.find(cp);
    out += it == reverse.end() ? '?' : static_cast<char>(it->second);
  }
  return out;
}

}  // namespace

char32_t cp850_code_point(unsigned char byte) { return byte < 0x80 ? byte : kCp850High[byte - 0x80]; }

std::string utf8_to_cp850(std::string_view utf8) { return encode(utf8, cp850_reverse()); }
std::string utf8_to_cp1252(std::string_view utf8) { return encode(utf8, cp1252_reverse()); }

std::string cp850_to_utf8(std::string_view cp850) {
  std::string out;
  out.reserve(cp850.size() * 2);
  for (unsigned char b : cp850) append_utf8(out, cp850_code_point(b));
  return out;
}

std::string cp1252_to_utf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() * 2);
  for (unsigned char b : cp1252) append_utf8(out, cp1252_code_point(b));
  return out;
}

std::string cp1252_to_cp850(std::string_view cp1252) { return utf8_to_cp850(cp1252_to_utf8(cp1252)); }
std::string cp850_to_cp1252(std::string_view cp850) { return utf8_to_cp1252(cp850_to_utf8(cp850)); }

}  // namespace util
