#pragma once
// Exact decimal numbers: every amount, rate, share and quantity of the program.
//
// A Decimal is a signed 128-bit integer counting units of 10^-12, so every value
// with up to 12 decimals is held exactly and the range is about ±1.7 × 10^26.
//
//   Decimal a = 1903.98_dec;                    // exact literal (no binary fraction)
//   Decimal b = CAR_TO_VAL("1.234,56");          // Brazilian text as typed or imported
//   Decimal c = Decimal::from_field(" 12.50");   // DBF N field text
//   Decimal t = DESPREZA(a * 0.075_dec);         // cut to cents the way the tax rules do
//   t.format_br(2)  -> "142,79"                  // display; STR(t, 15, 2) for fixed width
//
// Arithmetic:
//   +, -            exact (no overflow check: the range is far beyond any amount).
//   *               exact product truncated toward zero at 12 decimals.
//   /               quotient truncated toward zero at 12 decimals; a zero divisor gives 0
//                   (a division by zero in a computation yields 0 and the computation goes on).
//   Truncating × and ÷ keeps later rounding honest: rounding the truncated result half away
//   from zero at 12 decimals or fewer (round, DESPREZA, STR) gives the same digits as
//   rounding the exact result.
//   round(d)        half away from zero at d decimals (d may be negative: tens, hundreds …).
//   trunc(d)        toward zero at d decimals.
// Conversions from double (results of pow/log, never amounts) go through from_double, which
// takes the double's exact binary value rounded at 12 decimals, so 2.675 becomes 2.675.
#include <compare>
#include <concepts>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace util {

class Decimal {
 public:
  using Raw = __int128;
  static constexpr int kScale = 12;
  static constexpr Raw kOne = 1'000'000'000'000;

  constexpr Decimal() = default;
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  constexpr Decimal(T whole) : raw_(static_cast<Raw>(whole) * kOne) {}
  Decimal(double) = delete;  // binary fractions are not exact: use from_double or _dec

  static constexpr Decimal from_raw(Raw raw) {
    Decimal d;
    d.raw_ = raw;
    return d;
  }
  // The double's exact binary value rounded at 12 decimals; NaN, infinities and values out
  // of range give 0.
  static Decimal from_double(double x);
  // Whole text must be one plain number ("-1234.56", "+7", ".5", blanks around it);
  // otherwise nullopt. Decimals beyond 12 are rounded half away from zero.
  static std::optional<Decimal> parse(std::string_view text);
  // A DBF N field: blanks give 0, a plain number reads exactly, anything else (stars of an
  // overflowed field, garbage) gives 0.
  static Decimal from_field(std::string_view field);

  constexpr Raw raw() const { return raw_; }
  double to_double() const;
  std::int64_t to_int() const;  // whole part, toward zero (saturates at the int64 range)

  constexpr bool is_zero() const { return raw_ == 0; }
  constexpr int sign() const { return raw_ < 0 ? -1 : raw_ > 0 ? 1 : 0; }
  constexpr Decimal abs() const { return from_raw(raw_ < 0 ? -raw_ : raw_); }

  Decimal round(int decimals) const;  // half away from zero
  Decimal trunc(int decimals) const;  // toward zero

  // Shortest exact text, '.' as decimal point: "1234.5", "-0.001", "0".
  std::string str() const;
  // Rounded half away from zero to `decimals` places, '.' as decimal point, no padding:
  // fixed(2) of 1234.5 is "1234.50".
  std::string fixed(int decimals) const;
  // Brazilian punctuation: "1.234.567,89" (decimals 2), "-0,50", "1.000" (decimals 0).
  std::string format_br(int decimals = 2) const;
  // The text of a DBF N field of this width and decimals: right-aligned, '.' as decimal
  // point, rounded half away from zero; nullopt when the value does not fit.
  std::optional<std::string> to_field(int width, int decimals) const;

  constexpr Decimal operator-() const { return from_raw(-raw_); }
  constexpr Decimal& operator+=(Decimal o) {
    raw_ += o.raw_;
    return *this;
  }
  constexpr Decimal& operator-=(Decimal o) {
    raw_ -= o.raw_;
    return *this;
  }
  Decimal& operator*=(Decimal o);
  Decimal& operator/=(Decimal o);

