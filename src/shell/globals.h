#pragma once
// The global settings: named values set at start-up and read everywhere.
// Texts are CP850; dates are calendar dates (an empty date is year 0).
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "util/codepage.h"

namespace shell {

using Date = std::chrono::year_month_day;

struct GlobalSettings {
  // Years: next, filing year, base year, year before the base year.
  std::string CANOFUTUR = "24", CANOATUAL = "23", CANOANTER = "22", CANOANTES = "21";
  int NANOFUTUR = 2024, NANOATUAL = 2023, NANOANTER = 2022, NANOANTES = 2021;
  Date DDIAENTRA{std::chrono::year{2023}, std::chrono::month{5}, std::chrono::day{31}};
  Date DDIADEBA{std::chrono::year{2023}, std::chrono::month{5}, std::chrono::day{10}};
  std::string CULTIMAVER = "22/11/23";
  std::string VERSAO = "Vav2 ";
  std::string CNOMPROG = "7z.exe";
  std::string DIRINST;
  std::string NUSU = "00";
  std::string DIRDEF, ROTADEF, ARQDEF;
  std::string CRLF = "\r\n";

  Date HOJE{}, DATCALEN{};
  int DIA = 0, MESCALEN = 0, ANOCALEN = 0;
  std::string CARDIA, CARMES, CARANO, POSCALEN;
  int DIAINIC = 0;

  bool MOS_MENS = false;
  std::vector<int> ALJB = std::vector<int>(20, 0), ACJB = std::vector<int>(20, 0);
  std::vector<int> ACJ, ALJ, ACJA, ALJA;
  int NT = 1, NTA = 1, NTB = 1;
  int CONT_OLD = 0, NL_OLD = 0, TAM_OLD = 0;
  int OPCAO_1 = 1;
  bool LESTOUNADECL = false;
  bool LRECUPERA = false;
  bool REFAZ_IND = false;
  std::string APELIDO;
  std::vector<std::string> ASIMNAO = {"SIM", "NAO"};
  bool LBUSCACEP = true;
  int NROLINHAS = 60;
  int NRO_VIAS = 1;
  std::string CVIAS = "1";
  int NESQ = 0, NINIF = 0, NLINE = 6, NNROL = 60;
  int NDESINI = 1, NDESFIM = 99, NRODIA = 31;
  std::string CEMAIL_ENV = std::string(41, ' '), CASSUNTO = std::string(58, ' '), CANEXO = std::string(40, ' ');
  std::string CENVPEND = "N", CEDITEXT = "N";
  std::string CCORPO;
  int NQUENOTA = 1;
  std::string DESTINO = std::string(80, ' '), ORIGEM = std::string(80, ' ');
  std::string DECFINAL = "N", DECSAIDA = "N";
  std::string DAY_TRADE = " ";
  std::string NOMCART = std::string(12, ' '), CNOMEUSU = std::string(22, ' ');
  bool PRIM_ETI = true, PRIM_DARF = true;
  int QUO_FUTU = 0, QTD_IMPR = 0;
  bool LMUDOUPASTA = true;
  std::string CCONFERE = "A";
  bool CAL_AUTO = true;
  bool JA_CALC = false;
  std::string NOMESAC = std::string(30, ' '), CPFSAC = std::string(11, ' '), CPFEMAIL = std::string(11, ' ');
  std::string ARQ_IMP = " ";

  // Colours: attribute numbers and colour pairs.
  int COR_TEL1 = 30, COR_TEL2 = 31, COR_TEL3 = 63, COR_MENS = 112, COR_PEGA = 15, COR_VEXA = 112;
  int COR_FERID = 28, COR_ESCOL = 79, COR_ENCHE = 31;
  std::string COR_AZUL = "B+/W", COR_1_CLI = "GR+/B", COR_2_CLI = "W+/B", COR_INI = "W+/B";
  std::string COR_SAY = "N/W+", COR_GET = "W/N", COR_CLI_HE = "N/W", COR_ESC_CL = "W/R+", COR_ENCH_C = "W+/B";
  // Derived colour lists (build_colour_lists).
  std::string CORNORM, CORLIMP, CORSELE, INVISIVEL, CORMENU, CORATEN;
  // The current colour list of plain screen output (SETCOLOR).
  std::string current_colour = "N/W";

  // Terminal configuration copied at start-up (terminal configuration record).
  std::string NOMEAG, OPCIRPF = "J", ROTAANTER, ROTARECEI, ROTAJAVA, ROTABACK, ROTADOANO, DIRTRAB, DIRPROV;
  int QUEIMP = 1, QUEMOD = 1, QUEPAG = 1, QUECON = 1;
  std::string MOSIMP = "S", MOSTEL = "S", MOSCPF = " ";
  int COMPAGA = 1;
  std::string IMPBEM = "1", IMPBAL = "1";
  std::string ULT_CPF = std::string(11, ' '), CPF = std::string(11, ' ');
  int ULT_TER = 0, ULT_MOD = 1;
  std::string ROTAREANT;
  std::string XDRIVE = "C";
  int SOESTE = 9, OPTTRAN = 0;
  Date ULTBACK{};
  int ENV_STAT = 2, OPC_TRAN = 7, OPCFIM = 0;
  int MARESQ = 0, INIFOL = 0, LINETI = 6, NRO_LIN = 60;
  std::string LOCIRPF;
  std::string NOMECONTR = std::string(53, ' ');
  std::string CQUER = "1";

