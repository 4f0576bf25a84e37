// The main menu through the headless console: picks run their commands, the
// open-declaration guard, commands of subsystems not in this version, the print
// selection and the settings commands that store into the configuration records.
#include "shell/main_menu.h"

#include <functional>
#include <set>

#include "menu_fixture.h"
#include "shell/menu_print_selection.h"
#include "shell/office_commands.h"

using namespace shell;
using platform::MessageIcon;

namespace {

// Every item of the menu tree as (code, sub1, sub2), with its text.
void collect(const std::vector<MenuEntry>& entries, std::vector<const MenuEntry*>& out) {
  for (const auto& e : entries) {
    if (e.kind == MenuEntry::Kind::Submenu) collect(e.items, out);
    else if (e.kind == MenuEntry::Kind::Item) out.push_back(&e);
  }
}

const MenuEntry* find_code(const std::vector<MenuEntry>& entries, int code, int sub1 = 0, int sub2 = 0) {
  std::vector<const MenuEntry*> all;
  collect(entries, all);
  for (const auto* e : all)
    if (e->code == code && e->sub1 == sub1 && e->sub2 == sub2) return e;
  return nullptr;
}

}  // namespace

TEST_F(MenuTest, MenuBarHoldsEveryMenuAndShowsCurrentValues) {
  auto& g = G();
  g.TEMP_SAL = 5;
  g.XDRIVE = "E";
  auto entries = main_menu_entries();
  std::vector<std::string> tops;
  for (const auto& e : entries) tops.push_back(util::cp850_to_utf8(e.text));
  EXPECT_EQ(tops, (std::vector<std::string>{"&Declaração", "&Opções", "&Selecão", "&Impressão", "&Envia p/ IRPF",
                                            "&Cópia de Segurança", "&Fim"}));
  EXPECT_EQ(entries.back().code, 91);
  ASSERT_NE(find_code(entries, 26, 1), nullptr);
  EXPECT_EQ(find_code(entries, 26, 1)->text, u8"&Automático a cada  5 minutos"_cp);
  EXPECT_EQ(find_code(entries, 72, 1)->text, "Compacta todos no E:");
  EXPECT_EQ(find_code(entries, 71, 2, 1)->text, "Da Receita 2023");
  for (int k = 0; k <= 4; ++k) EXPECT_EQ(find_code(entries, 20, k)->text, "Buscar ano " + std::to_string(2022 - k));
  // Every code the dispatcher knows is reachable from the bar, and only those.
  std::vector<const MenuEntry*> all;
  collect(entries, all);
  std::set<int> codes;
  for (const auto* e : all) codes.insert(e->code);
  EXPECT_EQ(codes, (std::set<int>{9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25, 26, 27, 28, 29, 30,
                                  31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 51, 52, 53,
                                  54, 61, 62, 63, 64, 65, 66, 67, 68, 71, 72, 73, 74, 75, 76, 77, 91}));
  // The copy of part of a declaration reaches its seventeen parts once each.
  std::set<int> parts;
  for (const auto* e : all) {
    if (e->code == 31) {
      EXPECT_TRUE(parts.insert(e->sub1).second) << e->sub1;
    }
  }
  EXPECT_EQ(parts.size(), 17u);
}

TEST_F(MenuTest, APickThroughTheMenuRunsItsCommand) {
  // 54 with 49: out of limits, 60 is used with the message.
  console.add_keys("PICK:Linhas na folha,TEXT:49,ESC");
  MENUCOMMAND(0);
  EXPECT_EQ(G().NROLINHAS, 60);
  EXPECT_EQ(last_message_text(), "Número esta fora dos limites. Assumido 60");
  EXPECT_EQ(console.messages().back().icon, MessageIcon::Error);
  EXPECT_EQ(G().OPCAO_1, 54);
  EXPECT_EQ(G().OMENUITEM, 54);
  // 66 is kept without a message.
  std::size_t shown = message_count();
  console.add_keys("PICK:Linhas na folha,TEXT:66,ESC");
  MENUCOMMAND(0);
  EXPECT_EQ(G().NROLINHAS, 66);
  EXPECT_EQ(message_count(), shown);
}

TEST(LinesPerPage, LimitsFiftyToSixtySix) {
  struct Case {
    int asked, want;
    bool out;
  } cases[] = {{49, 60, true}, {50, 50, false}, {66, 66, false}, {67, 60, true}, {0, 60, true}};
  for (const auto& c : cases) {
    bool out = false;
    EXPECT_EQ(lines_within_limits(c.asked, &out), c.want) << c.asked;
    EXPECT_EQ(out, c.out) << c.asked;
  }
}

