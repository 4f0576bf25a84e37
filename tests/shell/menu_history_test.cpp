// History of previous years: ".DEC" lines read by character position, and the command
// over small transmitted-declaration folders.
#include "shell/menu_history.h"

#include <filesystem>
#include <fstream>

#include "menu_fixture.h"
#include "shell/main_menu.h"
#include "shell/official_program.h"

using namespace shell;

namespace {

// A line with `text` written at 1-based column `at` of each piece.
struct Line {
  std::string s;
  Line& put(std::size_t at, const std::string& text) {
    if (s.size() < at - 1 + text.size()) s.resize(at - 1 + text.size(), ' ');
    s.replace(at - 1, text.size(), text);
    return *this;
  }
  Line& money(std::size_t at, long long cents) {
    std::string digits = std::to_string(cents);
    return put(at, std::string(13 - digits.size(), '0') + digits);
  }
};

// First line of a declaration of `year` with its income totals.
Line first_line(const std::string& cpf, const std::string& year, const std::string& name, char complete,
                char result, long long trib, long long isen, long long excl, long long pag) {
  Line l;
  l.put(1, "IRPF    ").put(9, year).put(22, cpf).put(40, name).put(121, std::string(1, complete));
  l.put(122, std::string(1, result));
  bool y2020 = year == "2020";
  l.money(y2020 ? 696 : 683, trib).money(y2020 ? 737 : 724, isen).money(y2020 ? 750 : 737, excl);
  l.money(y2020 ? 763 : 750, pag);
  l.put(800, "FIM");
  return l;
}

Line record18() {
  Line l;
  l.put(1, "18").money(27, 150000).money(40, 8000000);
  l.money(66, 1000).money(79, 2000).money(92, 3000).money(105, 4000);
  l.money(118, 55555).money(131, 66666);
  l.money(275, 10000000).money(288, 12000000).money(366, 300000).money(379, 200000);
  l.put(704, "12345");
  return l;
}

Line record20() {
  Line l;
  l.put(1, "20").money(183, 1654000).money(196, 6616000);
  l.money(287, 100).money(300, 200).money(313, 300).money(326, 400).money(339, 500);
  l.money(365, 77777).money(378, 88888);
  l.money(405, 5000000).money(418, 6000000).money(431, 70000).money(444, 80000);
  l.put(886, "07525");
  return l;
}

}  // namespace

TEST(DecLines, BaseYear2020CompleteModelWithTaxToPay) {
  std::vector<std::string> lines{
      first_line("12345678909", "2020", "MARIA DA SILVA", 'S', '2', 9876543, 1234500, 50000, 720000).s,
      Line().put(1, "16IDENTIFICACAO").s, Line().put(1, "17X").s, record18().s};
  auto r = parse_dec_lines(lines);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->cpf, "12345678909");
  EXPECT_EQ(r->anobase, "2020");
  EXPECT_EQ(r->nomecontr, "MARIA DA SILVA");
  EXPECT_EQ(r->completa, "S");
  EXPECT_EQ(r->resultad, 2);
  EXPECT_EQ(r->totrtrib, 9876543);
  EXPECT_EQ(r->totrisen, 1234500);
  EXPECT_EQ(r->totrtrie, 50000);
  EXPECT_EQ(r->totpagto, 720000);
  EXPECT_EQ(r->abatimen, 150000);
  EXPECT_EQ(r->basecalc, 8000000);
  EXPECT_EQ(r->totimpos, 10000);
  EXPECT_EQ(r->valirpf, -55555);  // result 2: the value at 118, negative
  EXPECT_EQ(r->bensana, 10000000);
  EXPECT_EQ(r->bensbase, 12000000);
  EXPECT_EQ(r->divana, 300000);
  EXPECT_EQ(r->divbase, 200000);
  EXPECT_EQ(r->aliqefet, 12345);
}

TEST(DecLines, LaterBaseYearSimplifiedModelWithRefund) {
  std::vector<std::string> lines{
      first_line("98765432100", "2021", "JOSE SOUZA", 'N', '1', 4000000, 100, 200, 300).s,
      Line().put(1, "16").s, Line().put(1, "17").s, Line().put(1, "19").s, record20().s};
  auto r = parse_dec_lines(lines);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->totrtrib, 4000000);  // other years: totals at 683, 724, 737, 750
  EXPECT_EQ(r->totrisen, 100);
  EXPECT_EQ(r->totrtrie, 200);
  EXPECT_EQ(r->totpagto, 300);
  EXPECT_EQ(r->abatimen, 1654000);
  EXPECT_EQ(r->basecalc, 6616000);
  EXPECT_EQ(r->totimpos, 1500);
  EXPECT_EQ(r->valirpf, 88888);  // another non-zero result: the value at 378
  EXPECT_EQ(r->bensana, 5000000);
  EXPECT_EQ(r->bensbase, 6000000);
  EXPECT_EQ(r->divana, 70000);
  EXPECT_EQ(r->divbase, 80000);
  EXPECT_EQ(r->aliqefet, 7525);
}

