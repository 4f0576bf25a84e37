#include "util/decimal.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>

namespace util {
namespace {

using Raw = Decimal::Raw;
using U = unsigned __int128;

constexpr Raw kRawMax = static_cast<Raw>(~U(0) >> 1);
constexpr std::uint64_t kOne64 = 1'000'000'000'000ULL;

constexpr U pow10(int n) {
  U p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

U magnitude(Raw r) { return r < 0 ? U(0) - static_cast<U>(r) : static_cast<U>(r); }

// Signed result from a magnitude, saturating outside the range.
Raw with_sign(U m, bool negative) {
  if (m > static_cast<U>(kRawMax)) return negative ? -kRawMax : kRawMax;
  return negative ? -static_cast<Raw>(m) : static_cast<Raw>(m);
}

// Digits of a magnitude, most significant first ("0" for zero).
std::string digits_of(U m) {
  char buf[48];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + static_cast<int>(m % 10));
    m /= 10;
  } while (m != 0);
  std::string s(static_cast<std::size_t>(n), '0');
  for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = buf[n - 1 - i];
  return s;
}

// Magnitude rounded half away from zero at `decimals` (0..12) places, as whole and fraction
// digit strings.
struct Parts {
  bool negative = false;
  std::string whole;
  std::string frac;
};

Parts split(Raw raw, int wanted) {
  if (wanted < 0) wanted = 0;
  int decimals = wanted > Decimal::kScale ? Decimal::kScale : wanted;
  U m = magnitude(raw);
  U unit = pow10(Decimal::kScale - decimals);
  U q = m / unit;
  if ((m % unit) * 2 >= unit && unit > 1) ++q;
  U scale = pow10(decimals);
  Parts p;
  p.negative = raw < 0 && q != 0;
  p.whole = digits_of(q / scale);
  if (decimals > 0) {
    std::string f = digits_of(q % scale);
    p.frac = std::string(static_cast<std::size_t>(decimals) - f.size(), '0') + f;
  }
  p.frac.append(static_cast<std::size_t>(wanted - decimals), '0');
  return p;
}

// 128 × 128 -> 256 bits as four 64-bit limbs, least significant first.
void mul_wide(U a, U b, std::uint64_t out[4]) {
  std::uint64_t a0 = static_cast<std::uint64_t>(a), a1 = static_cast<std::uint64_t>(a >> 64);
  std::uint64_t b0 = static_cast<std::uint64_t>(b), b1 = static_cast<std::uint64_t>(b >> 64);
  U p00 = U(a0) * b0, p01 = U(a0) * b1, p10 = U(a1) * b0, p11 = U(a1) * b1;
  U mid = (p00 >> 64) + static_cast<std::uint64_t>(p01) + static_cast<std::uint64_t>(p10);
  out[0] = static_cast<std::uint64_t>(p00);
  out[1] = static_cast<std::uint64_t>(mid);
  U high = (mid >> 64) + (p01 >> 64) + (p10 >> 64) + static_cast<std::uint64_t>(p11);
  out[2] = static_cast<std::uint64_t>(high);
  out[3] = static_cast<std::uint64_t>((high >> 64) + (p11 >> 64));
}

// a × b ÷ 10^12, truncated; `overflow` when the quotient needs more than 127 bits.
U mul_scaled(U a, U b, bool& overflow) {
  overflow = false;
  if ((a >> 63) == 0 && (b >> 63) == 0) return (a * b) / kOne64;
  std::uint64_t limbs[4];
  mul_wide(a, b, limbs);
  std::uint64_t q[4];
  U rem = 0;
  for (int i = 3; i >= 0; --i) {
    U cur = (rem << 64) | limbs[i];
    q[i] = static_cast<std::uint64_t>(cur / kOne64);
    rem = cur % kOne64;
  }
  if (q[3] != 0 || q[2] != 0 || (q[1] >> 63) != 0) overflow = true;
  return (U(q[1]) << 64) | q[0];
}

// a × 10^12 ÷ b (b != 0), truncated; `overflow` when the quotient needs more than 127 bits.
U div_scaled(U a, U b, bool& overflow) {
  overflow = false;
  constexpr U kFastLimit = ~U(0) / kOne64;
  if (a <= kFastLimit) return (a * kOne64) / b;
  std::uint64_t limbs[4];
  mul_wide(a, kOne64, limbs);  // at most 192 bits
  U rem = 0, q = 0;
  for (int bit = 191; bit >= 0; --bit) {
    rem = (rem << 1) | ((limbs[bit / 64] >> (bit % 64)) & 1);  // rem < b <= 2^127: no loss
    bool take = rem >= b;
    if (take) rem -= b;
    if ((q >> 127) != 0) overflow = true;
    q = (q << 1) | (take ? 1 : 0);
  }
  if ((q >> 127) != 0) overflow = true;
  return q;
}

}  // namespace

