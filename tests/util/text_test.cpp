#include "util/text.h"

#include <gtest/gtest.h>

#include "util/codepage.h"

TEST(AjusCar, WindowsLettersBecomeTheTablesDosLetters) {
  EXPECT_EQ(util::AJUS_CAR("S\xE3o Paulo  ", 1), "S\x84o Paulo");  // ã -> DOS ä
  EXPECT_EQ(util::AJUS_CAR("\xC1GUA", 1), "AGUA");
  EXPECT_EQ(util::AJUS_CAR("JO\xC3O CONCEI\xC7\xC3O", 1), "JOAO CONCEI\x80" "AO");
  EXPECT_EQ(util::AJUS_CAR("   ", 1), "");
  // Leading blanks stay and nothing is lost at the end.
  EXPECT_EQ(util::AJUS_CAR("  Jos\xE9  ", 1), "  Jos\x82");
  // Bytes outside the table are kept.
  EXPECT_EQ(util::AJUS_CAR("a\xF1" "b", 1), "a\xF1" "b");
}

// The 25 pairs: the letters that keep their glyph agree with the general code-page
// conversion; ã and õ become ä and ö; the other upper-case accented vowels lose the accent.
TEST(AjusCar, TableOfPairs) {
  const std::string kept = "\xE1\xE0\xE2\xE9\xEA\xED\xF3\xF4\xFA\xFB\xE7\xC9\xC7";
  for (char c : kept) {
    std::string one(1, c);
    EXPECT_EQ(util::AJUS_CAR(one, 1), util::cp1252_to_cp850(one)) << std::hex << (int)(unsigned char)c;
  }
  EXPECT_EQ(util::AJUS_CAR("\xE3\xF5", 1), u8"äö"_cp);
  EXPECT_EQ(util::AJUS_CAR("\xC1\xCD\xD3\xDA\xC3\xD5\xC2\xCA\xD4\xDB", 1), "AIOUAOAEOU");
}

TEST(Text, TrimAndPad) {
  EXPECT_EQ(util::trim("  a b  "), "a b");
  EXPECT_EQ(util::rtrim("  a  "), "  a");
  EXPECT_EQ(util::ltrim("  a  "), "a  ");
  EXPECT_EQ(util::pad_right("abc", 5), "abc  ");
  EXPECT_EQ(util::pad_right("abcdef", 3), "abc");
  EXPECT_EQ(util::pad_left("7", 3, '0'), "007");
}

// Every CP850 lower-case letter whose upper-case form exists in CP850 is raised to it,
// and nothing else changes.
TEST(Text, UpperCaseOfCp850) {
  EXPECT_EQ(util::upper_cp850(u8"ação é úTIL ôõü ñ ç 1-2"_cp), u8"AÇÃO É ÚTIL ÔÕÜ Ñ Ç 1-2"_cp);
  for (int b = 0; b < 256; ++b) {
    char32_t cp = util::cp850_code_point(static_cast<unsigned char>(b));
    char32_t up = util::cp850_code_point(static_cast<unsigned char>(util::upper_cp850(static_cast<char>(b))));
    bool latin_lower = (cp >= U'a' && cp <= U'z') || (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7);
    if (latin_lower) {
      char32_t want = cp - 0x20;  // the upper-case letter, when CP850 has it
      bool present = false;
      for (int k = 0; k < 256; ++k)
        if (util::cp850_code_point(static_cast<unsigned char>(k)) == want) present = true;
      EXPECT_EQ(up, present ? want : cp) << "byte " << b;
    } else {
      EXPECT_EQ(up, cp) << "byte " << b;
    }
  }
}
