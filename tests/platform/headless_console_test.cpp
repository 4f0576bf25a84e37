#include "platform/headless_console.h"

#include <gtest/gtest.h>

#include "platform/keys.h"

using namespace platform;

TEST(HeadlessConsole, ScriptStepsBecomeKeyCodes) {
  HeadlessConsole c;
  c.add_keys("ENTER, ESC, F1, F2, F10, F12, ALT+T, ALT+I, ALT+V, CTRL+W, UP, PGDN, SHIFT+TAB, ALT+1, TEXT:a\\,b, KEY:279");
  std::vector<int> expected = {13, 27, 28, -1, -9, -41, 276, 279, 303, 23, 5, 3, 271, 376, 'a', ',', 'b', 279};
  for (int want : expected) {
    Event e = c.wait_event(-1);
    ASSERT_EQ(e.kind, EventKind::Key);
    EXPECT_EQ(e.code, want);
  }
  EXPECT_EQ(c.wait_event(-1).kind, EventKind::Quit);  // the script is used up
}

TEST(HeadlessConsole, TextIsTypedInCp850AndUnknownStepsAreRefused) {
  HeadlessConsole c;
  c.add_keys("TEXT:ç");
  EXPECT_EQ(c.wait_event(-1).code, 0x87);
  EXPECT_THROW(c.add_keys("ENTRE"), std::invalid_argument);
  EXPECT_THROW(c.add_answers("TALVEZ"), std::invalid_argument);
}

TEST(HeadlessConsole, MenuPickByTextAndNumber) {
  HeadlessConsole c;
  MenuNode file{0, "&Arquivo", true, false, {MenuNode{1005, "&Terminar (Alt T)", true, false, {}}}};
  c.set_menu(0, {file});
  c.add_keys("PICK:terminar, MENU:1001");
  Event e = c.wait_event(-1);
  EXPECT_EQ(e.kind, EventKind::Menu);
  EXPECT_EQ(e.code, 1005);
  EXPECT_EQ(c.last_menu_event(), 1005);
  EXPECT_EQ(c.wait_event(-1).code, 1001);
  c.add_keys("PICK:Nada");
  EXPECT_THROW(c.wait_event(-1), std::invalid_argument);
}

TEST(HeadlessConsole, MessageBoxesTakeScriptedAnswersThenClose) {
  HeadlessConsole c;
  c.add_answers("YES,N");
  EXPECT_EQ(c.message_box("a", "t", MessageIcon::Question, MessageButtons::YesNo), MessageAnswer::Yes);
  EXPECT_EQ(c.message_box("b", "t", MessageIcon::Question, MessageButtons::YesNo), MessageAnswer::No);
  EXPECT_EQ(c.message_box("c", "t", MessageIcon::Error, MessageButtons::Ok), MessageAnswer::Closed);
  ASSERT_EQ(c.messages().size(), 3u);
  EXPECT_EQ(c.messages()[2].text, "c");
}

TEST(HeadlessConsole, PushedKeysComeFirstAndTypeaheadCanBeCleared) {
  HeadlessConsole c;
  c.add_keys("TEXT:ab");
  EXPECT_TRUE(c.event_pending());
  c.push_key(keys::kEsc);
  EXPECT_EQ(c.wait_event(-1).code, keys::kEsc);
  c.clear_typeahead();  // "ab" had already been typed
  EXPECT_EQ(c.wait_event(-1).kind, EventKind::Quit);
  EXPECT_EQ(c.wait_event(10).kind, EventKind::Timeout);  // a poll just times out
}

TEST(HeadlessConsole, WindowsStackAndControlsGoWithTheirWindow) {
  HeadlessConsole c;
  int a = c.open_window(WindowSpec{Rect{1, 1, 5, 20}, "A", false, false, true, 0x70, ""});
  int b = c.open_window(WindowSpec{Rect{2, 2, 6, 30}, "B", false, false, true, 0x70, ""});
  EXPECT_EQ(c.active_window(), b);
  int button = c.create_button(b, Rect{5, 3, 5, 14}, "Ok");
  c.close_window(b);
  EXPECT_EQ(c.active_window(), a);
  EXPECT_FALSE(c.buttons().count(button));
}