TEST_F(MenuTest, TheOpenDeclarationGuardBlocksEveryCommand) {
  auto& g = G();
  g.LESTOUNADECL = true;
  g.OPCAO_1 = 12;
  g.NROLINHAS = 55;
  for (int code : {54, 14, 37, 41, 91, 18, 11}) EXPECT_TRUE(MENUSELECT(code, 1)) << code;
  EXPECT_EQ(message_count(), 0u);
  EXPECT_EQ(g.NROLINHAS, 55);
  EXPECT_EQ(g.OPCAO_1, 12);  // the open declaration's command stays
  // Through the menu as well.
  console.add_keys("PICK:Linhas na folha,ESC");
  MENUCOMMAND(0);
  EXPECT_EQ(message_count(), 0u);
  g.LESTOUNADECL = false;
  EXPECT_FALSE(MENUSELECT(24));  // a code without action does nothing
  EXPECT_FALSE(MENUSELECT(78));
  EXPECT_EQ(message_count(), 0u);
}

TEST_F(MenuTest, CommandsOfSubsystemsNotBuiltSayNotAvailableAndDoNothingElse) {
  struct Pick {
    int code, sub1, sub2;
  } picks[] = {{11, 0, 0}, {12, 0, 0}, {13, 0, 0}, {9, 0, 0},  {10, 0, 0}, {14, 0, 0}, {15, 0, 0}, {16, 1, 1},
               {16, 3, 0}, {17, 0, 0}, {22, 1, 0}, {27, 2, 0}, {30, 0, 0}, {31, 9, 0}, {32, 1, 3}, {33, 5, 0},
               {34, 3, 0}, {45, 1, 0}, {51, 0, 0}, {52, 0, 0}, {53, 0, 0}, {61, 0, 0}, {62, 0, 0}, {63, 0, 0},
               {68, 0, 0}, {71, 1, 2}, {72, 1, 0}, {73, 2, 0}, {74, 1, 0}, {75, 1, 0}, {76, 1, 0}, {40, 2, 0}};
  auto& g = G();
  for (const auto& p : picks) {
    std::size_t before = message_count();
    EXPECT_FALSE(MENUSELECT(p.code, p.sub1, p.sub2));
    ASSERT_EQ(message_count(), before + 1) << p.code;
    EXPECT_EQ(last_message_text(), "Função não disponível nesta versão.") << p.code;
    EXPECT_EQ(console.messages().back().icon, MessageIcon::Information);
    EXPECT_FALSE(g.LESTOUNADECL) << p.code;
  }
  // The declaration command sets the guard only while it runs.
  console.add_keys("PICK:Declaração (Alt I),ESC");
  MENUCOMMAND(0);
  EXPECT_FALSE(g.LESTOUNADECL);
  EXPECT_EQ(g.OPCAO_1, 11);
}

TEST_F(MenuTest, HeadingsDoNothingWhenPicked) {
  console.add_keys("PICK:Impressão do Darf,ESC");
  MENUCOMMAND(0);
  EXPECT_EQ(message_count(), 0u);
  EXPECT_EQ(G().OPCAO_1, 1);
}

TEST(PrintSelection, NormalisationFollowsWhatIsPrinted) {
  reset_globals();
  struct Case {
    PrintSelection in, want;
    std::string text2, text3;
  } cases[] = {
      {{1, 3, 12, 2}, {1, 1, 11, 2}, "Folha avulsa  ", "Só a Malha fina    "},
      {{2, 1, 5, 1}, {2, 1, 5, 1}, "Folha avulsa  ", "Rendimentos         "},
      {{3, 2, 7, 1}, {3, 1, 3, 1}, "Folha avulsa  ", "página 2   "},
      {{4, 1, 3, 1}, {4, 1, 3, 1}, "Folha avulsa  ", "Folha única"},
      {{5, 4, 9, 1}, {5, 3, 1, 1}, "Darf pré-impresso  ", "Folha única"},
      {{5, 2, 1, 1}, {5, 2, 1, 1}, "Sicalc Web da Receita", "Folha única"},
      {{9, 3, 3, 3}, {9, 1, 1, 3}, "Folha avulsa  ", "Folha única"},
      {{12, 3, 2, 1}, {12, 2, 1, 1}, "Folha avulsa  ", "Folha única"},
      {{12, 1, 1, 1}, {12, 1, 1, 1}, "Etiquetas          ", "Folha única"},
      {{14, 4, 2, 1}, {14, 4, 1, 1}, "Pimaco 8296   ", "Folha única"},
      {{14, 9, 1, 1}, {14, 4, 1, 1}, "Pimaco 8296   ", "Folha única"},
      {{16, 2, 2, 5}, {16, 1, 1, 5}, "Folha avulsa  ", "Folha única"},
      {{0, 0, 0, 9}, {1, 1, 1, 1}, "Folha avulsa  ", "Tudo na declaração  "},
  };
  for (const auto& c : cases) {
    PrintSelection s = normalise_print_selection(c.in);
    EXPECT_EQ(s, c.want) << c.in.queimp << "/" << c.in.quemod << "/" << c.in.quepag;
    auto t = print_selection_texts(s);
    EXPECT_EQ(util::cp850_to_utf8(t.text2), c.text2) << c.in.queimp;
    EXPECT_EQ(util::cp850_to_utf8(t.text3), c.text3) << c.in.queimp;
  }
}

