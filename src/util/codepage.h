#pragma once
// Single-byte text of the program: code page 850 inside (tables, screen) and
// Windows-1252 for native titles and message boxes. UTF-8 exists only in source
// literals and at the window-system boundary.
#include <string>
#include <string_view>

namespace util {

// UTF-8 -> CP850. Characters without a CP850 glyph become '?'.
std::string utf8_to_cp850(std::string_view utf8);
// CP850 -> UTF-8 (every byte has a glyph).
std::string cp850_to_utf8(std::string_view cp850);
// Windows-1252 <-> UTF-8.
std::string utf8_to_cp1252(std::string_view utf8);
std::string cp1252_to_utf8(std::string_view cp1252);
// Windows-1252 -> CP850 (imports of Windows text) and back.
std::string cp1252_to_cp850(std::string_view cp1252);
std::string cp850_to_cp1252(std::string_view cp850);

// Unicode code point of one CP850 byte.
char32_t cp850_code_point(unsigned char byte);

}  // namespace util

// The one way to write a non-ASCII literal: u8"Ação"_cp gives its CP850 bytes.
inline std::string operator""_cp(const char8_t* text, std::size_t size) {
  return util::utf8_to_cp850(std::string_view(reinterpret_cast<const char*>(text), size));
}
inline std::string operator""_cp(const char* text, std::size_t size) {
  return util::utf8_to_cp850(std::string_view(text, size));
}
