#include "shell/text_windows.h"

#include "shell/colours.h"
#include "shell_fixture.h"

using namespace shell;

namespace {
const std::uint8_t kBackground = 0x07;
}

class TextWindowsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    console.screen().fill(platform::Rect{}, '.', kBackground);
  }
};

TEST_F(TextWindowsTest, PlainWindowWrapsAtItsRightEdge) {
  DEFINEJAN(3, 30, 31, 63, 5, 10, 6, 19, 0);  // 10 columns
  ABREJAN(3);
  ESCRJAN(3, "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(text_at(5, 10, 10), "ABCDEFGHIJ");
  EXPECT_EQ(text_at(6, 10, 10), "KLMNOPQRST");
  EXPECT_EQ(text_at(7, 10, 10), "..........");
  EXPECT_EQ(attr_at(5, 10), 30);
}

TEST_F(TextWindowsTest, FramedWindowWrapsTwoColumnsEarlierAndDrawsItsFrame) {
  DEFINEJAN(3, 30, 31, 63, 5, 10, 8, 19, 1);
  ABREJAN(3);
  // Frame type 1: one row above and one column left, bottom-right corner at (b-1, r-1).
  EXPECT_EQ(text_at(4, 9, 10), "┌────────┐");
  EXPECT_EQ(text_at(7, 9, 10), "└────────┘");
  EXPECT_EQ(attr_at(4, 9), 31);
  ESCRJAN(3, "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(text_at(5, 10, 8), "ABCDEFGH");
  EXPECT_EQ(text_at(6, 10, 8), "IJKLMNOP");
  EXPECT_EQ(text_at(7, 10, 4), "QRST");
}

TEST_F(TextWindowsTest, MarkupSwitchesColoursAndRepeats) {
  DEFINEJAN(2, 30, 31, 63, 1, 0, 1, 79, 0);
  ABREJAN(2);
  std::string text = "\x02" + u8"┌"_cp + REP(16) + u8"─"_cp + u8"┐"_cp + "\x01" + "ok" + "\x03" + "!";
  ESCRJAN(2, text);
  EXPECT_EQ(text_at(1, 0, 21), "┌────────────────┐ok!");
  EXPECT_EQ(attr_at(1, 0), 31);
  EXPECT_EQ(attr_at(1, 17), 31);
  EXPECT_EQ(attr_at(1, 18), 30);
  EXPECT_EQ(attr_at(1, 20), 63);
  // The last text keeps the characters without colour bytes, repeats expanded.
  EXPECT_EQ(text_window(2)->last_text.size(), 21u);
}

TEST_F(TextWindowsTest, ShadowedWindowDrawsItsShadow) {
  DEFINEJAN(4, 30, 31, 8, 2, 2, 3, 7, 7);  // 6 columns, text limit 4
  ABREJAN(4);
  ESCRJAN(4, "ABCDEFGH");
  EXPECT_EQ(text_at(2, 2, 6), "ABCD..");
  EXPECT_EQ(text_at(3, 2, 6), "EFGH░░");
  EXPECT_EQ(text_at(4, 2, 6), ".░░░░░");
  EXPECT_EQ(attr_at(3, 6), 8);
}

TEST_F(TextWindowsTest, StackedWindowsRestoreWhatWasUnder) {
  auto before = console.screen().text();
  DEFINEJAN(4, 30, 31, 63, 3, 3, 10, 30, 2);
  DEFINEJAN(5, 79, 31, 63, 6, 20, 12, 50, 0);
  ABREJAN(4);
  ESCRJAN(4, std::string(60, 'x'));
  auto with_four = console.screen().text();
  ABREJAN(5);
  ESCRJAN(5, std::string(31 * 7, 'y'));
  FECHAJAN(5);
  EXPECT_EQ(console.screen().text(), with_four);
  FECHAJAN(4);
  EXPECT_EQ(console.screen().text(), before);
  FECHAJAN(4);  // closing twice is harmless
  EXPECT_EQ(console.screen().text(), before);
}

TEST_F(TextWindowsTest, OpeningTwiceAndClosingOnceRestoresTheFirstBackground) {
  auto before = console.screen().text();
  DEFINEJAN(4, 30, 31, 63, 3, 3, 10, 30, 2);
  ABREJAN(4);
  ESCRJAN(4, "first");
  ABREJAN(4);
  FECHAJAN(4);
  EXPECT_EQ(console.screen().text(), before);
}

TEST_F(TextWindowsTest, AttributePaintingRepaintsTheLastText) {
  DEFINEJAN(6, 30, 31, 63, 10, 10, 12, 19, 0);
  ABREJAN(6);
  ESCRJAN(6, "Item one  Item two  ");
  ESCRLCOL(6, 2, 1, "XXXX");  // characters only: the last text still says "Item"
  ESCRATR(6, 2, 1, 79, 4);
  EXPECT_EQ(text_at(11, 10, 4), "Item");
  EXPECT_EQ(attr_at(11, 10), 79);
  EXPECT_EQ(attr_at(11, 14), 30);
}

TEST_F(TextWindowsTest, UndefinedNumbersDoNothingAndZeroIsTen) {
  auto before = console.screen().text();
  ABREJAN(11);
  ESCRJAN(11, "x");
  FECHAJAN(11);
  EXPECT_EQ(console.screen().text(), before);
  REDFATR(0, 1, 79);
  EXPECT_EQ(text_window(10)->colour1, "W+/R");
}

TEST_F(TextWindowsTest, FillScreen) {
  ENCHETELA('#', "W+/B");
  EXPECT_EQ(text_at(24, 0, 3), "###");
  EXPECT_EQ(attr_at(0, 79), 0x1F);
}
