#pragma once
// Edit masks ("pictures") of entry fields and their display form (TRANSFORM).
//
// A picture is an optional function part "@" + letters, then a blank and a template:
//   "@R 999.999.999-99"   R  the template's literal characters are shown, not stored
//   "@Ez 999,999,999.99"  E  Brazilian number punctuation ("1.234,56"); Z blank when zero
//   "@S40" / "@!s52"      S n  a field scrolling in n columns; !  upper case
//   "@L 9999"             L  leading zeros;  B left-aligned number;  D date;  K (editing only)
//   "99", "!", "X"        a template alone
// Function letters are read in either case. Digits directly after the function letters
// ("@Z99", "@z999.9", "@99") start the template, so a missing blank does not lose it.
//
// Template characters: 9 and # digit positions; ! an upper-case position; X A N L Y any
// character; in a number template "." is the decimal point and "," the thousands separator
// (shown only when a digit stands to its left); every other character is a literal.
#include <string>
#include <string_view>

#include "util/date.h"
#include "util/decimal.h"

namespace util {

struct Picture {
  bool r = false;      // @R
  bool e = false;      // @E
  bool z = false;      // @Z
  bool l = false;      // @L
  bool b = false;      // @B
  bool d = false;      // @D
  bool k = false;      // @K
  bool upper = false;  // @!
  int scroll = 0;      // @S n (0: none)
  std::string tmpl;    // the template, possibly empty

  static Picture parse(std::string_view picture);
  // Characters of the template that take a character of the value (not literals).
  static bool is_position(char c);
};

// Display of a text through a picture. With a template the result has the template's width:
// each position takes the next character of the text (a blank once the text is used up; "!"
// and "@!" in upper case); a literal is shown in its place and, without "@R", covers a
// character of the text. Without a template the text is shown whole ("@!" in upper case);
// "@S n" shows its first n columns.
std::string TRANSFORM(std::string_view text, std::string_view picture);
// Display of a number through a picture: rounded half away from zero to the template's
// decimals, digits right-aligned in the template, a "-" before the first digit, asterisks
// over the whole width when the number does not fit. "@E" swaps the separators to the
// Brazilian form, "@Z" shows blanks when the shown value is zero, "@L" fills with zeros,
// "@B" aligns left. Without a template the number is shown in full ("1234.5"; "1234,5"
// with "@E").
std::string TRANSFORM(Decimal value, std::string_view picture);
// Display of a date: "dd/mm/yyyy" (blank date "  /  /    ").
std::string TRANSFORM(Date value, std::string_view picture);

}  // namespace util
