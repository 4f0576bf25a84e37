#include "shell/messages.h"

#include "platform/keys.h"
#include "shell/colours.h"
#include "shell/startup.h"
#include "shell_fixture.h"

using namespace shell;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
namespace k = platform::keys;

using MessagesTest = ShellTest;

TEST_F(MessagesTest, StatusLine) {
  MENS(0, "Gravando...");
  EXPECT_EQ(console.status_text(), "Gravando...");
  MENS(0);
  EXPECT_EQ(console.status_text(), std::string(250, ' '));
}

TEST_F(MessagesTest, KindThreeStaysOpenWithItsFrameAboveTheText) {
  console.screen().fill(platform::Rect{}, '.', 7);
  MENS(13, "Aguarde");
  int width = 8;  // text length + 1
  int col = 70 - width;
  EXPECT_TRUE(text_window_open(10));
  EXPECT_EQ(text_at(19, col - 1, 1), "┌");
  EXPECT_EQ(text_at(20, col, 7), "Aguarde");
  FECHAJAN(10);
  EXPECT_EQ(text_at(20, col, 7), ".......");
}

TEST_F(MessagesTest, KindOneBeepsAndWaitsForAKey) {
  console.add_keys("TEXT:x");
  MENS(1, "Erro");
  EXPECT_EQ(console.beeps().size(), 4u);  // two pairs of tones
  EXPECT_EQ(console.beeps()[0], std::make_pair(300, 55));
  EXPECT_TRUE(console.script_done());
  EXPECT_FALSE(text_window_open(10));
  EXPECT_EQ(G().TAM_OLD, 5);
}

TEST_F(MessagesTest, KindTwoWaitsForAnAnswerLetter) {
  MensOptions o;
  o.letters = "SN";
  console.add_keys("TEXT:x,TEXT:n");
  EXPECT_EQ(MENS(2, "Continua? (S/N)", o), "N");
  console.add_keys("ESC");
  EXPECT_EQ(MENS(2, "Continua? (S/N)", o), " ");
}

TEST_F(MessagesTest, KindFourReadsAVariableAndEscResetsIt) {
  GetField v;
  v.type = 'N';
  v.number = 5;
  MensOptions o;
  o.variable = &v;
  o.width = 2;
  console.add_keys("TEXT:12");  // a full field is left at once
  MENS(4, "Quantas linhas?", o);
  EXPECT_EQ(v.number, 12);
  console.add_keys("TEXT:3,ESC");
  EXPECT_EQ(MENS(4, "Quantas linhas?", o), "0");
  EXPECT_EQ(v.number, 0);
  GetField name;
  name.text = "ANA       ";
  o.variable = &name;
  console.add_keys("TEXT:Bia,ENTER");
  MENS(4, "Nome:", o);
  EXPECT_EQ(name.text, "Bia       ");
}

TEST_F(MessagesTest, NativeBoxesPerMode) {
  struct Case {
    int mode;
    MessageAnswer answer;
    std::string result;
    MessageIcon icon;
    MessageButtons buttons;
    std::string title;
  } cases[] = {
      {0, MessageAnswer::Ok, "", MessageIcon::Information, MessageButtons::Ok, "Aviso"},
      {1, MessageAnswer::Ok, "N", MessageIcon::None, MessageButtons::Ok, "Aviso"},
      {8, MessageAnswer::Ok, "", MessageIcon::Error, MessageButtons::Ok, "ERRO"},
      {2, MessageAnswer::Yes, "S", MessageIcon::Question, MessageButtons::YesNo, "Aviso"},
      {2, MessageAnswer::No, "N", MessageIcon::Question, MessageButtons::YesNo, "Aviso"},
      {2, MessageAnswer::Closed, "N", MessageIcon::Question, MessageButtons::YesNo, "Aviso"},
      {3, MessageAnswer::Cancel, "I", MessageIcon::Question, MessageButtons::YesNoCancel, "Aviso"},
      {3, MessageAnswer::Closed, "I", MessageIcon::Question, MessageButtons::YesNoCancel, "Aviso"},
      {3, MessageAnswer::No, "N", MessageIcon::Question, MessageButtons::YesNoCancel, "Aviso"},
  };
  for (const auto& c : cases) {
    console.add_answer(c.answer);
    EXPECT_EQ(AVISOSN(u8"Atenção"_cp, c.mode), c.result) << c.mode;
    const auto& shown = console.messages().back();
    EXPECT_EQ(shown.icon, c.icon) << c.mode;
    EXPECT_EQ(shown.buttons, c.buttons) << c.mode;
    EXPECT_EQ(shown.title, c.title) << c.mode;
    EXPECT_EQ(util::cp1252_to_utf8(shown.text), "Atenção");
  }
}

