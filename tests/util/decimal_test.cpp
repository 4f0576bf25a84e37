#include "util/decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using util::CAR_TO_VAL;
using util::Decimal;
using util::DESPREZA;

namespace {

Decimal dec(std::string_view text) {
  auto v = Decimal::parse(text);
  EXPECT_TRUE(v.has_value()) << text;
  return v.value_or(Decimal());
}

}  // namespace

TEST(Decimal, LiteralsAndParsingAreExact) {
  static_assert(1903.98_dec == Decimal::from_raw(1903980000000000));
  static_assert(0.075_dec + 0.025_dec == 0.1_dec);
  EXPECT_EQ((0.1_dec + 0.2_dec).str(), "0.3");
  EXPECT_EQ(dec("  -1234.5600 ").str(), "-1234.56");
  EXPECT_EQ(dec(".5"), 0.5_dec);
  EXPECT_EQ(dec("+7"), Decimal(7));
  EXPECT_EQ(dec("0.0000000000005"), Decimal::from_raw(1));     // rounded at 12 decimals
  EXPECT_EQ(dec("-0.0000000000004"), Decimal());
  for (std::string_view bad : {"", "  ", "-", ".", "1e5", "1,5", "12a", "1 2", "--1", "123456789012345678901234567"})
    EXPECT_FALSE(Decimal::parse(bad).has_value()) << bad;
}

TEST(Decimal, ArithmeticIsExactAndTruncatesBeyondTwelveDecimals) {
  EXPECT_EQ(1234567.89_dec * 0.275_dec, 339506.16975_dec);
  EXPECT_EQ(Decimal(10) / Decimal(3), 3.333333333333_dec);
  EXPECT_EQ(Decimal(-10) / Decimal(3), -3.333333333333_dec);
  EXPECT_EQ(Decimal(2) / Decimal(-3), -0.666666666666_dec);
  EXPECT_EQ(Decimal(1) / Decimal(0), Decimal());  // a division by zero yields 0
  EXPECT_EQ(-7.5_dec - 2.5_dec, Decimal(-10));
  // Beyond 64-bit intermediates: wide multiplication and division.
  EXPECT_EQ(123456789012345.678_dec * 987654321.123_dec, dec("121932631140013716270893.156394"));
  EXPECT_EQ(99999999999999.99_dec * 1234567.891_dec, dec("123456789099999987654.32109"));
  EXPECT_EQ(dec("100000000000000000000") / Decimal(7), dec("14285714285714285714.285714285714"));
  EXPECT_EQ(-98765432109876.54321_dec / 0.0000031_dec, dec("-31859816809637594583.870967741935"));
  // Out of range saturates instead of wrapping around.
  Decimal huge = dec("100000000000000000000000");
  EXPECT_GT(huge * huge, huge);
  EXPECT_LT(-huge * huge, -huge);
}

TEST(Decimal, ComparesAndConverts) {
  EXPECT_LT(-0.01_dec, Decimal());
  EXPECT_GT(1000000.01_dec, 1000000_dec);
  EXPECT_EQ(std::max(2.5_dec, Decimal(2)), 2.5_dec);
  EXPECT_EQ(Decimal::from_double(2.675), 2.675_dec);  // binary 2.67499999… lands on 2.675
  EXPECT_EQ(Decimal::from_double(0.1 + 0.2), 0.3_dec);
  EXPECT_EQ(Decimal::from_double(-1.0 / 3.0), -0.333333333333_dec);
  EXPECT_EQ(Decimal::from_double(std::nan("")), Decimal());
  EXPECT_EQ(Decimal::from_double(1e30), Decimal());
  EXPECT_DOUBLE_EQ((1234.5_dec).to_double(), 1234.5);
  EXPECT_DOUBLE_EQ((-0.000001_dec).to_double(), -0.000001);
  EXPECT_EQ((-1234.99_dec).to_int(), -1234);
}

