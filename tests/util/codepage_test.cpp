#include "util/codepage.h"

#include <gtest/gtest.h>

TEST(Codepage, LiteralsBecomeCp850Bytes) {
  EXPECT_EQ(u8"Ação"_cp, std::string("A\x87\xC6o"));
  EXPECT_EQ(u8"┌─┐│┘└░■"_cp, std::string("\xDA\xC4\xBF\xB3\xD9\xC0\xB0\xFE"));
  EXPECT_EQ(u8"€"_cp, "?");  // no glyph in CP850
}

TEST(Codepage, RoundTripsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(util::utf8_to_cp850(util::cp850_to_utf8(all)), all);
  std::string high = all.substr(0xA0);
  EXPECT_EQ(util::utf8_to_cp1252(util::cp1252_to_utf8(high)), high);
}

TEST(Codepage, WindowsTextConvertsToCp850) {
  EXPECT_EQ(util::cp1252_to_cp850("Jo\xE3o"), std::string("Jo\xC6o"));
  EXPECT_EQ(util::cp850_to_cp1252(std::string("Jo\xC6o")), "Jo\xE3o");
}

TEST(Codepage, MalformedUtf8IsTakenByteByByte) {
  EXPECT_EQ(util::utf8_to_cp850("a\xC3"), std::string("a\xC7"));  // stray byte read as Latin-1
}
