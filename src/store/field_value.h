#pragma once
// Conversions between stored field bytes and values. Numbers are stored as text, right
// aligned, as DBF does; they are converted here without binary rounding so that money
// round-trips exactly.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace store {

// A decimal number as text: optional '-', digits, optional '.' and digits.
struct Decimal {
  bool negative = false;
  std::string int_digits;   // without leading zeros ("" for zero)
  std::string frac_digits;  // as many as given
};

// Parses "  -12.50", "+3", ".5", "1e3"-free decimal text; nullopt for anything else.
std::optional<Decimal> parse_decimal(std::string_view text);
// Rounds half away from zero to `decimals` places.
Decimal round_decimal(const Decimal& d, int decimals);
// Shortest decimal text that reads back as this double ("0.1", "2.675", "-3").
std::string double_to_decimal_text(double v);

// Field text of a number: right aligned in `width`, `decimals` places; nullopt when it
// does not fit.
std::optional<std::string> format_number_field(const Decimal& d, int width, int decimals);

// Reading a stored N field: blank is zero; text that is not a number reads as zero
// (as VAL() does) and `valid` says so.
struct StoredNumber {
  Decimal value;
  bool valid = true;
};
StoredNumber read_number_field(std::string_view raw);
// "-1234.50" with exactly `decimals` places.
std::string decimal_to_text(const Decimal& d, int decimals);
// The value times 10^decimals; nullopt on overflow of 64 bits.
std::optional<std::int64_t> decimal_to_units(const Decimal& d, int decimals);
double decimal_to_double(const Decimal& d);

// Dates: "YYYYMMDD" of a real calendar day.
bool valid_dtos(std::string_view s);

}  // namespace store