  friend constexpr Decimal operator+(Decimal a, Decimal b) { return a += b; }
  friend constexpr Decimal operator-(Decimal a, Decimal b) { return a -= b; }
  friend Decimal operator*(Decimal a, Decimal b) { return a *= b; }
  friend Decimal operator/(Decimal a, Decimal b) { return a /= b; }
  friend constexpr bool operator==(Decimal a, Decimal b) { return a.raw_ == b.raw_; }
  friend constexpr std::strong_ordering operator<=>(Decimal a, Decimal b) {
    return a.raw_ < b.raw_ ? std::strong_ordering::less
                           : a.raw_ > b.raw_ ? std::strong_ordering::greater : std::strong_ordering::equal;
  }

 private:
  Raw raw_ = 0;
};

std::ostream& operator<<(std::ostream& out, Decimal d);

namespace detail {

struct Scanned {
  Decimal value;
  std::size_t length = 0;  // characters taken, 0 when no number starts the text
};

// Reads the number at the start of `text`: blanks, an optional sign (blanks may follow it),
// digits, optionally `point` and more digits. At least one digit is needed. Decimals beyond
// 12 are rounded half away from zero; a whole part of more than 26 digits is not a number.
constexpr Scanned scan_number(std::string_view text, char point) {
  std::size_t i = 0;
  auto blank = [&](std::size_t k) { return k < text.size() && (text[k] == ' ' || text[k] == '\t'); };
  auto digit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
  while (blank(i)) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
    while (blank(i)) ++i;
  }
  Decimal::Raw whole = 0;
  int whole_digits = 0;
  bool any = false;
  while (digit(i)) {
    if (whole != 0 || text[i] != '0') ++whole_digits;
    if (whole_digits > 26) return {};
    whole = whole * 10 + (text[i] - '0');
    any = true;
    ++i;
  }
  Decimal::Raw frac = 0;
  int frac_digits = 0;
  bool round_up = false;
  if (i < text.size() && text[i] == point && (any || digit(i + 1))) {
    ++i;
    while (digit(i)) {
      if (frac_digits < Decimal::kScale) {
        frac = frac * 10 + (text[i] - '0');
        ++frac_digits;
      } else if (frac_digits == Decimal::kScale) {
        round_up = text[i] >= '5';
        ++frac_digits;
      }
      any = true;
      ++i;
    }
  }
  if (!any) return {};
  for (int k = frac_digits < Decimal::kScale ? frac_digits : Decimal::kScale; k < Decimal::kScale; ++k) frac *= 10;
  Decimal::Raw raw = whole * Decimal::kOne + frac + (round_up ? 1 : 0);
  return {Decimal::from_raw(negative ? -raw : raw), i};
}

}  // namespace detail

// Exact literal: 0.075_dec, 1903.98_dec, 27.5_dec. Ill-formed text fails to compile.
consteval Decimal operator""_dec(const char* text) {
  std::string_view s(text);
  detail::Scanned r = detail::scan_number(s, '.');
  if (r.length != s.size()) throw "not a decimal literal";
  return r.value;
}

// xBase VAL: the number at the start of the text ('.' as decimal point); 0 when none.
Decimal VAL(std::string_view text);

// A number typed or imported with Brazilian punctuation: every "." (thousands separator) is
// dropped, the first "," becomes the decimal point and the leading number is taken:
// "1.234,56" -> 1234.56, "12,3x" -> 12.3, " -1.000.000,00 " -> -1000000, "" or "abc" -> 0.
Decimal CAR_TO_VAL(std::string_view text);
inline Decimal CAR_TO_VAL(Decimal value) { return value; }

// ROUND(x, d): half away from zero.
inline Decimal ROUND(Decimal x, int decimals) { return x.round(decimals); }

// Rounding and cutting of the tax rules. x is written with d + 2 decimals in a field of
// `width` characters (rounding half away from zero at d + 2 decimals); without `keep` the
// last two decimals are then dropped, so x is cut to d decimals; with `keep` (non-zero) it
// stays rounded at d + 2 decimals. A value that does not fit the width gives 0.
//   DESPREZA(10.12999) = 10.13, DESPREZA(10.12499) = 10.12, DESPREZA(0.125) = 0.12.
Decimal DESPREZA(Decimal x, int width = 15, int d = 2, int keep = 0);

// xBase STR(x, width, decimals): right-aligned, '.' as decimal point, rounded half away from
// zero; `width` asterisks when the value does not fit.
std::string STR(Decimal x, int width, int decimals = 0);
// STRZERO: as STR with leading zeros ("-0001.50"); asterisks when it does not fit.
std::string STRZERO(Decimal x, int width, int decimals = 0);

}  // namespace util

using util::operator""_dec;