Decimal Decimal::from_double(double x) {
  if (!std::isfinite(x) || std::fabs(x) >= 1e26) return Decimal();
  char buf[96];
  auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, kScale);
  if (res.ec != std::errc()) return Decimal();
  auto parsed = parse(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
  return parsed ? *parsed : Decimal();
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
  detail::Scanned s = detail::scan_number(text, '.');
  if (s.length == 0) return std::nullopt;
  for (std::size_t i = s.length; i < text.size(); ++i)
    if (text[i] != ' ' && text[i] != '\t') return std::nullopt;
  return s.value;
}

Decimal Decimal::from_field(std::string_view field) {
  auto v = parse(field);
  return v ? *v : Decimal();
}

double Decimal::to_double() const {
  Raw whole = raw_ / kOne, frac = raw_ % kOne;
  return static_cast<double>(whole) + static_cast<double>(frac) / static_cast<double>(kOne);
}

std::int64_t Decimal::to_int() const {
  Raw whole = raw_ / kOne;
  if (whole > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
  if (whole < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(whole);
}

Decimal Decimal::round(int decimals) const {
  if (decimals >= kScale) return *this;
  if (decimals < -26) return Decimal();
  U unit = pow10(kScale - decimals);
  U m = magnitude(raw_);
  U q = m / unit;
  if ((m % unit) * 2 >= unit) ++q;
  // q * unit may exceed the range only for values at its very edge.
  if (q != 0 && q > static_cast<U>(kRawMax) / unit) return from_raw(raw_ < 0 ? -kRawMax : kRawMax);
  return from_raw(with_sign(q * unit, raw_ < 0));
}

Decimal Decimal::trunc(int decimals) const {
  if (decimals >= kScale) return *this;
  if (decimals < -26) return Decimal();
  Raw unit = static_cast<Raw>(pow10(kScale - decimals));
  return from_raw(raw_ - raw_ % unit);
}

std::string Decimal::str() const {
  Parts p = split(raw_, kScale);
  while (!p.frac.empty() && p.frac.back() == '0') p.frac.pop_back();
  std::string s = p.negative ? "-" : "";
  s += p.whole;
  if (!p.frac.empty()) s += "." + p.frac;
  return s;
}

std::string Decimal::fixed(int decimals) const {
  Parts p = split(raw_, decimals);
  std::string s = p.negative ? "-" : "";
  s += p.whole;
  if (!p.frac.empty()) s += "." + p.frac;
  return s;
}

std::string Decimal::format_br(int decimals) const {
  Parts p = split(raw_, decimals);
  std::string s = p.negative ? "-" : "";
  std::size_t n = p.whole.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) s += '.';
    s += p.whole[i];
  }
  if (!p.frac.empty()) s += "," + p.frac;
  return s;
}

std::optional<std::string> Decimal::to_field(int width, int decimals) const {
  std::string s = fixed(decimals);
  if (width < 0 || s.size() > static_cast<std::size_t>(width)) return std::nullopt;
  return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

Decimal& Decimal::operator*=(Decimal o) {
  bool negative = (raw_ < 0) != (o.raw_ < 0);
  bool overflow = false;
  U m = mul_scaled(magnitude(raw_), magnitude(o.raw_), overflow);
  raw_ = overflow ? (negative ? -kRawMax : kRawMax) : with_sign(m, negative);
  return *this;
}

Decimal& Decimal::operator/=(Decimal o) {
  if (o.raw_ == 0) {
    raw_ = 0;
    return *this;
  }
  bool negative = (raw_ < 0) != (o.raw_ < 0);
  bool overflow = false;
  U m = div_scaled(magnitude(raw_), magnitude(o.raw_), overflow);
  raw_ = overflow ? (negative ? -kRawMax : kRawMax) : with_sign(m, negative);
  return *this;
}

std::ostream& operator<<(std::ostream& out, Decimal d) { return out << d.str(); }

Decimal VAL(std::string_view text) { return detail::scan_number(text, '.').value; }

Decimal CAR_TO_VAL(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  bool point_seen = false;
  for (char c : text) {
    if (c == '.') continue;
    if (c == ',' && !point_seen) {
      plain += '.';
      point_seen = true;
      continue;
    }
    plain += c;
  }
  return detail::scan_number(plain, '.').value;
}

Decimal DESPREZA(Decimal x, int width, int d, int keep) {
  if (d < 0) d = 0;
  Decimal rounded = x.round(d + 2);
  std::string text = rounded.fixed(d + 2);
  if (width < 0 || text.size() > static_cast<std::size_t>(width)) return Decimal();
  return keep != 0 ? rounded : rounded.trunc(d);
}

std::string STR(Decimal x, int width, int decimals) {
  if (width <= 0) return "";
  std::string s = x.fixed(decimals);
  if (s.size() > static_cast<std::size_t>(width)) return std::string(static_cast<std::size_t>(width), '*');
  return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

std::string STRZERO(Decimal x, int width, int decimals) {
  if (width <= 0) return "";
  std::string s = x.fixed(decimals);
  if (s.size() > static_cast<std::size_t>(width)) return std::string(static_cast<std::size_t>(width), '*');
  std::size_t pad = static_cast<std::size_t>(width) - s.size();
  if (!s.empty() && s[0] == '-') return "-" + std::string(pad, '0') + s.substr(1);
  return std::string(pad, '0') + s;
}

}  // namespace util
