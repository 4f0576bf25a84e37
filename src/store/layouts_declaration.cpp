// Layouts of the 21 declaration tables IMP01..IMP21, field by field in file order.
// Fields produced by a naming rule are appended by the small functions below, each
// named for its rule, at the place the rule stands in the table.
#include <array>
#include <initializer_list>
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
FieldSpec amount(const std::string& name) { return {name, 'N', 15, 2}; }

void add(Fields& t, std::initializer_list<FieldSpec> fields) { t.insert(t.end(), fields); }

// "01".."99": two digits with a leading zero.
std::string two(int n) {
  return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

// Table 01: exempt line I3_nn for nn = 01..26, each of the first twelve followed by the
// exclusive-taxation line I4_nn.
void exempt_and_exclusive_lines(Fields& t) {
  for (int nn = 1; nn <= 26; ++nn) {
    t.push_back(amount("I3_" + two(nn)));
    if (nn <= 12) t.push_back(amount("I4_" + two(nn)));
  }
}

// Table 01: lines 01..51 of the tax computation.
void tax_computation_lines(Fields& t) {
  for (int nn = 1; nn <= 51; ++nn) t.push_back(amount("I13_" + two(nn)));
}

// Table 02: for months 01..12, income I1_4mm, tax withheld I1_5mm, social security I1_6mm.
void monthly_income_values(Fields& t) {
  for (int mm = 1; mm <= 12; ++mm)
    for (const char* prefix : {"I1_4", "I1_5", "I1_6"}) t.push_back(amount(prefix + two(mm)));
}

// Table 06: monthly amounts I6_401..I6_412, N 14,2.
void monthly_payment_amounts(Fields& t) {
  for (int mm = 1; mm <= 12; ++mm) t.push_back({"I6_4" + two(mm), 'N', 14, 2});
}

// Table 07: the monthly receipt grid, ten fields per month 01..12.
void monthly_receipt_grid(Fields& t) {
  struct Column {
    const char* prefix;
    int length;
    int decimals;
  };
  static const std::array<Column, 10> kColumns{{{"REC_MES", 15, 2},
                                                {"VAL_TRI", 15, 2},
                                                {"DIA_REC", 2, 0},
                                                {"IMP_DEV", 15, 2},
                                                {"IMP_PAG", 15, 2},
                                                {"IMP_LEI", 15, 2},
                                                {"REC_USA", 15, 2},
                                                {"VAL_USA", 10, 4},
                                                {"VAL_COR", 15, 2},
                                                {"VAL_A31", 15, 2}}};
  for (int mm = 1; mm <= 12; ++mm)
    for (const Column& c : kColumns) t.push_back({c.prefix + two(mm), 'N', c.length, c.decimals});
}

// Table 12: months 01..13, and within each month columns k = 1..7: I2_ + k + mm.
void self_employed_grid(Fields& t) {
  for (int mm = 1; mm <= 13; ++mm)
    for (int k = 1; k <= 7; ++k) t.push_back(amount("I2_" + std::to_string(k) + two(mm)));
}

// Table 15: monthly rural revenue I3_mmOR and expense I3_mmOD, months 01..12.
void rural_monthly_revenue_expense(Fields& t) {
  for (int mm = 1; mm <= 12; ++mm) {
    t.push_back(amount("I3_" + two(mm) + "OR"));
    t.push_back(amount("I3_" + two(mm) + "OD"));
  }
}

// Table 15: rural result lines I4R_01..I4R_07.
void rural_result_lines(Fields& t) {
  for (int nn = 1; nn <= 7; ++nn) t.push_back(amount("I4R_" + two(nn)));
}

// Table 15: herd movement of five kinds of animals, I7_kA, I7_kB, I7_kC, I7_kS, I7_kV1, N 6.
void herd_movement(Fields& t) {
  for (int k = 1; k <= 5; ++k)
    for (const char* suffix : {"A", "B", "C", "S", "V1"})
      t.push_back({"I7_" + std::to_string(k) + suffix, 'N', 6, 0});
}

Fields table01() {
  Fields t{C("CPF", 11)};
  exempt_and_exclusive_lines(t);
  add(t, {amount("I3_04GCPV"),  amount("I3_04UNIC"),  amount("I3_04REDU"),  amount("I3_04EXTR"),
          amount("I3_04GCPVC"), amount("I3_04UNICC"), amount("I3_04REDUC"), amount("I3_04EXTRC"),
          C("DESPINST", 1),     N("DESPALIM", 1),     C("RELDEPEN", 20),    C("INDSOBRE", 1),
          C("INDPES", 1),       C("INDSFIM", 1),      C("CPFINVENT", 11),   C("NOMINVENT", 40),
          C("ENDINVENT", 70),   D("DATAPARTI"),       D("DATADECIS"),       C("NROPROCES", 25),
          C("VARACIVIL", 4),    C("COMARCA", 25),     C("UFPROCES", 2),     C("CPFINVENT2", 11),
          C("NOMINVENT2", 40),  C("ENDINVENT2", 70),  D("DATAPARTI2"),      D("DATADECIS2"),
          C("NROPROCES2", 25),  C("VARACIVIL2", 4),   C("COMARCA2", 25),    C("UFPROCES2", 2),
          N("ANOOBITO", 4),     C("DECFINAL", 1),     C("DECSAIDA", 1),     D("DATASAIDA"),
          C("DECJUDI", 1),      D("DATALAVRA"),       C("NOMECARTO", 80),   C("CNPJCARTO", 14),
          C("MUNICARTO", 30),   N("LIVRCARTO", 7),    N("FOLHCARTO", 7),    C("DECJUDI2", 1),
          D("DATALAVRA2"),      C("NOMECARTO2", 80),  C("CNPJCARTO2", 14),  C("MUNICARTO2", 30),
          N("LIVRCARTO2", 7),   N("FOLHCARTO2", 7),   C("MORTE2", 1),       C("INVCONJ", 1),
          C("MEEIRO", 1)});
  tax_computation_lines(t);
  add(t, {amount("IR_EXTER"),  N("QTD_QUOTA", 1),    amount("CARNEINSS"), amount("CARNEDEPEN"),
          amount("PREVIDENC"), C("TIPO_PF", 1),      amount("TOTTRABT"),  amount("TOTALUGT"),
          amount("TOTOUTRT"),  amount("TOTTRABD"),   amount("TOTALUGD"),  amount("TOTOUTRD"),
          amount("EMPRUR"),    amount("AMORUR"),     amount("OUTREC"),    amount("VALFUTUR"),
          amount("OUTRDES"),   amount("PREJVEN"),    amount("PREJVEN1"),  amount("PREJRUR"),
          amount("PREJRVA"),   amount("LUCRRVA"),    amount("DESPNAO"),   amount("EMPREST"),
          amount("DESPDECLA"), amount("DESPADRAO"),  N("INDALERTA", 2),   amount("IMPOANTER"),
          amount("CUSTOANT"),  amount("CUSTOANO"),   amount("ENTRADGP"),  amount("ISENTNAO"),
          N("CAL_AUTO", 1),    L("SO_REC"),          L("NOVREG")});
  return t;
}

Fields table02() {
  Fields t{C("CPF", 11),      C("I1_1", 1),      C("I1_2", 60),     C("I1_3", 18),
           amount("I1_4"),    amount("I1_5"),    amount("I1_6"),    amount("I1_7"),
           C("I1_8", 11),     C("TIPOCR", 1),    D("DT_LC"),        amount("I1_9"),
           amount("I1_10"),   C("I1_11", 1),     amount("I1_12"),   amount("I1_13"),
           amount("I1_14"),   amount("I1_15"),   amount("I1_16"),   amount("I1_17"),
           amount("I1_18"),   amount("I1_19"),   amount("I1_20"),   N("I1_21", 5, 1),
           C("I1_22", 11),    amount("I1_23"),   amount("I1_24"),   amount("I1_25"),
           amount("I1_26"),   amount("I1_27"),   amount("I1_28"),   amount("I1_29"),
           amount("I1_30"),   amount("I1_31"),   amount("I1_32"),   amount("I1_33"),
           amount("I1_34"),   C("I1_35", 50),    C("I1_36", 2),     amount("I1_37"),
           amount("I1_38"),   amount("I1_39"),   C("I1_40", 11),    C("I1_41", 1),
           amount("I1_42"),   amount("I1_43"),   amount("I1_44"),   L("NEW1"),
           N("REFBEM", 4)};
  monthly_income_values(t);
  return t;
}

Fields table03() {
  return {C("CPF", 11),      C("NOMEDEPEN", 41), N("CODIDEPEN", 3), D("DATADEPEN"),
          C("CPFDEPEN", 11), N("NRODEPEN", 2),   C("CPFHERDE", 18), C("NITDEPEN", 11),
          C("SAIUJUNT", 1),  N("PERCENT", 6, 2), C("MORAJUNT", 1),  C("TIT_DEPE", 1),
          C("TEL_DEPEN", 11), C("EMAIL_DEPE", 40), C("CPFRESPON", 11)};
}

Fields table04() {
  return {C("CPF", 11),      N("I7_0", 4),       N("I7_1", 3),      C("I7_2", 512),
          amount("I7_3"),    amount("I7_4"),     N("I7_5", 3),      N("I7_6", 4),
          C("I7_7", 1),      C("I7_8", 3),       amount("I7_9"),    C("I7_10", 1),
          C("ENDEIMO", 30),  C("NUMIMO", 6),     C("COMPIMO", 30),  C("BAIRIMO", 30),
          C("CEPIMO", 8),    C("MUNICIMO", 30),  C("UFIMO", 2),     C("CODMIMO", 4),
          C("MATRICU", 40),  C("LIVRORG", 40),   C("CARTORIO", 40), N("AREAIMO", 9, 1),
          C("UNIDADE", 1),   C("REGISTRO", 1),   C("CPF_CNPJ", 18), D("DATA_IMO"),
          C("RENAVAM", 11),  C("REG_NIRF", 8),   C("REG_IPTU", 20), C("REG_AVI", 30),
          C("REG_BAR", 30),  C("AGENCBAN", 4),   C("CONTABAN", 13), C("DVBAN", 2),
          C("JA_FEZ", 1),    C("CPFDEP", 11),    C("NROBANCO", 3),  N("PERCENT", 6, 2),
          C("GRPO", 2),      C("CODB", 2),       L("FLAG2"),        C("BOLSA", 1),
          C("CODNEGO", 13)};
}

Fields table05() {
  return {C("CPF", 11),   N("I8_0", 4),   N("I8_1", 3),   C("I8_2", 512), amount("I8_3"),
          amount("I8_4"), N("I8_5", 3),   amount("I8_6"), amount("I8_7")};
}

Fields table06() {
  Fields t{C("CPF", 11),   C("I6_1", 50), C("I6_2", 18),   N("I6_3", 2),  amount("I6_4"),
           amount("I6_5"), N("I6_6", 2),  amount("I6_8"), C("I6_9", 250)};
  monthly_payment_amounts(t);
  return t;
}

Fields table07() {
  Fields t{C("CPF", 11),          C("CPFALIEN", 11),     N("BEM_NRO", 2),       N("RVAR_NRO", 2),
           C("DAY_TRADE", 1),     N("TIPO_BEM", 1),      N("NRO_ITEM", 3),      C("CPF_DEPE", 11),
           C("CPFADQ", 18),       C("MAISDE1", 1),       C("CPFNOME", 250),     N("PER_TRI", 10, 6),
           C("NOME_ADQ", 53),     C("ESPC_BEM", 100),    C("RUAIMO", 11),       C("ENDEIMO", 30),
           C("NUMIMO", 6),        C("COMPIMO", 21),      C("BAIRIMO", 20),      C("CEPIMO", 8),
           C("MUNICIMO", 30),     C("UFIMO", 2),         C("CODIMO", 4),        D("DATA_ALI"),
           D("DATA_ADQ"),         C("NOME_SOCIE", 32),   C("CGC_SOCIE", 14),    C("CID_SOCIE", 30),
           C("EST_SOCIE", 2),     N("IND_ALI", 11, 4),   amount("VAL_ALI"),     amount("CUS_ATUAL"),
           amount("VAL_CORR"),    amount("VAL_RECOL"),   amount("VAL_RECUS"),   amount("VAL_TRIBU"),
           amount("VAL_NAOTRI"),  amount("VAL_IMPOSV"),  amount("VAL_IMPOSP"),  amount("IMPPAGO"),
           C("VEN_PRAZO", 1),     C("PEQ_VALOR", 1),     C("UNIC_IMOV", 1),     C("USU_440", 1),
           N("CODNATUR", 2),      C("NATUOPER", 30),     N("COD_OPER", 1),      C("PARCOMPRA", 1),
           C("VENDAANT", 1),      C("USA_ART31", 1),     amount("VAL_PARTE"),   amount("LEI_11083"),
           amount("IMP_PAGEX"),   N("PERART31", 10, 6),  N("TIPOPART", 1),      N("FR1", 18, 8),
           N("FR2", 18, 8),       amount("REDUCAO"),     amount("FATOR1"),      amount("FATOR2"),
           amount("GAN_TRIV"),    amount("GAN_TRIP"),    amount("VAL_ANTE"),    amount("VAL_DIFE"),
           amount("IMP_ANTE"),    amount("IMP_DIFE"),    C("FOIDIFE", 1),       C("SUJREG", 1),
           L("NEW"),              C("REFIRPF", 3),       D("DATA_PAR"),         N("PERIMP", 10, 6),
           C("CAUSA", 1),         amount("GANHOAN"),     C("OUTRAVEN", 1),      amount("VALALIUS"),
           N("DOLARAQU", 10, 4),  N("DOLARVEN", 10, 4),  amount("AQUI_US"),     amount("AQUI_BR"),
           amount("ALIE_US"),     amount("ALIE_BR"),     amount("GCAP_US"),     amount("GCAP_BR"),
           C("CODEXTE", 3),       C("BEMBRASIL", 1),     amount("CORR_ANTE"),   amount("APLI_ANTE"),
           N("CM_PONDER", 15, 6), N("MOV_ACAO", 9)};
  monthly_receipt_grid(t);
  return t;
}

Fields table08() {
  return {C("CPF", 11),          N("BEM_NRO", 2),       N("RVAR_NRO", 2),      C("DAY_TRADE", 1),
          amount("VALOR_REDU"),  amount("VALOR_CUST"),  D("DATA_CUST"),        N("IND_CUST", 10, 4),
          N("PER_RED", 3),       N("PER_RED1", 11, 8),  N("PER_RED2", 11, 8),  N("PER_CUST", 12, 6),
          amount("RESUL_2"),     amount("RESUL_3"),     N("SALDO_COEF", 14, 4), N("CM_PONDER", 15, 6),
          N("SALDO_ACAO", 9),    N("MOV_ACAO", 9),      amount("CUST_UNI"),    N("CMED_COEF", 18, 4),
          N("TIPO_OPER", 1),     N("TIPO_ACAO", 1),     C("LOTE", 17)};
}

Fields table09() {
  return {C("CPF", 11),         C("RETIFICA", 1),      C("NOMECONTR", 53),    C("TIPOEND", 11),
          C("ENDERECO", 37),    C("NUMERO", 6),        C("COMPLEM", 21),      C("BAIRRO", 20),
          C("CEP", 9),          C("CODMUNI", 4),       C("MUNICIPIO", 30),    C("UF", 2),
          C("CODPAIS", 3),      C("CODEMB", 3),        C("DDDTEL", 2),        C("TELEFO", 9),
          C("DDDFAX", 2),       C("NROFAX", 9),        C("EMAIL", 90),        D("NASCIMENTO"),
          C("TITULO", 13),      C("CGCPAGADOR", 18),   C("OCUPACAO", 69),     C("CDPRO", 3),
          C("CODAT", 2),        C("DESCRAT", 58),      C("NRORECIBO", 12),    C("RECIBOATU", 12),
          C("RECIBOANT", 12),   C("CODACESSO", 12),    C("SENACESSO", 15),    D("VALIDSENA"),
          D("DENTREGA"),        C("EMPRESA", 40),      N("NRETIF", 3),        C("TEMRURAL", 1),
          C("ATV_BRASIL", 1),
          // The rural-activity-abroad flag AGRIX_EXTER: a DBF field name holds 10 characters,
          // so the stored name is its first ten.
          C("AGRIX_EXTE", 1),
          C("E_INVALIDO", 1),   C("REGPROF", 17),      C("NIT_TIT", 11),      C("PROCBRASIL", 11),
          C("EBRASIL", 1),      C("EXTERIOR", 1),      C("TEMCONJU", 1),      C("CPFCONJU", 11),
          N("TIPOREL", 1),      C("NOVOEND", 1),       N("TEM_USO", 6),       N("TAM_USO", 6),
          C("IMPRE", 1),        N("ESTATUS", 2),       N("ORDEM", 2),         C("SOMAG", 1),
          amount("I9_2"),       amount("I9_3"),        C("I9_4", 1),          C("I9_5", 1),
          C("I9_6", 1),         C("DIRCONJU", 80),     amount("VALOREC"),     C("BANCO", 3),
          C("AGENCIA", 4),      C("CONTACO", 15),      C("DEBITAUT", 1),      N("TIPOCONTA", 1),
          amount("SALDO"),      N("INDGAS", 6, 2),     C("USAPADRAO", 1),     C("CONJPAD", 1),
          amount("IMPPGRE"),    amount("I13_20"),      amount("I13_24"),      amount("I13_27"),
          amount("I13_28"),     amount("I13_35"),      amount("I13_44"),      amount("I13_45"),
          amount("EXGSUSP"),    N("QTD_QUOTA", 1),     amount("I13_1C"),      amount("I13_2C"),
          amount("I13_3C"),     amount("I13_4C"),      amount("I13_5C"),      C("NUSUAT", 2),
          C("SO_SIMPLES", 1),   C("NOVO", 1),          C("TELCELU", 9),       C("TELESCR", 9),
          C("TELSECR", 9),      D("ULTRESI"),          D("ULTIMOV"),          C("NROBEN1", 11),
          C("NROBEN2", 11),     C("SENGOV", 40),       N("NRQUOTA", 1),       amount("DFQUOTA"),
          N("NRCLEAO", 2),      amount("DFCLEAO"),     N("NRGCAPIT", 2),      amount("DFGCAPIT"),
          N("NRRVARIV", 2),     amount("DFRVARIV"),    amount("TRIB_EX"),     amount("NTRIB_EX"),
          amount("PREJU_EX"),   amount("DIVAD_EX"),    amount("DIVPG_EX"),    amount("TRIB_BR"),
          amount("NTRIB_BR"),   amount("PREJU_BR"),    amount("DIVAD_BR"),    amount("DIVPG_BR"),
          C("NOMEAG", 22),      D("DATAFIM"),          C("HORAFIM", 8)};
}

Fields table10() {
  return {C("CPF", 11), N("CODDESP", 3), C("DESCDESP", 25), amount("VALODESP"), C("DESCRITEM", 25)};
}

Fields table11() {
  return {C("CPF", 11),   C("OBSERV", 75), N("CODERR", 2), N("PAGINA", 2), C("NOTAS", 75),
          C("IMPRE", 1),  N("REGIS", 3),   N("OPCIR", 3),  N("COLUN", 2)};
}

Fields table12() {
  Fields t{C("CPF", 11), C("CPFDEPEN", 11)};
  self_employed_grid(t);
  return t;
}

Fields table13() {
  return {C("CPF", 11),       C("CDCONTA", 4),     C("DESCONTA", 60), N("VALODESP", 13, 2),
          N("NROITEM", 3),    C("NROCGCCPF", 18),  L("LANCADO"),      N("MESINI", 2),
          N("MESFIM", 2),     C("CPFDEPEN", 11),   C("DESCRI", 50)};
}

Fields table14() { return {C("CPF", 11), C("DESCRICAO", 40), amount("PREJUIZO")}; }

Fields table15() {
  Fields t{C("CPF", 11), C("ATV_BRASIL", 1)};
  rural_monthly_revenue_expense(t);
  rural_result_lines(t);
  add(t, {amount("I5_08"), amount("I5_09"), amount("I5_10"), amount("I6_10"), C("OPT_20", 1),
          C("OPT_20E", 1)});
  herd_movement(t);
  add(t, {C("I7_V1", 22),        L("SO_TOTAL"),        N("TIPO_LANCA", 1),  C("NOME_CONT", 50),
          C("CPFCNPJ_CO", 18),   C("CRC_CONT", 15),    C("EMAIL_CONT", 80), C("FONE_CONT", 11)});
  return t;
}

Fields table16() {
  return {C("CPF", 11),         C("ATV_BRASIL", 1),   N("I2R_00", 3),       C("I2R_01", 60),
          N("I2R_02", 9, 2),    C("I2R_03", 8),       N("I2R_04", 6, 2),    N("I2R_05", 1),
          C("I2R_06", 55),      N("I2R_07", 2),       amount("VALITR"),     C("CODPAIS", 3),
          amount("RECEXT"),     amount("DESEXT"),     N("VALUSE", 7, 2),    amount("RESUS"),
          amount("OPC20US"),    amount("OPC20RS"),    C("CAEPF", 14),       C("INSCR_ES", 14),
          C("NUM_IMR", 6),      C("COMP_IMR", 50),    C("DISTR_IMR", 30),   C("UF_IMR", 2),
          C("CODM_IMR", 7),     N("CEP_IMR", 8),      N("TIPO_CONTR", 1),   C("CPF_CONTR", 11),
          C("NOME_CONTR", 50),  N("PERC_CONTR", 6, 2), C("CPFPJ_CONT", 18), C("CPF_NOME", 200)};
}

Fields table17() {
  return {C("CPF", 11),    C("ATV_BRASIL", 1), N("ITEM", 4),    N("CODIGO", 3),  N("I8R_0", 5),
          C("I8R_1", 512), amount("I8R_2"),    C("I8R_3", 3),   N("I8R_4", 1),   amount("I8R_5")};
}

Fields table18() {
  return {C("CPF", 11),    C("ATV_BRASIL", 1), N("I9R_0", 4),     N("ITEM", 3),   C("I9R_1", 512),
          amount("I9R_2"), amount("I9R_3"),    amount("I9R_4"),   amount("I9R_5")};
}

Fields table19() {
  return {C("CPF", 11),      C("ATV_BRASIL", 1), D("DT_LC"),          C("DESCR", 41),
          N("VALOR", 14, 2), N("NROIMO", 2),     C("TIPOCR", 1),      C("TEMITR", 1),
          C("ID_PARTIC", 18), N("TIPODOC", 1),   N("COD_CONTA", 3),   C("NUM_DOC", 20)};
}

Fields table20() {
  return {C("CPF", 11),       N("REFEREN", 4),    C("NOMEDEPEN", 41), N("NRODEPEN", 2),
          C("CPFHERDE", 18),  N("PERCENT", 6, 2), amount("VALORBEM"), C("DESCRBEM", 512),
          N("CODIGBEM", 3),   C("I7_7", 1),       C("I7_8", 3),       amount("VALPARCE"),
          D("DATPARCE"),      L("PARCELAN"),      C("ENDEIMO", 30),   C("NUMIMO", 6),
          C("COMPIMO", 30),   C("BAIRIMO", 30),   C("CEPIMO", 8),     C("MUNICIMO", 30),
          C("UFIMO", 2),      C("CODMIMO", 4),    C("MATRICU", 40),   C("LIVRORG", 40),
          C("CARTORIO", 40),  N("AREAIMO", 9, 1), C("UNIDADE", 1),    C("REGISTRO", 1),
          C("CPF_CNPJ", 18),  D("DATA_IMO"),      C("RENAVAM", 11),   C("REG_NIRF", 8),
          C("REG_IPTU", 20),  C("REG_AVI", 30),   C("REG_BAR", 30),   C("NROBANCO", 3),
          C("GRPO", 2),       C("CODB", 2)};
}

Fields table21() {
  return {C("CPF", 11),       C("ATV_BRASIL", 1), N("COD_CONTA", 3), C("NRO_BANCO", 3),
          C("NOM_BANCO", 30), N("NRO_AGENC", 4),  N("NRO_CONTA", 16), C("PAIS_CTA", 3)};
}

const std::array<Fields, 22>& all_declaration_layouts() {
  static const std::array<Fields, 22> kLayouts{
      Fields{},  table01(), table02(), table03(), table04(), table05(), table06(), table07(),
      table08(), table09(), table10(), table11(), table12(), table13(), table14(), table15(),
      table16(), table17(), table18(), table19(), table20(), table21()};
  return kLayouts;
}

}  // namespace

const std::vector<FieldSpec>& declaration_layout(int table) {
  const auto& layouts = all_declaration_layouts();
  if (table < 1 || table > 21) return layouts[0];
  return layouts[static_cast<std::size_t>(table)];
}

}  // namespace store
