#include "util/picture.h"

#include <gtest/gtest.h>

#include "util/codepage.h"

using util::Decimal;
using util::Picture;
using util::TRANSFORM;

TEST(Picture, ParsesFunctionsAndTemplate) {
  Picture p = Picture::parse("@Ez 999,999.99");
  EXPECT_TRUE(p.e);
  EXPECT_TRUE(p.z);
  EXPECT_FALSE(p.r);
  EXPECT_EQ(p.tmpl, "999,999.99");
  p = Picture::parse("@!s52");
  EXPECT_TRUE(p.upper);
  EXPECT_EQ(p.scroll, 52);
  EXPECT_EQ(p.tmpl, "");
  EXPECT_EQ(Picture::parse("@S40").scroll, 40);
  EXPECT_EQ(Picture::parse("@R (99)99999-9999").tmpl, "(99)99999-9999");
  EXPECT_TRUE(Picture::parse("@r 999.999.999-99").r);
  EXPECT_EQ(Picture::parse("@Z99").tmpl, "99");  // no blank before the template
  EXPECT_EQ(Picture::parse("@z999.9").tmpl, "999.9");
  EXPECT_EQ(Picture::parse("@ 99").tmpl, "99");
  EXPECT_EQ(Picture::parse("99").tmpl, "99");
  EXPECT_TRUE(Picture::parse("@K ").k);
  EXPECT_EQ(Picture::parse("@K ").tmpl, "");
  EXPECT_TRUE(Picture::parse("@L 9999").l);
}

TEST(Transform, NumbersWithBrazilianPunctuation) {
  struct Case {
    Decimal value;
    const char* picture;
    const char* shown;
  } cases[] = {
      {1234567.891_dec, "@E 999,999,999.99", "  1.234.567,89"},
      {1234567.891_dec, "999,999,999.99", "  1,234,567.89"},
      {0.5_dec, "@E 999,999.99", "      0,50"},
      {-1234.5_dec, "@E 999,999.99", " -1.234,50"},
      {-5_dec, "@E 999,999.99", "     -5,00"},
      {-123456.78_dec, "@E 999,999.99", "**********"},  // no room for the sign
      {1234567_dec, "@E 999,999.99", "**********"},
      {999999.995_dec, "@E 999,999.99", "**********"},  // rounding carries past the width
      {999999.994_dec, "@E 999,999.99", "999.999,99"},
      {0_dec, "@Ez 999,999,999.99", "              "},
      {0.004_dec, "@EZ 999,999.99", "          "},  // shows as zero: blank
      {0.005_dec, "@EZ 999,999.99", "      0,01"},
      {0_dec, "@E 999,999.99", "      0,00"},
      {0_dec, "@z 99", "  "},
      {5_dec, "@z 99", " 5"},
      {1.5_dec, "@Z99", " 2"},
      {5_dec, "@L 9999", "0005"},
      {-5_dec, "@L 9999", "-005"},
      {1230_dec, "@R ##:##", "12:30"},
      {12.345_dec, "@z 99999.99%", "   12.35%"},
      {27.5_dec, "@E 99.99%", "27,50%"},
      {0.123456_dec, "@z 99.999999", " 0.123456"},
      {1234_dec, "@Ez 99,999,999,999", "         1.234"},
      {5_dec, "@B 9,999", "5    "},
      {0.25_dec, ".99", ".25"},
      {1234.5_dec, "", "1234.5"},
      {1234.5_dec, "@E", "1234,5"},
      {0_dec, "@Z", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TRANSFORM(c.value, c.picture), c.shown) << c.value << " " << c.picture;
}

TEST(Transform, TextTemplates) {
  struct Case {
    std::string text;
    const char* picture;
    std::string shown;
  } cases[] = {
      {"12345678909", "@R 999.999.999-99", "123.456.789-09"},
      {"12345678909", "@r 999.999.999-99", "123.456.789-09"},
      {"123456789", "@R 999.999.999-99", "123.456.789-  "},
      {"12345678000195", "@r 99.999.999/9999-99", "12.345.678/0001-95"},
      {"12345678901201", "@R 999.999.999.999-99", "123.456.789.012-01"},
      {"12345", "@r 99999-999", "12345-   "},
      {"1234567890", "@r 9999999999-99", "1234567890-  "},
      {"abc", "@!", "ABC"},
      {u8"joão da conceição"_cp, "@!", u8"JOÃO DA CONCEIÇÃO"_cp},
      {"ab-cd", "!!-!!", "AB-CD"},  // without @R a literal covers a character
      {"abcd", "!!-!!", "AB-D "},
      {"abcd", "@R !!-!!", "AB-CD"},
      {"abcdefgh", "@S5", "abcde"},
      {"abcdef", "@!s3", "ABC"},
      {"sp", "@r !!", "SP"},
      {"text", "", "text"},
      {"x", "XXX", "x  "},
  };
  for (const Case& c : cases) EXPECT_EQ(TRANSFORM(c.text, c.picture), c.shown) << c.text << " " << c.picture;
}

TEST(Transform, Dates) {
  EXPECT_EQ(TRANSFORM(util::Date::from_ymd(2023, 5, 31), "@D"), "31/05/2023");
  EXPECT_EQ(TRANSFORM(util::Date(), "@D"), "  /  /    ");
}
