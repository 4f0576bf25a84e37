#include "shell/window_layer.h"

#include "platform/keys.h"
#include "shell_fixture.h"

using namespace shell;
namespace k = platform::keys;

using WindowLayerTest = ShellTest;

TEST_F(WindowLayerTest, ClosingOutOfOrderIsRefused) {
  LDialog* first = LDLGSHOW(2, 2, 10, 40, "Primeira");
  LDialog* second = LDLGSHOW(4, 4, 12, 44, "Segunda");
  EXPECT_FALSE(first->close());
  EXPECT_EQ(util::cp1252_to_utf8(console.messages().back().text), ":close() window ignored. :nHandle not active.");
  EXPECT_EQ(LWINDOWACTIVE(), second);
  LDLGCLOSE();
  EXPECT_EQ(LWINDOWACTIVE(), first);
  LDLGCLOSE();
  EXPECT_EQ(LWINDOWACTIVE(), &LWindowMain::load());
  EXPECT_EQ(console.windows().size(), 1u);  // only the main window is left
}

TEST_F(WindowLayerTest, KeyBoundThroughADialogGetsItsEarlierActionBack) {
  int which = 0;
  key_bindings().set(k::kF2, [&] { which = 1; });
  LDialog* d = LDLGSHOW(2, 2, 10, 40, "Janela");
  d->setKey(k::kF2, [&] { which = 2; });
  key_bindings().get(k::kF2)();
  EXPECT_EQ(which, 2);
  LDLGCLOSE();
  key_bindings().get(k::kF2)();
  EXPECT_EQ(which, 1);
}

TEST_F(WindowLayerTest, MenuItemsAreNumberedAndPicksRunTheirAction) {
  LWindowMain& main = LWindowMain::load();
  int picked = 0;
  {
    LMenu menu(&main);
    menu.subMenu("&Arquivo");
    LMenuItem* open = menu.menuItem("&Abrir", [&](LMenuItem& item, LDialog&) { picked = item.nSequence; });
    menu.separator();
    menu.menuItem("&Sair", [&](LMenuItem&, LDialog&) { picked = -1; });
    menu.endMenu();
    menu.create();
    EXPECT_EQ(open->nSequence, 1002);
    ASSERT_EQ(console.menu().size(), 1u);
    EXPECT_EQ(console.menu()[0].children.size(), 2u);
    EXPECT_TRUE(console.menu()[0].children[0].separator_after);
    console.add_keys("PICK:Abrir");
    EXPECT_EQ(read_key(-1), 0);  // the hook runs the item and the wait goes on
    EXPECT_EQ(picked, 1002);
    open->disable();
    EXPECT_FALSE(console.menu()[0].children[0].enabled);
  }
  LMenu again(&main);
  EXPECT_EQ(again.menuItem("x")->nSequence, 1001);  // numbers restart for a new menu
}

TEST_F(WindowLayerTest, MisuseShowsDiagnostics) {
  LWindowMain& main = LWindowMain::load();
  LMenu menu(&main);
  menu.menuItem("Sem acao");
  menu.create();
  console.add_event(platform::Event{platform::EventKind::Menu, 1001});
  read_key(-1);
  EXPECT_EQ(last_message_text(), "Error!! Action is not defined in menuItem");
  console.add_event(platform::Event{platform::EventKind::Menu, 2500});
  read_key(-1);
  EXPECT_EQ(last_message_text().rfind("nMenuChecker, nEvent:2500", 0), 0u);
}

TEST_F(WindowLayerTest, ActivateEndsOnEscOrEndAndRunsBoundKeys) {
  LDialog* d = LDLGSHOW(2, 2, 10, 40, "Espera");
  int presses = 0;
  d->setKey(k::kF3, [&] {
    if (++presses == 2) d->end(7);
  });
  console.add_keys("F3,F3,TEXT:z");
  d->activate();
  EXPECT_EQ(presses, 2);
  EXPECT_EQ(d->nExit, 2);
  EXPECT_EQ(d->nEnd, 7);
  console.add_keys("ESC");
  d->activate();
  LDLGCLOSE();
}

