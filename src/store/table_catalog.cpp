// The table-number catalogue: for every number a table is opened by, its file, how it is
// opened, its index files with their key expressions, where it lives and whether the
// program creates it or it comes with the installation.
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "store/layouts.h"

namespace store {
namespace {

constexpr CatalogOpen kShared = CatalogOpen::Shared;
constexpr CatalogOpen kExclusive = CatalogOpen::Exclusive;
constexpr CatalogOpen kAsAsked = CatalogOpen::AsAsked;

std::string two(int n) {
  return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Index keys of the declaration tables 01..21, main index first; the second and third
// index files are named after the table with "B" and "C".
struct DeclarationKeys {
  const char* main;
  const char* second;
  const char* third;
};
const std::array<DeclarationKeys, 22> kDeclarationKeys{{
    {nullptr, nullptr, nullptr},
    {"CPF", nullptr, nullptr},                          // 01
    {"CPF", nullptr, nullptr},                          // 02
    {"CPF", nullptr, nullptr},                          // 03
    {"CPF+str(I7_0,4)", nullptr, nullptr},              // 04
    {"CPF+STR(I8_0,4)", nullptr, nullptr},              // 05
    {"CPF+str(I6_3,2)", nullptr, nullptr},              // 06
    {"CPF", nullptr, nullptr},                          // 07
    {"CPF", nullptr, nullptr},                          // 08
    {"CPF", "UPPER(NOMECONTR)", "ESTATUS"},             // 09 register
    {"CPF", nullptr, nullptr},                          // 10
    {"CPF", nullptr, nullptr},                          // 11
    {"CPF", nullptr, nullptr},                          // 12
    {"CPF", nullptr, nullptr},                          // 13
    {"CPF", nullptr, nullptr},                          // 14
    {"CPF+ATV_BRASIL", nullptr, nullptr},               // 15
    {"CPF+ATV_BRASIL", nullptr, nullptr},               // 16
    {"CPF+ATV_BRASIL", nullptr, nullptr},               // 17
    {"CPF+ATV_BRASIL", nullptr, nullptr},               // 18
    {"CPF+ATV_BRASIL+DTOS(DT_LC)", nullptr, nullptr},   // 19
    {"CPF", "CPF+CPFHERDE", nullptr},                   // 20
    {"CPF", "NOM_BANCO", "COD_CONTA"},                  // 21
}};

// The single index each work copy gets when the declaration is loaded (rebuilt at every
// opening of the copy).
const std::array<const char*, 22> kWorkCopyKeys{{
    nullptr,
    "cpf",                                                 // 01
    "cpf",                                                 // 02
    "cpf",                                                 // 03
    "str(I7_0)",                                           // 04
    "str(I8_0)",                                           // 05
    "cpf",                                                 // 06
    "STRZERO(BEM_NRO,2)+STRZERO(RVAR_NRO,2)+DAY_TRADE",    // 07
    "BEM_NRO",                                             // 08
    "cpf",                                                 // 09
    "coddesp",                                             // 10
    "codERR",                                              // 11
    "cpf",                                                 // 12
    nullptr,                                               // 13: edited in place
    "cpf",                                                 // 14
    "cpf+ATV_BRASIL",                                      // 15
    "cpf+ATV_BRASIL",                                      // 16
    "I8R_0",                                               // 17
    "I9R_0",                                               // 18
    "cpf",                                                 // 19
    "cpf",                                                 // 20
    "cpf",                                                 // 21
}};

// A file name built from the terminal number ("DIRET" + terminal), or a fixed name.
enum class Suffix { None, Terminal };

struct OfficeEntry {
  int number;
  const char* file;
  Suffix suffix;
  CatalogOpen mode;
  // Index keys in order; an index file named here replaces the default (table name + "B"/"C").
  std::array<const char*, 3> keys;
  std::array<const char*, 3> index_files;
  bool supplied;
  const char* created_message;
};

// Numbers 42..80 and 94 (75's file depends on the sub-screen; see table_spec).
const std::vector<OfficeEntry>& office_entries() {
  static const std::vector<OfficeEntry> kEntries{
      {42, "CONFIG", Suffix::None, kShared, {"NRO_TERM"}, {}, false, nullptr},
      {43, "DEFINE", Suffix::None, kShared, {}, {}, false, nullptr},
      {44, "IMPCORRIG", Suffix::None, kExclusive, {"CPF", "UPPER(NOMECONTR)"}, {}, false, nullptr},
      {45, "VEXATXT", Suffix::None, kShared, {"UPPER(NOME)"}, {}, true, nullptr},
      {46, "CODBENS", Suffix::None, kShared, {"GRUBEM"}, {}, true, nullptr},
      {47, "CODEPEN", Suffix::None, kShared, {"CODDEP"}, {}, true, nullptr},
      {48, "CODDIVI", Suffix::None, kShared, {"CODDIV"}, {}, true, nullptr},
      {49, "DESPESA", Suffix::None, kShared, {"CODDES"}, {}, true, nullptr},
      {50, "DIRET", Suffix::Terminal, kExclusive, {"upper(DIRETOR)"}, {}, false,
       "Criando DIRETOR.DBF"},
      {51, "UFIRM", Suffix::None, kShared, {"ANOMES"}, {}, true, nullptr},
      {52, "AUXBENS", Suffix::None, kShared, {"upper(DESCRICAO)"}, {}, false, nullptr},
      {53, "AUXPAG", Suffix::None, kShared, {"upper(NOME)", "CGCCPF", "CODIGO"}, {}, false, nullptr},
      {54, "LisErro", Suffix::None, kShared, {"CODERR"}, {}, false, nullptr},
      {55, "BANCOS", Suffix::None, kShared, {"NUMBAN", "upper(NOMEBAN)", "CNPJBAN"}, {}, true,
       nullptr},
      {56, "CORES", Suffix::None, kShared, {"NRO_TERM"}, {}, false, nullptr},
      {57, "ListaIMP", Suffix::None, kShared, {"NRO_TERM"}, {}, false, nullptr},
      {58, "OCUPACAO", Suffix::None, kShared, {"CDPRO", "upper(OCUPACAO)"},
       {nullptr, "OCUPACAB"}, true, nullptr},
      {59, "CODNATUR", Suffix::None, kShared, {"CODAT", "UPPER(DESCRAT)"},
       {nullptr, "CODNATB"}, true, nullptr},
      {60, "TABPAIS", Suffix::None, kShared, {"CODPAIS"}, {}, true, nullptr},
      {61, "TABEMBA", Suffix::None, kShared, {"CD_EX"}, {}, true, nullptr},
      {62, "CONTAS", Suffix::None, kShared, {"CDCONTA"}, {}, true, nullptr},
      {63, "FOLHAPG", Suffix::None, kAsAsked, {"CPF"}, {}, false, nullptr},
      {64, "TABMUNI", Suffix::None, kShared, {}, {}, true, nullptr},
      {65, "TABLOGR", Suffix::None, kShared, {"upper(nomelogra)"}, {}, true, nullptr},
      {66, "STATUS", Suffix::None, kAsAsked, {"cod"}, {}, true, nullptr},
      {67, "BOLETO", Suffix::None, kAsAsked, {"NOSSONRO"}, {}, false, nullptr},
      {68, "DETALH", Suffix::Terminal, kExclusive, {}, {}, false, nullptr},
      {69, "CODABENS", Suffix::None, kShared, {"CODBEM"}, {}, true, nullptr},
      {70, "LISNOME", Suffix::None, kExclusive, {"NOMECONTR", "CPF"}, {}, false, nullptr},
      {72, "AGENDA", Suffix::None, kShared, {"NOMEAG", "HORAG+DTOC(DATAG)", "ANOTAG"}, {}, false,
       nullptr},
      {73, "USOLOG", Suffix::None, kShared, {"NOMEAG", "CPF"}, {}, false, nullptr},
      {74, "AUXFON", Suffix::None, kAsAsked, {"UPPER(NOME)"}, {}, false, nullptr},
      {75, "IDOCIDAD", Suffix::None, kShared, {"NOME"}, {}, true, nullptr},
      {76, "PRINTS", Suffix::None, kShared, {}, {}, true, nullptr},
      {77, "AuxBanco", Suffix::None, kAsAsked, {"CNPJ", "NOME", "CONTABAN"}, {}, false, nullptr},
      {78, "DECBENS", Suffix::None, kExclusive, {"CPF"}, {}, false, nullptr},
      {79, "NOVO", Suffix::None, kExclusive, {"orig"}, {}, true, nullptr},
      {80, "ULTANOS", Suffix::None, kExclusive, {"CPF+ANOBASE"}, {}, false, nullptr},
      {94, "TAB_MUNI", Suffix::None, kShared, {}, {}, true, nullptr},
  };
  return kEntries;
}

// Index files of a table: the main one carries the table's name, the second and third
// the name in upper case with "B" and "C", unless the catalogue names another file.
std::vector<IndexFileSpec> index_files(const std::string& file,
                                       const std::array<const char*, 3>& keys,
                                       const std::array<const char*, 3>& named_files) {
  static const char* const kLetters[3] = {"", "B", "C"};
  std::vector<IndexFileSpec> out;
  for (std::size_t i = 0; i < keys.size() && keys[i] != nullptr; ++i) {
    std::string name = named_files[i] != nullptr ? named_files[i]
                       : i == 0                  ? file
                                                 : upper(file) + kLetters[i];
    out.push_back({name, keys[i]});
  }
  return out;
}

TableSpec declaration_spec(int n, const std::string& year) {
  TableSpec desc;
  desc.number = n;
  desc.file = "IMP" + two(n) + year;
  desc.mode = kShared;
  desc.in_data_folder = true;
  const DeclarationKeys& k = kDeclarationKeys[static_cast<std::size_t>(n)];
  desc.indexes = index_files(desc.file, {k.main, k.second, k.third}, {});
  // Tables 10 and 21 announce their creation without the year.
  desc.created_message = (n == 10 || n == 21) ? "Criando IMP" + two(n) + ".DBF"
                                              : "Criando " + desc.file + ".DBF";
  return desc;
}

// Slot 41: a file the caller names beforehand (the loading opens table 21 itself there,
// while slot 21 holds the work copy of table 01), keys as table 21.
TableSpec slot41_spec() {
  TableSpec desc;
  desc.number = 41;
  desc.mode = kAsAsked;
  desc.caller_names_file = true;
  const DeclarationKeys& k = kDeclarationKeys[21];
  for (const char* key : {k.main, k.second, k.third}) desc.indexes.push_back({"", key});
  return desc;
}

}  // namespace

TableSpec work_copy_spec(int table, const std::string& terminal) {
  if (table < 1 || table > 21 || kWorkCopyKeys[static_cast<std::size_t>(table)] == nullptr) {
    return {};
  }
  TableSpec desc;
  desc.number = table + 20;
  desc.file = "TMP_" + two(table) + terminal;
  desc.mode = kExclusive;
  desc.in_work_folder = true;
  desc.indexes.push_back({desc.file, kWorkCopyKeys[static_cast<std::size_t>(table)]});
  return desc;
}

TableSpec table_spec(int number, const std::string& year, const std::string& terminal,
                     int sub_screen) {
  if (number >= 1 && number <= 21) return declaration_spec(number, year);
  if (number >= 22 && number <= 40) return work_copy_spec(number - 20, terminal);
  if (number == 41) return slot41_spec();
  for (const OfficeEntry& e : office_entries()) {
    if (e.number != number) continue;
    TableSpec desc;
    desc.number = number;
    desc.file = e.file;
    if (e.suffix == Suffix::Terminal) desc.file += terminal;
    if (number == 75 && sub_screen == 44) desc.file = "ECACIDAD";
    desc.mode = e.mode;
    desc.indexes = index_files(desc.file, e.keys, e.index_files);
    desc.supplied = e.supplied;
    desc.only_when_present = number == 45;
    if (e.created_message != nullptr) desc.created_message = e.created_message;
    return desc;
  }
  return {};
}

TableSpec table_spec(int number, const std::string& year, const std::string& terminal) {
  return table_spec(number, year, terminal, 0);
}

const std::vector<FieldSpec>& layout_of(int number) {
  if (number >= 1 && number <= 21) return declaration_layout(number);
  // Numbers n and n + 20 share a layout: slot n + 20 holds the work copy of table n, and
  // slot 41 opens the work copy of table 21 or, while a declaration loads, table 21 itself.
  if (number >= 22 && number <= 41) return declaration_layout(number - 20);
  return office_layout(number);
}

}  // namespace store
