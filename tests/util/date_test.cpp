#include "util/date.h"

#include <gtest/gtest.h>

using util::CTOD;
using util::Date;
using util::DTOC;
using util::DTOS;
using util::STOD;

TEST(Date, CalendarFieldsTextsAndWeekday) {
  Date d = Date::from_ymd(2023, 5, 31);
  EXPECT_EQ(DTOC(d), "31/05/2023");
  EXPECT_EQ(DTOS(d), "20230531");
  EXPECT_EQ(d.year(), 2023);
  EXPECT_EQ(d.month(), 5);
  EXPECT_EQ(d.day(), 31);
  EXPECT_EQ(Date::from_ymd(2000, 1, 1).jdn(), 2451545);
  EXPECT_EQ(Date::from_ymd(1970, 1, 1).jdn(), 2440588);
  EXPECT_EQ(util::DIA_SEMANA(d), "Quarta feira");
  EXPECT_EQ(util::DIA_SEMANA(Date::from_ymd(2023, 1, 1)), "Domingo");
  EXPECT_EQ(util::DIA_SEMANA(Date::from_ymd(2023, 1, 7)), "Sabado");
  EXPECT_EQ(util::DIA_SEMANA(Date::from_ymd(2022, 12, 30)), "Sexta feira");
  EXPECT_EQ(util::DIA_SEMANA(Date()), "");
  EXPECT_EQ(util::DOW(Date::from_ymd(2023, 5, 29)), 2);  // Monday
}

TEST(Date, EmptyDate) {
  Date e;
  EXPECT_TRUE(e.empty());
  EXPECT_EQ(DTOC(e), "  /  /    ");
  EXPECT_EQ(DTOS(e), "        ");
  EXPECT_TRUE((e + 5).empty());
  EXPECT_EQ(Date::from_ymd(2023, 1, 1) - e, 0);
  EXPECT_LT(e, Date::from_ymd(1, 1, 1));
  EXPECT_EQ(e.year(), 0);
}

TEST(Date, RejectsDaysThatDoNotExist) {
  EXPECT_TRUE(Date::from_ymd(2023, 2, 29).empty());
  EXPECT_FALSE(Date::from_ymd(2024, 2, 29).empty());
  EXPECT_TRUE(Date::from_ymd(1900, 2, 29).empty());
  EXPECT_FALSE(Date::from_ymd(2000, 2, 29).empty());
  EXPECT_TRUE(Date::from_ymd(2023, 4, 31).empty());
  EXPECT_TRUE(Date::from_ymd(2023, 13, 1).empty());
  EXPECT_TRUE(Date::from_ymd(2023, 0, 1).empty());
  EXPECT_TRUE(Date::from_ymd(0, 1, 1).empty());
}

TEST(Date, ReadsTexts) {
  struct Case {
    std::string_view text;
    std::string dtos;
  } cases[] = {
      {"31/05/2023", "20230531"}, {"1/2/2023", "20230201"},   {"31-05-23", "20230531"},
      {"15.08.99", "19990815"},   {" 01/01/2000 ", "20000101"}, {"  /  /    ", "        "},
      {"", "        "},           {"32/01/2023", "        "}, {"29/02/2023", "        "},
      {"31/05/2023x", "        "}, {"31/05/202", "        "}, {"31052023", "        "},
  };
  for (const Case& c : cases) EXPECT_EQ(DTOS(CTOD(c.text)), c.dtos) << '"' << c.text << '"';
  EXPECT_EQ(STOD("20230531"), Date::from_ymd(2023, 5, 31));
  for (std::string_view bad : {"        ", "2023053", "20231301", "2023-5-1", "202305311"})
    EXPECT_TRUE(STOD(bad).empty()) << bad;
}

TEST(Date, Arithmetic) {
  Date jan31 = Date::from_ymd(2023, 1, 31);
  EXPECT_EQ(jan31.add_months(1), Date::from_ymd(2023, 2, 28));
  EXPECT_EQ(Date::from_ymd(2024, 3, 31).add_months(-1), Date::from_ymd(2024, 2, 29));
  EXPECT_EQ(jan31.add_months(-13), Date::from_ymd(2021, 12, 31));
  EXPECT_EQ(jan31.add_months(11), Date::from_ymd(2023, 12, 31));
  EXPECT_EQ(Date::from_ymd(2023, 12, 31) - Date::from_ymd(2023, 1, 1), 364);
  EXPECT_EQ(jan31 + 1, Date::from_ymd(2023, 2, 1));
  EXPECT_EQ(Date::from_ymd(2024, 3, 1) - 1, Date::from_ymd(2024, 2, 29));
  EXPECT_EQ(Date::from_ymd(2024, 2, 10).end_of_month(), Date::from_ymd(2024, 2, 29));
}

// Every day from 1899 to 2101 converts to its fields and back, the days follow each other,
// weekdays cycle and the DTOS keys sort as the dates do.
TEST(Date, DayNumbersAndFieldsAgreeOverTwoCenturies) {
  Date start = Date::from_ymd(1899, 1, 1);
  Date prev;
  int expected_dow = start.dow();
  for (Date d = start; d.year() < 2102; d = d + 1) {
    ASSERT_EQ(Date::from_ymd(d.year(), d.month(), d.day()), d) << DTOS(d);
    ASSERT_EQ(STOD(DTOS(d)), d);
    ASSERT_EQ(CTOD(DTOC(d)), d);
    ASSERT_EQ(d.dow(), expected_dow);
    expected_dow = expected_dow % 7 + 1;
    if (!prev.empty()) {
      ASSERT_LT(DTOS(prev), DTOS(d));
    }
    prev = d;
  }
}

TEST(MonthNames, PaddedNamesAndTotalsRow) {
  EXPECT_EQ(util::TRAZ_MES(3), "Marco    ");
  EXPECT_EQ(util::TRAZ_MES(2), "Fevereiro");
  EXPECT_EQ(util::TRAZ_MES(13), "<- Totais ->");
  EXPECT_EQ(util::TRAZ_MES(0), "");
  EXPECT_EQ(util::TRAZ_MES(14), "");
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(util::TRAZ_MES(m).size(), 9u) << m;
}