TEST_F(WindowLayerTest, FormEndedByAClickRevalidatesAndReopensAtTheFirstFailingField) {
  LDialog* d = LDLGSHOW(2, 2, 12, 60, "Form");
  std::vector<GetField> fields(2);
  fields[0].row = 4, fields[0].col = 10, fields[0].text = "   ";
  fields[1].row = 5, fields[1].col = 10, fields[1].text = "   ";
  int checks = 0;
  fields[0].valid = [&](GetField& f) {
    ++checks;
    return f.text[0] != 'X';
  };
  LButton ok(8, 10, "&Ok", [](LButton&, LDialog& w) { w.end(1); }, d, &fields);
  ok.create();
  ASSERT_EQ(fields.size(), 3u);
  // "X" is typed and the button clicked at once: the re-check sends the cursor back.
  console.add_keys("TEXT:X,BUTTON:" + std::to_string(ok.nId) + ",TEXT:Y,ENTER,ENTER,ENTER");
  EXPECT_EQ(d->readmodal(fields), ReadEnd::Ended);
  EXPECT_EQ(fields[0].text, "Y  ");
  EXPECT_EQ(checks, 3);  // the re-check after the click, leaving the field, the final re-check
  EXPECT_EQ(d->nLastButton, 1);
  EXPECT_TRUE(console.script_done());
  LDLGCLOSE();
}

TEST_F(WindowLayerTest, CloseRefusedWhileAFormIsRead) {
  LDialog* d = LDLGSHOW(2, 2, 12, 60, "Form");
  std::vector<GetField> fields(1);
  fields[0].text = "  ";
  bool refused = false;
  d->setKey(k::kF4, [&] { refused = !d->close(); });
  console.add_keys("F4,ENTER");
  d->readmodal(fields);
  EXPECT_TRUE(refused);
  EXPECT_EQ(last_message_text(), ":close() window ignored. Gets actives, uses :end() or :cancel().");
  LDLGCLOSE();
}

TEST_F(WindowLayerTest, ClipboardKeysPasteAndCopyTheActiveField) {
  LDialog* d = LDLGSHOW(2, 2, 12, 60, "Form");
  std::vector<GetField> fields(2);
  fields[0].text = "     ";
  fields[1].type = 'N';
  fields[1].width = 8;
  fields[1].decimals = 2;
  console.set_clipboard_for_test("Ana Maria");
  // Ctrl+V (22) pastes, cut to the field's width; Ctrl+C (3) copies the value as typed.
  console.add_keys("KEY:22,ENTER,TEXT:12\\,5,KEY:3,ENTER");
  d->readmodal(fields);
  EXPECT_EQ(fields[0].text, "Ana M");
  EXPECT_EQ(fields[1].number, 12.5);
  EXPECT_EQ(console.clipboard_text(), "12,50");
  LDLGCLOSE();
}

TEST_F(WindowLayerTest, StatusBarPartsAndTimerRedraw) {
  int calls = 0;
  LStatusBar* bar = LSBDRAW({"um", "dois"});
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(console.status_text(0, 1), "dois");
  bar->partAdd(LSBPart::TextFn([&] { return std::to_string(++calls); }));
  bar->create();
  console.add_event(platform::Event{platform::EventKind::Timer, 0});
  read_key(-1);
  EXPECT_EQ(console.status_text(0, 2), std::to_string(calls));
  EXPECT_GE(calls, 2);
  EXPECT_EQ(console.windows().at(0).timer_seconds, 1);
}

TEST_F(WindowLayerTest, FontSizeIsTheLargestTheScreenTakes) {
  EXPECT_TRUE(LMAXSCREEN());
  // The headless screen takes cells up to 1280/80 by 1024/25.
  EXPECT_EQ(LWindowMain::load().nsMaxFontHeight, 40);
  EXPECT_EQ(LWindowMain::load().nsMaxFontWidth, 16);
  LDialog* d = LDLGSHOW(2, 2, 12, 60, "Menor");
  EXPECT_EQ(d->nFontHeight, 34);  // 85 per cent of the main window's
  LDLGCLOSE();
}

TEST_F(WindowLayerTest, LayerStartChangesThePalette) {
  EXPECT_EQ(console.palette(4), 0xFF0000u);
  EXPECT_EQ(console.palette(12), 0xFF0000u);
  EXPECT_EQ(console.palette(7), 0xEFEBDEu);
  EXPECT_EQ(console.palette(1), 0x396DA5u);
}

TEST_F(WindowLayerTest, TheWindowSystemGoingAwayEndsTheWait) {
  EXPECT_THROW(read_key(-1), platform::FrontEndGone);
}