TEST(Decimal, RoundsHalfAwayFromZeroAndTruncates) {
  struct Case {
    Decimal x;
    int d;
    Decimal round, trunc;
  } cases[] = {
      {2.675_dec, 2, 2.68_dec, 2.67_dec},     {-2.675_dec, 2, -2.68_dec, -2.67_dec},
      {1.005_dec, 2, 1.01_dec, 1.00_dec},     {0.125_dec, 2, 0.13_dec, 0.12_dec},
      {2.5_dec, 0, Decimal(3), Decimal(2)},   {-2.5_dec, 0, Decimal(-3), Decimal(-2)},
      {1250_dec, -2, Decimal(1300), Decimal(1200)}, {0.4999999_dec, 0, Decimal(), Decimal()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.x.round(c.d), c.round) << c.x << " at " << c.d;
    EXPECT_EQ(c.x.trunc(c.d), c.trunc) << c.x << " at " << c.d;
  }
}

TEST(Despreza, RoundsAtTwoMoreDecimalsThenCuts) {
  struct Case {
    Decimal x;
    int width, d, keep;
    Decimal expected;
  } cases[] = {
      {0.125_dec, 15, 2, 0, 0.12_dec},
      {0.12999_dec, 15, 2, 0, 0.13_dec},
      {10.12999_dec, 15, 2, 0, 10.13_dec},
      {10.12499_dec, 15, 2, 0, 10.12_dec},
      {2.675_dec, 15, 2, 0, 2.67_dec},
      {1.005_dec, 15, 2, 0, 1.00_dec},
      {0.12995_dec, 15, 2, 0, 0.13_dec},  // half at the fourth decimal goes up
      {0.129949_dec, 15, 2, 0, 0.12_dec},
      {-0.12995_dec, 15, 2, 0, -0.13_dec},
      {-2.675_dec, 15, 2, 0, -2.67_dec},
      {123456789.12995_dec, 15, 2, 0, 123456789.13_dec},
      {1234567890.99995_dec, 15, 2, 0, 1234567891.00_dec},
      {123456789012.35_dec, 15, 2, 0, Decimal()},  // "123456789012.3500" is wider than 15
      {9999999999.99995_dec, 15, 2, 0, Decimal()}, // rounding carries into an 11th digit
      {123456789012.34995_dec, 20, 2, 0, 123456789012.35_dec},
      {2.995_dec, 15, 0, 0, Decimal(3)},
      {2.994_dec, 15, 0, 0, Decimal(2)},
      {0.1234567895_dec, 14, 7, 1, 0.123456790_dec},  // keep: nine decimals
      {0.12345678949_dec, 14, 7, 1, 0.123456789_dec},
      {0.123456785_dec, 15, 6, 0, 0.123456_dec},       // cut6: rounded at 8, cut at 6
      {0.12345699999_dec, 15, 6, 0, 0.123457_dec},
      {Decimal(1) / Decimal(3), 15, 6, 1, 0.33333333_dec},  // round8
  };
  for (const Case& c : cases)
    EXPECT_EQ(DESPREZA(c.x, c.width, c.d, c.keep), c.expected) << c.x << " w" << c.width << " d" << c.d << " k" << c.keep;
  EXPECT_EQ(DESPREZA(10.12999_dec), 10.13_dec);  // defaults: width 15, two decimals
  EXPECT_EQ(DESPREZA(Decimal::from_double(2.675)), 2.67_dec);
  EXPECT_EQ(DESPREZA(Decimal::from_double(0.12995)), 0.13_dec);  // binary 0.129949999… would cut to 0.12
}

// A quotient truncated at 12 decimals and then rounded by DESPREZA gives the digits of the
// exact quotient rounded half away from zero at four decimals.
TEST(Despreza, QuotientsRoundLikeTheExactFraction) {
  std::mt19937_64 gen(2023);
  std::uniform_int_distribution<long long> num(-100000000, 100000000), den(1, 20000);
  for (int i = 0; i < 20000; ++i) {
    long long a = num(gen), b = den(gen);
    if (i % 3 == 0) b = 8 * (1 + b % 16);  // divisors that give exact halves
    __int128 scaled = static_cast<__int128>(a < 0 ? -a : a) * 10000;
    __int128 q = scaled / b, r = scaled % b;
    if (2 * r >= b) ++q;
    Decimal exact = Decimal::from_raw((a < 0 ? -q : q) * 100000000);
    Decimal got = DESPREZA(Decimal(a) / Decimal(b), 30, 2, 1);
    ASSERT_EQ(got, exact) << a << " / " << b;
  }
}