TEST_F(MenuTest, PrintSelectionCommandsChangeAndStoreTheSelection) {
  auto& g = G();
  MENUSELECT(41, 5);
  g.QUECON = 3;
  MENUSELECT(42, 3);  // DARFs: up to 3; QUECON back to 1
  EXPECT_EQ(g.QUEIMP, 5);
  EXPECT_EQ(g.QUEMOD, 3);
  EXPECT_EQ(g.QUECON, 1);
  EXPECT_EQ(util::cp850_to_utf8(g.ITEM2), "2 Darf pré-impresso  ");
  MENUSELECT(41, 1);
  MENUSELECT(42, 2);  // the declaration has only the loose sheet
  MENUSELECT(43, 12);
  EXPECT_EQ(g.QUEMOD, 1);
  EXPECT_EQ(g.QUEPAG, 11);
  MENUSELECT(44, 4);
  EXPECT_EQ(g.ITEM4, "4 todas Pastas");
  EXPECT_EQ(terminal_field("QUEIMP"), " 1");
  EXPECT_EQ(terminal_field("QUEPAG"), "11");
  EXPECT_EQ(terminal_field("QUECON"), "4");
  console.add_answers("NO");
  MENUSELECT(46, 2);
  EXPECT_EQ(g.MOSTEL, "N");
  EXPECT_EQ(terminal_field("MOSTEL"), "N");
  console.add_keys("TEXT:0");
  MENUSELECT(47, 1);
  EXPECT_EQ(g.NRO_VIAS, 1);  // 0 copies become 1
  console.add_keys("TEXT:3");
  MENUSELECT(47, 1);
  EXPECT_EQ(g.NRO_VIAS, 3);
  EXPECT_EQ(g.ITEM7, "&7-Vias 3");
  g.NOMEIMP = "LASER";
  MENUSELECT(48, 1);
  const auto& box = console.messages().back();
  EXPECT_EQ(util::cp1252_to_utf8(box.title), "Seleçao para impressão");
  EXPECT_NE(box.text.find("1 IRenda modo Receita"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("Impressora LASER"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("6b - Mostra o texto antes  = N"), std::string::npos) << box.text;
}

TEST_F(MenuTest, SettingsCommandsStoreTheirChoice) {
  auto& g = G();
  // Screen adjustments: the old menu style switched to the new one.
  g.OPCIRPF = "N";
  console.add_answers("YES");
  MENUSELECT(36, 1);
  EXPECT_EQ(g.OPCIRPF, "J");
  EXPECT_EQ(terminal_field("OPCIRPF"), "J");
  EXPECT_NE(last_message_text().find("Sim - Muda a tela para  menu Novo"), std::string::npos) << last_message_text();
  console.add_answers("YES");
  MENUSELECT(36, 2);
  EXPECT_EQ(g.OPCFIM, 1);
  EXPECT_EQ(terminal_field("OPCFIM"), "1");
  // Saving mode.
  MENUSELECT(26, 3);
  EXPECT_EQ(g.TEMP_SAL, 99);
  EXPECT_EQ(office_field("TEMP_SAL"), "99");
  console.add_keys("TEXT:07");
  MENUSELECT(26, 1);
  EXPECT_EQ(g.TEMP_SAL, 7);
  EXPECT_EQ(office_field("TEMP_SAL"), " 7");
  // Processor: 64 bits to 32.
  g.PROCESSA = "N";
  console.add_answers("YES");
  MENUSELECT(77);
  EXPECT_EQ(g.PROCESSA, "S");
  EXPECT_EQ(office_field("PROCESSA"), "S");
  // Postal-code switch: only for this run.
  console.add_answers("YES");
  MENUSELECT(40, 1);
  EXPECT_FALSE(g.LBUSCACEP);
  console.add_answers("NO");
  MENUSELECT(40, 1);
  EXPECT_FALSE(g.LBUSCACEP);
  // Sending options: 65, 2 keeps "only with status" when it was chosen.
  g.OPTTRAN = 2;
  MENUSELECT(65, 2);
  EXPECT_EQ(g.OPTTRAN, 2);
  EXPECT_NE(last_message_text().find("somente as declarações com o Status  9"), std::string::npos);
  MENUSELECT(64, 2);
  EXPECT_EQ(g.OPTTRAN, 0);
  MENUSELECT(65, 1);
  EXPECT_EQ(g.OPTTRAN, 1);
}