  // Office definitions copied at start-up.
  double VAL_SEG = 0, VAL_BYTE = 0, VAL_MIN = 0, VAL_CPMF = 0;
  int COMO_SAL = 0;
  int TEMP_SAL = 0, TEMP_DES = 0;
  std::string BOL_NOME, BOL_CNPJ, BOL_CPF, GERENTE, CCT2, SER_SMTP, NOM_USUA, EMA_USUA, SEN_USUA;
  int BOL_NOSNRO = 0;
  std::string MEMORIZ, VER_ATUAL, PROCESSA = "N", PROGCOMP = "N";
  int STATRAVA = 0;
  int BOL_BANCO = 341;
  double VAL_PARTE = 0;
  std::vector<Date> ADATVENC;
  double NVALDOLAR = 0;
  std::string CVALDOLAR;

  // Folders of the running program.
  std::string LOCARQ, LOCTRAB, DIRORIG;
  int NDIASEM = 0;
  int LCAL = 5, CCAL = 40;

  // Printing defaults.
  int TEM_LASER = 0;
  std::string STRING0, STRING1, LIN72 = "&l74P", NOMEIMP, IPADRAO;

  // Highlight-bar menus (ESC_OPCAO).
  int POSVER = 1, ULTPOS = 1;
  std::string OPCOES;
  std::vector<std::string> MENSMENU;

  // Appointments due today.
  int NTEMAGEN = 0;

  // Main menu: the last command and its sub-code, the "show only" flag of the commands.
  int OMENUITEM = 0;
  int SO_MOS = 0;
  std::vector<std::vector<std::string>> ARESULT;  // command 10: 30 x 2 results
  int MOSTRA_CONT = 0;

  // Print selection: the lists its four numbers index (texts CP850) and the menu texts
  // built from them (MONTA_ITENS).
  std::vector<std::string> ALISTIMP = {
      "IRenda modo Receita ", "IRenda modo  VEXA  ", "Atividade Rural     ", "Livro caixa Rural  ",
      "Darfes              ", "Ganho de capital   ", u8"Renda variável      "_cp, "carta Personalizada",
      "Avisos e N.Pessoais ", "Livro caixa Normal ", "Valores a cobrar    ", "Cadastro           ",
      "Comprovante rendime ", "Etiquetas para CD  ", u8"Relatório do Usuário"_cp, "Historicos"};
  std::vector<std::string> NOMCONT = {"Folha avulsa  "};
  std::vector<std::string> MODO1OP = {"folha Avulsa       ", "Sicalc Web da Receita", u8"Darf pré-impresso  "_cp};
  std::vector<std::string> MODOETI = {"Etiquetas          ", "Folha avulsa  "};
  std::vector<std::string> MODETID = {"8 Eti. 116x37 ", "12 Eti. 90x24 ", "2*5 Eti.70x50 ", "Pimaco 8296   "};
  std::vector<std::string> MODOUNI = {u8"Folha única"_cp};
  std::vector<std::string> NOMEPAGR = {
      u8"Tudo na declaração  "_cp, u8"Tudo menos Balanço "_cp, u8"Só IR s/Bal e Malha "_cp,
      u8"Só IR Sem a Malha  "_cp, "Rendimentos         ", "Rendimentos PFisica", "Pagamentos/Isentos ",
      u8"Bens e Dívidas      "_cp, u8"Resumo c/Balanço   "_cp, u8"Resumo s/Balanço    "_cp,
      u8"Só a Malha fina    "_cp};
  std::vector<std::string> NOMEPRUR = {"Todas pag. ", u8"página 1   "_cp, u8"página 2   "_cp};
  std::vector<std::string> NOMEPAGS = {
      u8"Toda a declaração"_cp, u8"Toda s/Balanço"_cp, u8"IR s/MF e Balanço"_cp, "IR  sem a Malha ",
      "Rendimentos     ", "Rendimentos P.Fisica", "Pagamentos/Isento", "Bens/Divida ",
      u8"Resumo c/Balanço"_cp, u8"Resumo s/Balanço"_cp, "Malha Fina  ", "Pag.1 Rural", "Pag.2 Rural"};
  std::vector<std::string> NOMEPAGCV = {"declar.Bens/Div"};
  std::vector<std::string> NOMECON = {"Individual  ", u8"Vários      "_cp, "Todos       ", "todas Pastas", "Grupo selec."};
  std::vector<int> AQUEIT2 = {1, 1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 2, 1, 4, 1, 1};
  std::vector<int> AQUEIT3 = {11, 11, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  std::string ITEM1, ITEM2, ITEM3, ITEM4;
  std::string ITEM5 = u8"5  - Seleção da Impressora"_cp;
  std::string ITEM6A = "6a - Mostra as Impressoras ", ITEM6B = "6b - Mostra o texto antes  ",
              ITEM6C = "6c - Copia o texto impresso";
  std::string ITEM7 = u8"7  - Número de Vias "_cp;
};

GlobalSettings& G();
// Back to the start values (a new run in the same process).
void reset_globals();

// CORNORM, CORLIMP, CORSELE, INVISIVEL, CORMENU, CORATEN from the colours.
void build_colour_lists();
// HOJE, DATCALEN, DIA … DIAINIC from `today`.
void set_calendar_values(Date today);
Date today();

// Date helpers shared by the shell: days between dates, dd/mm/yyyy text.
int days_between(Date from, Date to);
std::string date_text(Date d);
// "YYYYMMDD" as date fields store it ("" for an empty date), and back.
std::string date_dtos(Date d);
Date date_from_dtos(const std::string& yyyymmdd);

}  // namespace shell