TEST_F(MessagesTest, LinesAreJoinedAndUnknownModesShowNothing) {
  AVISOSN(std::vector<std::string>{"um", "dois"}, 0, {}, "Titulo");
  EXPECT_EQ(last_message_text(), "um\r\ndois\r\n");
  EXPECT_EQ(console.messages().back().title, "Titulo");
  std::size_t shown = console.messages().size();
  EXPECT_EQ(AVISOSN("x", 9), "");
  EXPECT_EQ(console.messages().size(), shown);
}

TEST_F(MessagesTest, TextAlertAnswersByKeyAndButton) {
  console.add_keys("TEXT:f");
  EXPECT_EQ(AVISOSN("Sair?", 4), "F");
  console.add_keys("ESC");
  EXPECT_EQ(AVISOSN("Sair?", 4), "N");
  console.add_keys("RIGHT,ENTER");
  EXPECT_EQ(AVISOSN("Escolha", 6, {"Copiar", "Mover", "Nada"}), "2");
  console.add_keys("ESC");
  EXPECT_EQ(AVISOSN("Escolha", 7), "0");
  // A click: the fresh console gives the text box id 1 and the buttons 2, 3, 4.
  platform::HeadlessConsole fresh;
  set_console(&fresh);
  fresh.add_keys("BUTTON:4");
  EXPECT_EQ(AVISOSN("Qual?", 5), "3");
  EXPECT_TRUE(fresh.buttons().empty());  // the alert removed its buttons
  set_console(&console);
}

TEST_F(MessagesTest, TextAlertSuspendsKeyBindingsWhileOpen) {
  bool ran = false;
  key_bindings().set(k::kF2, [&] { ran = true; });
  console.add_keys("F2,TEXT:s");
  EXPECT_EQ(AVISOSN("Sair?", 4), "S");
  EXPECT_FALSE(ran);
  EXPECT_TRUE(key_bindings().get(k::kF2) != nullptr);
}

TEST_F(MessagesTest, HighlightBarChoice) {
  auto& g = G();
  DEFINEJAN(5, 30, 31, 63, 5, 10, 7, 29, 0);
  ABREJAN(5);
  ESCRJAN(5, "Primeiro item       Segundo item        Terceiro item       ");
  g.OPCOES = "PST";
  g.POSVER = 1;
  console.add_keys("DOWN,DOWN,DOWN,DOWN,ENTER");  // Down on the last item stays there
  EXPECT_EQ(ESC_OPCAO(5, 3, 1, 20, 0, false, false), 3);
  EXPECT_EQ(attr_at(7, 10), g.COR_ESCOL);
  EXPECT_EQ(attr_at(5, 10), g.COR_TEL1);
  g.POSVER = 1;
  console.add_keys("TEXT:x,TEXT:s");  // x is not an option; s chooses the second item
  EXPECT_EQ(ESC_OPCAO(5, 3, 1, 20, 0, false, false), 2);
  console.add_keys("END,HOME,ESC");
  EXPECT_EQ(ESC_OPCAO(5, 3, 1, 20, 0, true, false), 0);
  EXPECT_EQ(g.ULTPOS, 1);
  EXPECT_FALSE(text_window_open(5));
}

TEST_F(MessagesTest, ColourPickerChangesTheChosenColourAndStoresIt) {
  auto& g = G();
  int stored = 0;
  startup_hooks().store_colours = [&] { stored = g.COR_TEL1; };
  console.add_keys("RIGHT,DOWN,ENTER");
  g.COR_TEL1 = 30;  // GR+/B: row 1, column 14
  MODCOR(1);
  EXPECT_EQ(g.COR_TEL1, 15 + 2 * 16);
  // Every window write sets COR_1_CLI back to "GR+/B": only the number stays changed.
  EXPECT_EQ(g.COR_1_CLI, "GR+/B");
  EXPECT_EQ(g.POSVER, 1);
  EXPECT_EQ(stored, 47);
  startup_hooks().store_colours = nullptr;
}
