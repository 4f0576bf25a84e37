#include "util/date.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace util {
namespace {

constexpr std::int32_t kJdnOfCivilZero = 1721120;  // JDN of 1 March of year 0

// Days of a civil date counted from 1 March of year 0 (Gregorian), and back.
std::int32_t days_from_civil(int y, int m, int d) {
  y -= m <= 2;
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

struct Ymd {
  int y, m, d;
};

Ymd civil_from_days(std::int32_t z) {
  const int era = z / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  const int d = doy - (153 * mp + 2) / 5 + 1;
  const int m = mp + (mp < 10 ? 3 : -9);
  return {yoe + era * 400 + (m <= 2), m, d};
}

Ymd ymd_of(std::int32_t jdn) { return civil_from_days(jdn - kJdnOfCivilZero); }

bool all_blank(std::string_view s) {
  for (char c : s)
    if (c != ' ') return false;
  return true;
}

// Reads 1..max_digits digits at s[i]; -1 when none.
int read_number(std::string_view s, std::size_t& i, int max_digits, int& count) {
  int v = 0;
  count = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && count < max_digits) {
    v = v * 10 + (s[i] - '0');
    ++i;
    ++count;
  }
  return count == 0 ? -1 : v;
}

}  // namespace

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && is_leap_year(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

Date Date::from_ymd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month))
    return Date();
  Date d;
  d.jdn_ = days_from_civil(year, month, day) + kJdnOfCivilZero;
  return d;
}

Date Date::from_jdn(std::int32_t jdn) {
  Date d;
  if (jdn > 0) d.jdn_ = jdn;
  return d;
}

Date Date::today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return from_ymd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

int Date::year() const { return empty() ? 0 : ymd_of(jdn_).y; }
int Date::month() const { return empty() ? 0 : ymd_of(jdn_).m; }
int Date::day() const { return empty() ? 0 : ymd_of(jdn_).d; }
int Date::dow() const { return empty() ? 0 : static_cast<int>((jdn_ + 1) % 7) + 1; }

Date Date::add_months(int n) const {
  if (empty()) return Date();
  Ymd c = ymd_of(jdn_);
  int months = c.y * 12 + (c.m - 1) + n;
  int y = months / 12, m = months % 12 + 1;
  int dim = days_in_month(y, m);
  return from_ymd(y, m, c.d > dim ? dim : c.d);
}

Date Date::end_of_month() const {
  if (empty()) return Date();
  Ymd c = ymd_of(jdn_);
  return from_ymd(c.y, c.m, days_in_month(c.y, c.m));
}

std::string DTOC(Date d) {
  if (d.empty()) return "  /  /    ";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day(), d.month(), d.year());
  return buf;
}

std::string DTOS(Date d) {
  if (d.empty()) return "        ";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year(), d.month(), d.day());
  return buf;
}

Date CTOD(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  int n = 0;
  int day = read_number(text, i, 2, n);
  auto separator = [&] {
    if (i < text.size() && (text[i] == '/' || text[i] == '-' || text[i] == '.')) {
      ++i;
      return true;
    }
    return false;
  };
  if (day < 0 || !separator()) return Date();
  int month = read_number(text, i, 2, n);
  if (month < 0 || !separator()) return Date();
  int year = read_number(text, i, 4, n);
  if (year < 0 || (n != 2 && n != 4)) return Date();
  if (!all_blank(text.substr(i))) return Date();
  if (n == 2) year += year < 50 ? 2000 : 1900;
  return Date::from_ymd(year, month, day);
}

Date STOD(std::string_view text) {
  if (text.size() != 8) return Date();
  int v[3] = {0, 0, 0};
  const int lens[3] = {4, 2, 2};
  std::size_t pos = 0;
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j < lens[k]; ++j, ++pos) {
      char c = text[pos];
      if (c < '0' || c > '9') return Date();
      v[k] = v[k] * 10 + (c - '0');
    }
  }
  return Date::from_ymd(v[0], v[1], v[2]);
}

std::string TRAZ_MES(int month) {
  static constexpr std::array<const char*, 13> kNames = {
      "Janeiro  ", "Fevereiro", "Marco    ", "Abril    ", "Maio     ", "Junho    ", "Julho    ",
      "Agosto   ", "Setembro ", "Outubro  ", "Novembro ", "Dezembro ", "<- Totais ->"};
  if (month < 1 || month > 13) return "";
  return kNames[static_cast<std::size_t>(month - 1)];
}

std::string DIA_SEMANA(Date d) {
  static constexpr std::array<const char*, 7> kNames = {"Domingo",      "Segunda feira", "Terca feira", "Quarta feira",
                                                        "Quinta feira", "Sexta feira",   "Sabado"};
  int w = d.dow();
  return w == 0 ? "" : kNames[static_cast<std::size_t>(w - 1)];
}

}  // namespace util
