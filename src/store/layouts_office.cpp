// Layouts of the office tables of the base folder that the program creates itself.
// The code and reference tables that come with the program have no layout here.
#include <map>
#include <string>
#include <vector>

#include "store/layouts.h"

namespace store {
namespace {

using Fields = std::vector<FieldSpec>;

FieldSpec C(const char* name, int length) { return {name, 'C', length, 0}; }
FieldSpec N(const char* name, int length, int decimals = 0) { return {name, 'N', length, decimals}; }
FieldSpec D(const char* name) { return {name, 'D', 8, 0}; }
FieldSpec L(const char* name) { return {name, 'L', 1, 0}; }
FieldSpec amount(const char* name) { return {name, 'N', 15, 2}; }

// Table 42: one record per terminal.
Fields terminal_configuration() {
  return {C("NRO_TERM", 2),   C("ROTAANTER", 80), C("ROTADOANO", 80), C("ROTAREANT", 80),
          C("ROTARECEI", 80), C("ROTAJAVA", 80),  C("ROTABACK", 80),  C("DIRTRAB", 80),
          C("DIRPROV", 80),   C("DIRINST", 80),   N("QUEIMP", 2),     N("QUEMOD", 1),
          N("QUEPAG", 2),     N("QUECON", 1),     N("ENV_STAT", 1),   N("MARESQ", 2),
          N("INIFOL", 2),     N("LINETI", 2),     N("NRO_LIN", 2),    N("OPC_TRAN", 2),
          N("COMPAGA", 1),    C("IMPBEM", 1),     C("IMPBAL", 1),     C("MOSIMP", 1),
          C("MOSTEL", 1),     C("MOSCPF", 1),     N("ULT_TER", 1),    N("ULT_MOD", 1),
          C("ULT_CPF", 11),   C("XDRIVE", 1),     N("SOESTE", 2),     N("OPTTRAN", 1),
          N("NOVOIT", 2),     D("ULTBACK"),       C("OPCIRPF", 1),    C("NOMEAG", 22),
          N("OPCFIM", 1)};
}

// Due dates of quotas 1 to 8: VCTO1..VCTO8.
void quota_due_dates(Fields& t) {
  for (int k = 1; k <= 8; ++k) t.push_back({"VCTO" + std::to_string(k), 'D', 8, 0});
}

// Table 43: the office's single definitions record.
Fields office_definitions() {
  Fields t;
  quota_due_dates(t);
  t.insert(t.end(),
           {N("VAL_SEG", 5, 2),   N("VAL_BYTE", 5, 2),  N("VAL_MIN", 8, 2),   N("COMO_SAL", 1),
            N("TEMP_SAL", 2),     N("TEMP_DES", 2),     N("VAL_CPMF", 8, 4),  N("VAL_DOLAR", 8, 4),
            C("BOL_BANCO", 4),    C("BOL_AGENCI", 4),   C("BOL_CONTA", 6),    C("BOL_NOME", 30),
            C("BOL_CNPJ", 14),    C("BOL_CPF", 11),     C("BOL_CARTEI", 3),   N("BOL_NOSNRO", 8),
            C("SER_SMTP", 47),    C("NOM_USUA", 40),    C("EMA_USUA", 40),    C("SEN_USUA", 19),
            C("MEMORIZ", 1),      C("VER_ATUAL", 1),    C("PROCESSA", 1),     C("PROGCOMP", 1),
            N("STATRAVA", 2),     C("GERENTE", 50),     C("CCT2", 50),        L("CORRURAL")});
  return t;
}

Fields corrected_tax_list() {
  return {C("CPF", 11),        C("NOMECONTR", 53), D("NASCIMENTO"), amount("IMPPGRE"),
          N("QTD_QUOTA", 1),   amount("IMPOSTO"),  amount("RESTITU"), amount("CORRIGI")};
}

Fields folder_list() { return {C("SELEC", 1), C("DIRETOR", 80)}; }

Fields asset_descriptions() { return {C("DESCRICAO", 512), N("CODIGO", 3)}; }

Fields payees() { return {C("NOME", 50), C("CGCCPF", 18), N("CODIGO", 2)}; }

Fields pending_problems() {
  return {N("CODERR", 2), C("DESCRI", 60), N("GRAU", 1), N("PAGINA", 2)};
}

Fields colours() {
  return {C("NRO_TERM", 2),    N("COR_TEL1", 3),   N("COR_TEL2", 3),   N("COR_TEL3", 3),
          N("COR_MENS", 3),    N("COR_PEGA", 3),   N("COR_VEXA", 3),   N("COR_FERID", 3),
          N("COR_ESCOL", 3),   N("COR_ENCHE", 3),  C("COR_1_CLI", 10), C("COR_2_CLI", 10),
          C("COR_INI", 10),    C("COR_SAY", 10),   C("COR_GET", 10),   C("COR_CLI_HE", 10),
          C("COR_ESC_CL", 10), C("COR_ENCH_C", 10)};
}

Fields printer_choice() {
  return {C("NRO_TERM", 2), C("NOMEIMP", 60), C("IPADRAO", 60), C("SEQ0", 2), C("SEQ1", 2)};
}

Fields income_statements() {
  return {C("CPF", 11),          C("NOMECONTR", 47),   C("NOMEFONTE", 40),   C("CNPJFONTE", 18),
          amount("RENDIMENT"),   amount("PREVOFICA"),  amount("PREVPRIVA"),  amount("PENSAOPAG"),
          amount("IRRETIDO"),    amount("ISENTOAPO"),  amount("DIARIAS"),    amount("PENSAOREC"),
          amount("LUCRODIV"),    amount("SOCIO"),      amount("IDENIZA"),    amount("DECIMO3RO"),
          C("COMPLENTA", 40),    C("OUTROS", 40),      C("OUTROSEXC", 40),   amount("VALOUTRO"),
          amount("VALOUTRE"),    amount("IRRF13"),     amount("VALRENRRA"),  amount("VALACAO"),
          amount("VALPRERRA"),   amount("VALPENRRA"),  amount("VALIRFRRA"),  amount("VALMOLRRA"),
          N("QTDMES", 5, 1)};
}

Fields bank_slips() {
  return {N("NRODOCUM", 5),       N("NOSSONRO", 8), D("DATADOC"), amount("VALORDOC"),
          C("NOMESAC", 30),       C("CPFSAC", 11)};
}

Fields detail_work_table() {
  return {C("DESCRICAO", 40), amount("VALORDOC"), N("PERCDESP", 9, 2), N("PERCRECE", 9, 2)};
}

Fields import_list() {
  return {C("CPF", 11),  C("NOMECONTR", 40), C("NOMEARQ", 180), C("TIPO", 12),
          C("ORIGEM", 12), C("IMPRE", 1)};
}

Fields appointments() {
  return {C("NOMEAG", 22), C("HORAG", 5), C("ANOTAG", 60), D("DATAG"), L("AVISAG")};
}

Fields use_log() {
  return {C("NOMEAG", 22), C("CPF", 11),   C("NOMECONTR", 53), D("DATAUSO"),
          C("INIUSO", 8),  C("FIMUSO", 8), C("TEMUSO", 8)};
}

Fields income_sources() { return {C("NOME", 50), C("CGCCPF", 18)}; }

Fields bank_list() {
  return {C("NOME", 30),     C("CNPJ", 18),      N("I7_5", 3),
          C("AGENCBAN", 4),  C("CONTABAN", 13),  C("DVBAN", 2)};
}

// Text copy of the asset records: every field is text.
Fields asset_export() {
  return {C("CPF", 11),      C("I7_1", 3),      C("I7_2", 512),    C("I7_3", 14),
          C("I7_4", 14),     C("I7_5", 3),      C("GRPO", 2),      C("CODB", 2),
          C("ENDEIMO", 30),  C("NUMIMO", 6),    C("COMPIMO", 30),  C("BAIRIMO", 30),
          C("CEPIMO", 8),    C("MUNICIMO", 30), C("UFIMO", 2),     C("I7_8", 3),
          C("REG_IPTU", 20), C("REG_NIRF", 8),  C("DATA_IMO", 10), C("AREAIMO", 10),
          C("UNIDADE", 1),   C("REGISTRO", 1),  C("MATRICU", 40),  C("LIVRORG", 40),
          C("CARTORIO", 40), C("REG_AVI", 30),  C("RENAVAM", 11),  C("REG_BAR", 30),
          C("AGENCBAN", 4),  C("CONTABAN", 13), C("DVBAN", 2),     C("CPF_CNPJ", 18)};
}

Fields previous_years() {
  return {C("CPF", 11),         C("ANOBASE", 4),      C("NOMECONTR", 53),   C("COMPLETA", 1),
          N("RESULTAD", 1),     amount("TOTIMPOS"),   amount("TOTRTRIB"),   amount("TOTRISEN"),
          amount("TOTRTRIE"),   amount("TOTPAGTO"),   amount("BASECALC"),   amount("ABATIMEN"),
          N("ALIQEFET", 5, 2),  amount("BENSANA"),    amount("BENSBASE"),   amount("DIVANA"),
          amount("DIVBASE"),    amount("VALIRPF")};
}

const std::map<int, Fields>& all_office_layouts() {
  static const std::map<int, Fields> kLayouts{
      {42, terminal_configuration()}, {43, office_definitions()}, {44, corrected_tax_list()},
      {50, folder_list()},            {52, asset_descriptions()}, {53, payees()},
      {54, pending_problems()},       {56, colours()},            {57, printer_choice()},
      {63, income_statements()},      {67, bank_slips()},         {68, detail_work_table()},
      {70, import_list()},            {72, appointments()},       {73, use_log()},
      {74, income_sources()},         {77, bank_list()},          {78, asset_export()},
      {80, previous_years()}};
  return kLayouts;
}

}  // namespace

const std::vector<FieldSpec>& office_layout(int table) {
  static const Fields kNone;
  const auto& layouts = all_office_layouts();
  auto it = layouts.find(table);
  return it == layouts.end() ? kNone : it->second;
}

}  // namespace store
