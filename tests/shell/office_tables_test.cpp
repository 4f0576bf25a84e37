// Office commands over real tables: one-cent markers, phone/e-mail flags and the
// auxiliary lists.
#include "menu_fixture.h"
#include "shell/main_menu.h"

using namespace shell;

namespace {

// Appends one record to the table open in `slot` with text fields and decimal fields.
void add(int slot, const std::vector<std::pair<const char*, std::string>>& text,
         const std::vector<std::pair<const char*, const char*>>& decimals = {}) {
  store::select(slot);
  ASSERT_TRUE(store::ADD_REC(5));
  store::Table& t = store::area(slot);
  for (const auto& [f, v] : text) t.put_text(f, v);
  for (const auto& [f, v] : decimals) t.put_decimal(f, v);
  t.commit();
  t.unlock_all();
}

std::vector<std::string> column(const std::filesystem::path& file, const char* field) {
  store::Table t(file.string(), store::OpenMode::kReadOnly);
  t.set_hide_deleted(true);
  std::vector<std::string> out;
  for (t.go_top(); !t.eof(); t.skip()) out.push_back(t.get_text(field));
  return out;
}

}  // namespace

TEST_F(MenuTest, OneCentMarkersAreClearedAndOtherCentsKept) {
  ASSERT_TRUE(store::ABERTURA(2));
  add(2, {{"CPF", "11111111111"}}, {{"I1_4", "0.01"}, {"I1_15", "0.02"}, {"I1_38", "0.01"}});
  add(2, {{"CPF", "22222222222"}}, {{"I1_4", "0.10"}, {"I1_17", "0.01"}, {"I1_33", "1.01"}});
  add(2, {{"CPF", "33333333333"}}, {{"I1_5", "0.01"}});  // not one of the marker fields
  store::close_slot(2);
  console.add_answers("YES");
  MENUSELECT(37);
  EXPECT_EQ(last_message_text(), "Pronto!");
  EXPECT_EQ(util::cp1252_to_utf8(console.messages().back().title), "Centavos Retirados");
  auto file = dir / "dados" / "IMP0223.DBF";
  auto values = [&](const char* f) {
    std::vector<std::string> out;
    store::Table t(file.string(), store::OpenMode::kReadOnly);
    for (t.go_top(); !t.eof(); t.skip()) out.push_back(t.get_decimal(f));
    return out;
  };
  EXPECT_EQ(values("I1_4"), (std::vector<std::string>{"0.00", "0.10", "0.00"}));
  EXPECT_EQ(values("I1_15"), (std::vector<std::string>{"0.02", "0.00", "0.00"}));
  EXPECT_EQ(values("I1_38"), (std::vector<std::string>{"0.00", "0.00", "0.00"}));
  EXPECT_EQ(values("I1_17"), (std::vector<std::string>{"0.00", "0.00", "0.00"}));
  EXPECT_EQ(values("I1_33"), (std::vector<std::string>{"0.00", "1.01", "0.00"}));
  EXPECT_EQ(values("I1_5"), (std::vector<std::string>{"0.00", "0.00", "0.01"}));
  // "N" to the question changes nothing.
  ASSERT_TRUE(store::ABERTURA(2));
  add(2, {{"CPF", "44444444444"}}, {{"I1_4", "0.01"}});
  store::close_slot(2);
  console.add_answers("NO");
  MENUSELECT(37);
  EXPECT_EQ(values("I1_4").back(), "0.01");
}

TEST_F(MenuTest, PhoneAndEmailFlagsMarkEveryTaxpayer) {
  ASSERT_TRUE(store::ABERTURA(1));
  add(1, {{"CPF", "11111111111"}});
  add(1, {{"CPF", "22222222222"}});
  store::close_slot(1);
  console.add_answers("YES");
  MENUSELECT(38, 1);
  EXPECT_EQ(column(dir / "dados" / "IMP0123.DBF", "NOVREG"), (std::vector<std::string>{"T", "T"}));
  console.add_answers("YES");
  MENUSELECT(38, 2);
  EXPECT_EQ(column(dir / "dados" / "IMP0123.DBF", "NOVREG"), (std::vector<std::string>{"F", "F"}));
}

TEST_F(MenuTest, RepeatedBankCnpjsAreRemovedAndBlankOnesKept) {
  ASSERT_TRUE(store::ABERTURA(77));
  add(77, {{"CNPJ", "60701190000104"}, {"NOME", "BANCO A"}});
  add(77, {{"CNPJ", "00000000000191"}, {"NOME", "BANCO B"}});
  add(77, {{"CNPJ", "60701190000104"}, {"NOME", "BANCO A DE NOVO"}});
  add(77, {{"NOME", "BANK ABROAD ONE"}});
  add(77, {{"NOME", "BANK ABROAD TWO"}});
  add(77, {{"CNPJ", "60701190000104"}, {"NOME", "BANCO A OUTRA VEZ"}});
  store::close_slot(77);
  console.add_answers("YES");
  MENUSELECT(39, 2);
  EXPECT_EQ(last_message_text(), "Excluidos   2 CNPJs");
  auto names = column(dir / "AuxBanco.DBF", "NOME");
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0].substr(0, 7), "BANCO A");
  EXPECT_EQ(names[0].substr(0, 8), "BANCO A ");
  EXPECT_EQ(names[2].substr(0, 15), "BANK ABROAD ONE");
  EXPECT_EQ(names[3].substr(0, 15), "BANK ABROAD TWO");
  console.add_answers("YES");
  MENUSELECT(39, 2);
  EXPECT_EQ(last_message_text(), "Não tem CNPJ repetido");
}

