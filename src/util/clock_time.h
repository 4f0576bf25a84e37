#pragma once
// Time-of-day arithmetic on "hh:mm:ss" texts (idle time and time spent on a declaration).
#include <cstdint>
#include <string>
#include <string_view>

namespace util {

// hh × 3600 + mm × 60 + ss, each part read as a number from positions 1, 4 and 7
// (a part that is not a number counts 0).
std::int64_t HORA_SEG(std::string_view time);
// "hh:mm:ss" of the clock: whole hours modulo 24, minutes and seconds modulo 60. Negative
// counts wrap backwards around the clock (-5 gives "23:59:55").
std::string SEG_HORA(std::int64_t seconds);
// Days, hours and minutes: "ddDhhHmmm" as two-digit days (modulo 99) + "D" + hours
// (modulo 24) + "h" + minutes (modulo 60) + "m"; 90061 gives "01D01h01m".
std::string SEG_HOR_2(std::int64_t seconds);
// Seconds from `start` to `end`, both "hh:mm:ss"; when `end` is earlier than `start`
// midnight has passed and a day is added: ("23:59:00", "00:01:00") gives 120.
std::int64_t TEMPO_PAS(std::string_view start, std::string_view end);
// The same as "hh:mm:ss" (mode 1 of the design's TEMPO_PAS).
std::string TEMPO_PAS_HORA(std::string_view start, std::string_view end);

}  // namespace util
