#include "store/field_value.h"

#include <charconv>
#include <cstdlib>

namespace store {

namespace {
bool is_digit(char c) { return c >= '0' && c <= '9'; }

void strip_leading_zeros(std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == '0') ++i;
  s.erase(0, i);
}

bool is_zero(const Decimal& d) {
  if (!d.int_digits.empty()) return false;
  for (char c : d.frac_digits)
    if (c != '0') return false;
  return true;
}
}  // namespace

std::optional<Decimal> parse_decimal(std::string_view text) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  if (i == n) return std::nullopt;
  Decimal d;
  if (text[i] == '-' || text[i] == '+') {
    d.negative = text[i] == '-';
    ++i;
  }
  while (i < n && text[i] == ' ') ++i;  // "-  5" as some writers pad
  std::size_t digits = 0;
  while (i < n && is_digit(text[i])) {
    d.int_digits += text[i++];
    ++digits;
  }
  if (i < n && (text[i] == '.' || text[i] == ',')) {
    ++i;
    while (i < n && is_digit(text[i])) {
      d.frac_digits += text[i++];
      ++digits;
    }
  }
  if (i != n || digits == 0) return std::nullopt;
  strip_leading_zeros(d.int_digits);
  if (is_zero(d)) d.negative = false;
  return d;
}

Decimal round_decimal(const Decimal& d, int decimals) {
  Decimal r = d;
  if (static_cast<int>(r.frac_digits.size()) <= decimals) {
    r.frac_digits.append(decimals - r.frac_digits.size(), '0');
    return r;
  }
  bool up = r.frac_digits[decimals] >= '5';
  r.frac_digits.resize(decimals);
  if (up) {
    std::string all = r.int_digits + r.frac_digits;
    int k = static_cast<int>(all.size()) - 1;
    while (k >= 0 && all[k] == '9') all[k--] = '0';
    if (k >= 0) ++all[k];
    else all.insert(all.begin(), '1');
    r.int_digits = all.substr(0, all.size() - decimals);
    r.frac_digits = all.substr(all.size() - decimals);
    strip_leading_zeros(r.int_digits);
  }
  if (is_zero(r)) r.negative = false;
  return r;
}

std::string double_to_decimal_text(double v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (res.ec != std::errc()) return "0";
  return std::string(buf, res.ptr);
}

std::optional<std::string> format_number_field(const Decimal& d0, int width, int decimals) {
  Decimal d = round_decimal(d0, decimals);
  std::string body = d.int_digits.empty() ? "0" : d.int_digits;
  if (decimals > 0) body += "." + d.frac_digits;
  if (d.negative) body.insert(body.begin(), '-');
  if (static_cast<int>(body.size()) > width) {
    // A leading "0." may be dropped as dBase does for narrow fields: "-.5".
    if (d.int_digits.empty() && decimals > 0 && static_cast<int>(body.size()) - 1 <= width) {
      body.erase(d.negative ? 1 : 0, 1);
    } else {
      return std::nullopt;
    }
  }
  return std::string(width - body.size(), ' ') + body;
}

StoredNumber read_number_field(std::string_view raw) {
  StoredNumber out;
  bool blank = true;
  for (char c : raw)
    if (c != ' ' && c != '\0') blank = false;
  if (blank) return out;
  // Trailing NULs are written by some tools.
  while (!raw.empty() && raw.back() == '\0') raw.remove_suffix(1);
  if (auto d = parse_decimal(raw)) {
    out.value = *d;
  } else {
    out.valid = false;
  }
  return out;
}

std::string decimal_to_text(const Decimal& d0, int decimals) {
  Decimal d = round_decimal(d0, decimals);
  std::string s = d.negative ? "-" : "";
  s += d.int_digits.empty() ? "0" : d.int_digits;
  if (decimals > 0) s += "." + d.frac_digits;
  return s;
}

std::optional<std::int64_t> decimal_to_units(const Decimal& d0, int decimals) {
  Decimal d = round_decimal(d0, decimals);
  std::string all = d.int_digits + d.frac_digits;
  std::int64_t v = 0;
  for (char c : all) {
    if (v > (INT64_MAX - 9) / 10) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return d.negative ? -v : v;
}

double decimal_to_double(const Decimal& d) {
  std::string s = d.negative ? "-" : "";
  s += d.int_digits.empty() ? "0" : d.int_digits;
  if (!d.frac_digits.empty()) s += "." + d.frac_digits;
  double v = 0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return v;
}

bool valid_dtos(std::string_view s) {
  if (s.size() != 8) return false;
  for (char c : s)
    if (!is_digit(c)) return false;
  int y = std::atoi(std::string(s.substr(0, 4)).c_str());
  int m = (s[4] - '0') * 10 + (s[5] - '0');
  int dd = (s[6] - '0') * 10 + (s[7] - '0');
  if (y < 1 || m < 1 || m > 12 || dd < 1) return false;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int max = days[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) max = 29;
  return dd <= max;
}

}  // namespace store
