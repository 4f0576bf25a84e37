#pragma once
// Small routines on single-byte text (CP850 inside the program).
#include <string>
#include <string_view>

namespace util {

// Blanks are the space character only, as in the tables' fixed-width fields.
std::string_view trim(std::string_view s);   // both sides (ALLTRIM)
std::string_view rtrim(std::string_view s);  // trailing blanks (TRIM)
std::string_view ltrim(std::string_view s);  // leading blanks (LTRIM)
// PADR / PADL: cut or filled with blanks to exactly `width` bytes.
std::string pad_right(std::string_view s, std::size_t width, char fill = ' ');
std::string pad_left(std::string_view s, std::size_t width, char fill = ' ');

// Upper case of CP850 text: ASCII letters and the accented letters that have an upper-case
// form in CP850 (ç -> Ç, ã -> Ã, é -> É …).
std::string upper_cp850(std::string_view s);
char upper_cp850(char c);

// Windows letters to the tables' DOS letters (direction 1, the only one in use), by the
// program's fixed table of 25 pairs: á à â é ê í ó ô ú û ç keep their letter, ã and õ become
// the DOS ä and ö, É and Ç keep their accent, the other upper-case accented vowels lose it.
// The result has no trailing blanks; leading blanks and every other character are kept
// (bytes outside the table stay as they are).
std::string AJUS_CAR(std::string_view text, int direction = 1);

}  // namespace util
