#include "util/clock_time.h"

#include <cstdio>

#include "util/decimal.h"

namespace util {
namespace {

std::int64_t part(std::string_view time, std::size_t pos) {
  if (pos >= time.size()) return 0;
  return VAL(time.substr(pos, 2)).to_int();
}

std::int64_t floor_mod(std::int64_t a, std::int64_t m) {
  std::int64_t r = a % m;
  return r < 0 ? r + m : r;
}

std::int64_t floor_div(std::int64_t a, std::int64_t m) { return (a - floor_mod(a, m)) / m; }

}  // namespace

std::int64_t HORA_SEG(std::string_view time) { return part(time, 0) * 3600 + part(time, 3) * 60 + part(time, 6); }

std::string SEG_HORA(std::int64_t seconds) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(floor_mod(floor_div(seconds, 3600), 24)),
                static_cast<int>(floor_mod(floor_div(seconds, 60), 60)), static_cast<int>(floor_mod(seconds, 60)));
  return buf;
}

std::string SEG_HOR_2(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02dD%02dh%02dm", static_cast<int>((seconds / 86400) % 99),
                static_cast<int>((seconds / 3600) % 24), static_cast<int>((seconds / 60) % 60));
  return buf;
}

std::int64_t TEMPO_PAS(std::string_view start, std::string_view end) {
  std::int64_t s = HORA_SEG(start), e = HORA_SEG(end);
  return e < s ? e - s + 86400 : e - s;
}

std::string TEMPO_PAS_HORA(std::string_view start, std::string_view end) { return SEG_HORA(TEMPO_PAS(start, end)); }

}  // namespace util