TEST(DecLines, EarlyYearsHaveNoEffectiveRateAndResultZeroNoTax) {
  auto r = parse_dec_lines({first_line("12345678909", "2017", "A", 'S', '0', 1, 2, 3, 4).s, record18().s});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->aliqefet, 0);
  EXPECT_EQ(r->valirpf, 0);
  EXPECT_EQ(r->totrtrib, 1);
  // Not a declaration: no CPF, no year, empty.
  EXPECT_FALSE(parse_dec_lines({"garbage"}));
  EXPECT_FALSE(parse_dec_lines({first_line("1234567890X", "2021", "A", 'S', '1', 1, 2, 3, 4).s}));
  EXPECT_FALSE(parse_dec_lines({}));
}

class HistoryCommandTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    official = dir / "ProgramasRFB" / "IRPF2023" / "APLICACAO" / "DADOS";
    std::filesystem::create_directories(official);
    G().LOCIRPF = official.string() + "/";
  }
  std::filesystem::path transmitted(const std::string& year) {
    auto p = dir / "ProgramasRFB" / ("IRPF" + year) / "TRANSMITIDAS";
    std::filesystem::create_directories(p);
    return p;
  }
  void write(const std::filesystem::path& file, const std::vector<std::string>& lines) {
    std::ofstream out(file, std::ios::binary);
    for (const auto& l : lines) out << l << "\r\n";
  }
  std::filesystem::path official;
};

TEST_F(HistoryCommandTest, FillsTheHistoryTableAndUpdatesOnTheNextRun) {
  auto y2020 = transmitted("2020");
  write(y2020 / "12345678909-IRPF-A-2021-2020-ORIGI.DEC",
        {first_line("12345678909", "2020", "MARIA DA SILVA", 'S', '2', 9876543, 1234500, 50000, 720000).s,
         Line().put(1, "16").s, Line().put(1, "17").s, record18().s});
  write(y2020 / "98765432100-IRPF-A-2021-2020-ORIGI.dec",
        {first_line("98765432100", "2020", "JOSE SOUZA", 'N', '1', 100, 0, 0, 0).s, Line().put(1, "16").s,
         Line().put(1, "17").s, Line().put(1, "19").s, record20().s});
  write(y2020 / "broken.DEC", {"not a declaration"});
  write(y2020 / "notes.txt", {"other file"});
  G().NANOANTER = 2022;
  MENUSELECT(20, 2);  // 2022 - 2
  EXPECT_EQ(last_message_text(), "Buscado dados de    2 contribuintes do anobase 2020");
  {
    store::Table t((dir / "ULTANOS.DBF").string(), store::OpenMode::kReadOnly);
    ASSERT_EQ(t.record_count(), 2u);
    bool seen_maria = false;
    for (t.go_top(); !t.eof(); t.skip()) {
      if (t.get_text("CPF") != "12345678909") continue;
      seen_maria = true;
      EXPECT_EQ(t.get_text("ANOBASE"), "2020");
      EXPECT_EQ(t.get_decimal("TOTRTRIB"), "98765.43");
      EXPECT_EQ(t.get_decimal("VALIRPF"), "-555.55");
      EXPECT_EQ(t.get_decimal("TOTIMPOS"), "100.00");
      EXPECT_EQ(t.get_decimal("ALIQEFET"), "12.35");
    }
    EXPECT_TRUE(seen_maria);
  }
  // A new transmission of the same CPF and year replaces its record.
  write(y2020 / "12345678909-IRPF-A-2021-2020-ORIGI.DEC",
        {first_line("12345678909", "2020", "MARIA DA SILVA", 'S', '2', 100000, 0, 0, 0).s, record18().s});
  MENUSELECT(20, 2);
  store::Table t((dir / "ULTANOS.DBF").string(), store::OpenMode::kReadOnly);
  EXPECT_EQ(t.record_count(), 2u);
  for (t.go_top(); !t.eof(); t.skip()) {
    if (t.get_text("CPF") == "12345678909") {
      EXPECT_EQ(t.get_decimal("TOTRTRIB"), "1000.00");
    }
  }
}

TEST_F(HistoryCommandTest, MissingFolderOrNoYearInThePathIsReported) {
  G().NANOANTER = 2022;
  MENUSELECT(20, 1);  // 2021: nothing transmitted
  ASSERT_GE(console.messages().size(), 2u);
  const auto& error = console.messages()[console.messages().size() - 2];
  EXPECT_EQ(error.icon, platform::MessageIcon::Error);
  EXPECT_NE(util::cp1252_to_utf8(error.text).find("não existe nenhuma declaração transmitida!"), std::string::npos);
  EXPECT_EQ(last_message_text(), "Buscado dados de    0 contribuintes do anobase 2021");
  G().LOCIRPF = (dir / "sem_ano" / "APLICACAO").string();
  std::size_t before = message_count();
  MENUSELECT(20, 0);
  ASSERT_EQ(message_count(), before + 1);
  EXPECT_NE(last_message_text().find("Confira a pasta local do programa da Receita!"), std::string::npos);
}
