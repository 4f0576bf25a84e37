#include "util/clock_time.h"

#include <gtest/gtest.h>

TEST(ClockTime, SecondsOfTheDay) {
  EXPECT_EQ(util::HORA_SEG("01:02:05"), 3725);
  EXPECT_EQ(util::HORA_SEG("23:59:59"), 86399);
  EXPECT_EQ(util::HORA_SEG("00:00:00"), 0);
  EXPECT_EQ(util::HORA_SEG(""), 0);
  EXPECT_EQ(util::HORA_SEG("ab:cd:ef"), 0);
  EXPECT_EQ(util::HORA_SEG("10:3"), 10 * 3600 + 3 * 60);
  EXPECT_EQ(util::SEG_HORA(3725), "01:02:05");
  EXPECT_EQ(util::SEG_HORA(0), "00:00:00");
  EXPECT_EQ(util::SEG_HORA(86399), "23:59:59");
  EXPECT_EQ(util::SEG_HORA(86400 + 5), "00:00:05");  // hours modulo 24
  EXPECT_EQ(util::SEG_HORA(-5), "23:59:55");
  for (std::int64_t s = 0; s < 86400; s += 97) ASSERT_EQ(util::HORA_SEG(util::SEG_HORA(s)), s);
}

TEST(ClockTime, DaysHoursMinutes) {
  EXPECT_EQ(util::SEG_HOR_2(90061), "01D01h01m");
  EXPECT_EQ(util::SEG_HOR_2(59), "00D00h00m");
  EXPECT_EQ(util::SEG_HOR_2(98 * 86400 + 23 * 3600 + 59 * 60), "98D23h59m");
  EXPECT_EQ(util::SEG_HOR_2(99 * 86400 + 3600), "00D01h00m");  // days modulo 99
}

TEST(ClockTime, ElapsedAcrossMidnight) {
  struct Case {
    const char *start, *end;
    std::int64_t seconds;
    const char* hms;
  } cases[] = {
      {"23:59:00", "00:01:00", 120, "00:02:00"},
      {"08:00:00", "17:30:15", 34215, "09:30:15"},
      {"10:00:00", "10:00:00", 0, "00:00:00"},
      {"23:00:00", "01:30:00", 9000, "02:30:00"},
      {"00:00:01", "00:00:00", 86399, "23:59:59"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(util::TEMPO_PAS(c.start, c.end), c.seconds) << c.start << " " << c.end;
    EXPECT_EQ(util::TEMPO_PAS_HORA(c.start, c.end), c.hms) << c.start << " " << c.end;
  }
}
