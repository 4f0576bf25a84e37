#include "util/text.h"

#include <array>

namespace util {
namespace {

// Windows-1252 byte -> CP850 byte, pair by pair.
constexpr std::array<std::pair<unsigned char, unsigned char>, 25> kWindowsToDos = {{
    {0xE1, 0xA0}, {0xE9, 0x82}, {0xED, 0xA1}, {0xF3, 0xA2}, {0xFA, 0xA3},  // á é í ó ú
    {0xC1, 0x41}, {0xC9, 0x90}, {0xCD, 0x49}, {0xD3, 0x4F}, {0xDA, 0x55},  // Á É Í Ó Ú
    {0xE0, 0x85}, {0xE3, 0x84}, {0xF5, 0x94}, {0xC3, 0x41}, {0xD5, 0x4F},  // à ã õ Ã Õ
    {0xE7, 0x87}, {0xC7, 0x80},                                            // ç Ç
    {0xE2, 0x83}, {0xEA, 0x88}, {0xF4, 0x93}, {0xFB, 0x96},                // â ê ô û
    {0xC2, 0x41}, {0xCA, 0x45}, {0xD4, 0x4F}, {0xDB, 0x55},                // Â Ê Ô Û
}};

constexpr std::array<unsigned char, 256> make_windows_to_dos() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
  for (auto [w, d] : kWindowsToDos) t[w] = d;
  return t;
}
constexpr auto kAjusCar = make_windows_to_dos();

// CP850 lower-case letter -> upper-case letter where CP850 has both.
constexpr std::array<unsigned char, 256> make_upper() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
  for (int c = 'a'; c <= 'z'; ++c) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c - 32);
  constexpr std::pair<unsigned char, unsigned char> kPairs[] = {
      {0x87, 0x80}, {0x81, 0x9A}, {0x82, 0x90}, {0x83, 0xB6}, {0x84, 0x8E}, {0x85, 0xB7}, {0x86, 0x8F},
      {0x88, 0xD2}, {0x89, 0xD3}, {0x8A, 0xD4}, {0x8B, 0xD8}, {0x8C, 0xD7}, {0x8D, 0xDE}, {0x91, 0x92},
      {0x93, 0xE2}, {0x94, 0x99}, {0x95, 0xE3}, {0x96, 0xEA}, {0x97, 0xEB}, {0x9B, 0x9D}, {0xA0, 0xB5},
      {0xA1, 0xD6}, {0xA2, 0xE0}, {0xA3, 0xE9}, {0xA4, 0xA5}, {0xC6, 0xC7}, {0xE4, 0xE5}, {0xEC, 0xED},
      {0xD0, 0xD1}, {0xE7, 0xE8}};
  for (auto [lo, up] : kPairs) t[lo] = up;
  return t;
}
constexpr auto kUpper = make_upper();

}  // namespace

std::string_view rtrim(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string_view ltrim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

std::string_view trim(std::string_view s) { return ltrim(rtrim(s)); }

std::string pad_right(std::string_view s, std::size_t width, char fill) {
  std::string r(s.substr(0, width));
  r.resize(width, fill);
  return r;
}

std::string pad_left(std::string_view s, std::size_t width, char fill) {
  if (s.size() >= width) return std::string(s.substr(0, width));
  return std::string(width - s.size(), fill) + std::string(s);
}

char upper_cp850(char c) { return static_cast<char>(kUpper[static_cast<unsigned char>(c)]); }

std::string upper_cp850(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = upper_cp850(c);
  return r;
}

std::string AJUS_CAR(std::string_view text, int direction) {
  std::string out(rtrim(text));
  if (direction != 1) return out;
  for (char& c : out) c = static_cast<char>(kAjusCar[static_cast<unsigned char>(c)]);
  return out;
}

}  // namespace util