TEST_F(MenuTest, CompaniesAndBanksAreCopiedBetweenTheLists) {
  ASSERT_TRUE(store::ABERTURA(74));
  add(74, {{"CGCCPF", "60.701.190/0001-04"}, {"NOME", "BANCO ITAU SA COM UM NOME BEM MAIS LONGO"}});
  add(74, {{"CGCCPF", "123.456.789-09"}, {"NOME", "PESSOA"}});  // a person: not a bank
  store::close_slot(74);
  ASSERT_TRUE(store::ABERTURA(77));
  add(77, {{"CNPJ", "00000000000191"}, {"NOME", "BANCO DO BRASIL"}});
  store::close_slot(77);
  console.add_answers("YES");
  MENUSELECT(39, 3);
  EXPECT_EQ(last_message_text(), "Incluidos   1 CNPJs");
  auto cnpjs = column(dir / "AuxBanco.DBF", "CNPJ");
  ASSERT_EQ(cnpjs.size(), 2u);
  EXPECT_EQ(cnpjs[1].substr(0, 14), "60701190000104");
  EXPECT_EQ(column(dir / "AuxBanco.DBF", "NOME")[1], "BANCO ITAU SA COM UM NOME BEM ");
  console.add_answers("YES");
  MENUSELECT(39, 4);  // only Banco do Brasil is missing from the income sources
  EXPECT_EQ(last_message_text(), "Incluidos   1 CNPJs");
  auto sources = column(dir / "AUXFON.DBF", "CGCCPF");
  ASSERT_EQ(sources.size(), 3u);
  EXPECT_EQ(sources[2], "00.000.000/0001-91");
  console.add_answers("YES");
  MENUSELECT(39, 4);
  EXPECT_EQ(last_message_text(), "Nenhum CNPJ incluido.");
}

TEST_F(MenuTest, PayeesAreFilledFromThePaymentsWithTheirCodes) {
  ASSERT_TRUE(store::ABERTURA(6));
  store::Table& p = store::area(6);
  auto payment = [&](const char* name, const char* doc, int code) {
    store::select(6);
    ASSERT_TRUE(store::ADD_REC(5));
    p.put_text("CPF", "11111111111");
    p.put_text("I6_1", name);
    p.put_text("I6_2", doc);
    p.put_number("I6_3", code);
    p.commit();
    p.unlock_all();
  };
  payment("HOSPITAL", "11.222.333/0001-81", 21);
  payment("ESCOLA", "22.333.444/0001-90", 1);
  payment("PENSAO", "123.456.789-09", 30);     // alimony: skipped
  payment("DENTISTA", "11.222.333/0001-81", 10);  // payee already added
  payment("INSS", "33.444.555/0001-00", 17);     // skipped code
  store::close_slot(6);
  MENUSELECT(39, 12);
  EXPECT_EQ(last_message_text(), "Incluidos    2 lançamentos");
  auto names = column(dir / "AUXPAG.DBF", "NOME");
  ASSERT_EQ(names.size(), 2u);
  // The payments are walked in their order (CPF and code): the dentist comes before the
  // hospital with the same CNPJ.
  EXPECT_EQ(names[0].substr(0, 6), "ESCOLA");
  EXPECT_EQ(names[1].substr(0, 8), "DENTISTA");
  EXPECT_EQ(column(dir / "AUXPAG.DBF", "CODIGO"), (std::vector<std::string>{" 1", "10"}));
  MENUSELECT(39, 12);
  EXPECT_EQ(last_message_text(), "Nenhum lançamento incluido");
}

TEST_F(MenuTest, BankListIsBrowsedAndEditedUnderLocks) {
  ASSERT_TRUE(store::ABERTURA(77));
  add(77, {{"CNPJ", "00000000000191"}, {"NOME", "BANCO DO BRASIL"}});
  store::close_slot(77);
  // Right to the name, type over its first letters; Ins appends and edits its first
  // column; Esc leaves.
  console.add_keys("RIGHT,ENTER,TEXT:BB,ENTER,INS,TEXT:60701190000104,ENTER,ESC");
  MENUSELECT(39, 1);
  auto names = column(dir / "AuxBanco.DBF", "NOME");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0].substr(0, 16), "BBNCO DO BRASIL ");
  EXPECT_EQ(column(dir / "AuxBanco.DBF", "CNPJ")[1].substr(0, 14), "60701190000104");
  // Del asks and deletes.
  console.add_keys("DEL,ESC");
  console.add_answers("YES");
  MENUSELECT(39, 1);
  EXPECT_EQ(column(dir / "AuxBanco.DBF", "NOME").size(), 1u);
}
