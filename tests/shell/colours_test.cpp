#include "shell/colours.h"

#include <gtest/gtest.h>

TEST(Colours, AttributeToPairAndBack) {
  struct Case {
    int attr;
    const char* pair;
  } cases[] = {{30, "GR+/B"}, {31, "W+/B"}, {112, "N/W"}, {63, "W+/BG"}, {15, "W+/N"},
               {79, "W+/R"},  {7, "W/N"},   {48, "N/BG"}, {28, "R+/B"},  {255, "W+/W+"}};
  for (const auto& c : cases) {
    EXPECT_EQ(shell::ACHACOR(c.attr), c.pair) << c.attr;
    EXPECT_EQ(shell::attribute_of(c.pair), c.attr) << c.pair;
  }
}

TEST(Colours, PairsWithStarsListsAndNonsense) {
  EXPECT_EQ(shell::attribute_of("R/W*"), 0xF4);        // bright background
  EXPECT_EQ(shell::attribute_of("W+/B,N/W"), 0x1F);    // first pair of a list
  EXPECT_EQ(shell::attribute_of("XX/YY"), 7);          // unparsable: the screen's default
  EXPECT_EQ(shell::colour_list_item("N/W+,W/N,\"N/N\",\"N/N\",N/W+", 2), "N/N");
  EXPECT_EQ(shell::colour_list_item("N/W", 3), "");
  EXPECT_EQ(shell::palette_index("R*"), 12);
  EXPECT_EQ(shell::palette_index("GR$"), 14);
  EXPECT_EQ(shell::palette_index("B/W"), 1);
}