TEST(CarToVal, ReadsBrazilianPunctuationAsMeant) {
  struct Case {
    std::string_view text;
    Decimal expected;
  } cases[] = {
      {"", Decimal()},
      {"1.000.000,00", Decimal(1000000)},
      {"1.234,56", 1234.56_dec},
      {"1,5", 1.5_dec},
      {"  -1.234,56  ", -1234.56_dec},
      {"- 5", Decimal(-5)},
      {"+7,25", 7.25_dec},
      {",5", 0.5_dec},
      {"12,3x", 12.3_dec},
      {"1.234", Decimal(1234)},
      {"1,2,3", 1.2_dec},
      {"0,125", 0.125_dec},
      {"abc", Decimal()},
      {"R$ 10,00", Decimal()},
      {"-", Decimal()},
      {",", Decimal()},
      {"99999999999999999999999999999,00", Decimal()},  // too large to hold
  };
  for (const Case& c : cases) EXPECT_EQ(CAR_TO_VAL(c.text), c.expected) << '"' << c.text << '"';
  EXPECT_EQ(CAR_TO_VAL(12.5_dec), 12.5_dec);
  EXPECT_EQ(util::VAL(" 12.50abc"), 12.5_dec);
  EXPECT_EQ(util::VAL("x12"), Decimal());
}

TEST(Decimal, FormatsBrazilianAndFixedWidthText) {
  EXPECT_EQ((1234567.891_dec).format_br(2), "1.234.567,89");
  EXPECT_EQ((-0.5_dec).format_br(2), "-0,50");
  EXPECT_EQ(Decimal().format_br(2), "0,00");
  EXPECT_EQ((999.995_dec).format_br(2), "1.000,00");
  EXPECT_EQ((-0.004_dec).format_br(2), "0,00");  // no negative zero
  EXPECT_EQ(Decimal(1000).format_br(0), "1.000");
  EXPECT_EQ((123.4_dec).format_br(4), "123,4000");
  EXPECT_EQ((5.12345_dec).fixed(4), "5.1235");
  EXPECT_EQ(util::STR(5.1234_dec, 6, 4), "5.1234");
  EXPECT_EQ(util::STR(2.5_dec, 3), "  3");
  EXPECT_EQ(util::STR(-2.5_dec, 3), " -3");
  EXPECT_EQ(util::STR(Decimal(12345), 3), "***");
  EXPECT_EQ(util::STRZERO(-1.5_dec, 8, 2), "-0001.50");
  EXPECT_EQ(util::STRZERO(Decimal(42), 5), "00042");
  EXPECT_EQ((-1234.5_dec).str(), "-1234.5");
  EXPECT_EQ((0.000000000001_dec).str(), "0.000000000001");
}

TEST(Decimal, ConvertsToAndFromDbfNumericFields) {
  EXPECT_EQ((12.345_dec).to_field(8, 2), "   12.35");
  EXPECT_EQ((-12.345_dec).to_field(6, 2), "-12.35");
  EXPECT_EQ((-12.345_dec).to_field(5, 2), std::nullopt);
  EXPECT_EQ(Decimal(123456).to_field(5, 0), std::nullopt);
  EXPECT_EQ(Decimal().to_field(4, 0), "   0");
  EXPECT_EQ((0.5_dec).to_field(6, 3), " 0.500");
  EXPECT_EQ(Decimal::from_field("   12.35"), 12.35_dec);
  EXPECT_EQ(Decimal::from_field("-0.50"), -0.5_dec);
  EXPECT_EQ(Decimal::from_field("        "), Decimal());
  EXPECT_EQ(Decimal::from_field("*****"), Decimal());
  EXPECT_EQ(Decimal::from_field("12,50"), Decimal());
  for (Decimal v : {0.01_dec, -999999.99_dec, 123456789012.34_dec}) {
    auto text = v.to_field(17, 2);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), 17u);
    EXPECT_EQ(Decimal::from_field(*text), v);
  }
}
