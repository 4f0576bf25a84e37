#pragma once
// Calendar dates of the program (proleptic Gregorian, years 1 to 9999) and their texts:
// "dd/mm/yyyy" on screen and in print, "yyyymmdd" in tables and index keys, and the empty
// date of an unfilled field.
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace util {

bool is_leap_year(int year);
int days_in_month(int year, int month);  // 0 for a month outside 1..12

class Date {
 public:
  constexpr Date() = default;  // the empty date
  // Empty when the day is not a real calendar date.
  static Date from_ymd(int year, int month, int day);
  // Julian day number (1 January 2000 is 2451545); 0 or less gives the empty date.
  static Date from_jdn(std::int32_t jdn);
  static Date today();  // local time of the machine

  constexpr bool empty() const { return jdn_ == 0; }
  constexpr std::int32_t jdn() const { return jdn_; }
  int year() const;   // 0 for the empty date
  int month() const;  // 0 for the empty date
  int day() const;    // 0 for the empty date
  int dow() const;    // 1 Sunday … 7 Saturday; 0 for the empty date

  // The empty date stays empty under arithmetic.
  Date add_days(std::int32_t n) const { return empty() ? Date() : from_jdn(jdn_ + n); }
  // Same day n months later (earlier for negative n), moved back to the month's last day
  // when the month is shorter: 31/01/2023 + 1 month = 28/02/2023.
  Date add_months(int n) const;
  Date end_of_month() const;

  friend Date operator+(Date d, std::int32_t n) { return d.add_days(n); }
  friend Date operator-(Date d, std::int32_t n) { return d.add_days(-n); }
  // Days from b to a; 0 when either is empty.
  friend std::int32_t operator-(Date a, Date b) { return a.empty() || b.empty() ? 0 : a.jdn_ - b.jdn_; }
  // The empty date sorts before every date.
  friend constexpr bool operator==(Date a, Date b) = default;
  friend constexpr std::strong_ordering operator<=>(Date a, Date b) { return a.jdn_ <=> b.jdn_; }

 private:
  std::int32_t jdn_ = 0;
};

// "dd/mm/yyyy"; the empty date gives "  /  /    ".
std::string DTOC(Date d);
// "yyyymmdd"; the empty date gives eight blanks.
std::string DTOS(Date d);
// Reads "dd/mm/yyyy" (also "d/m/yyyy", "-" or "." as separators, and a two-digit year:
// 00–49 are 2000–2049, 50–99 are 1950–1999). Blank or invalid text gives the empty date.
Date CTOD(std::string_view text);
// Reads "yyyymmdd"; blank or invalid text gives the empty date.
Date STOD(std::string_view text);
inline int DOW(Date d) { return d.dow(); }

// Month name padded to nine characters ("Marco    "); 13 gives "<- Totais ->"; other
// numbers give an empty text.
std::string TRAZ_MES(int month);
// Weekday name, Sunday first ("Domingo", "Segunda feira" … "Sabado"); empty date gives "".
std::string DIA_SEMANA(Date d);

}  // namespace util
