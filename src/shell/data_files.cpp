#include "shell/data_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "shell/globals.h"
#include "shell/messages.h"
#include "shell/official_program.h"
#include "shell/startup.h"
#include "shell/store_ui_bridge.h"
#include "shell/update_check.h"
#include "store/catalog.h"
#include "util/codepage.h"

namespace shell {
namespace {

namespace fs = std::filesystem;
constexpr int kConfig = 42, kDefine = 43, kFolders = 50, kSelic = 51, kColours = 56, kPrinter = 57;

std::string trim(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
  return s;
}

std::string without_separator(const std::string& folder) {
  if (folder.size() > 1 && folder.back() == '/') return folder.substr(0, folder.size() - 1);
  return folder;
}

std::string dtos(Date d) {
  if (!d.ok()) return "";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                static_cast<unsigned>(d.day()));
  return buf;
}

Date date_of(const std::string& s) {
  if (s.size() != 8) return Date{};
  int y = std::atoi(s.substr(0, 4).c_str());
  unsigned m = static_cast<unsigned>(std::atoi(s.substr(4, 2).c_str()));
  unsigned d = static_cast<unsigned>(std::atoi(s.substr(6, 2).c_str()));
  return Date{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}};
}

Date ymd(int y, unsigned m, unsigned d) { return Date{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}}; }

int num(store::Table& t, const char* field) { return static_cast<int>(t.get_number(field)); }
std::string text(store::Table& t, const char* field) { return trim(t.get_text(field)); }

// Positions table `n` on the record of this terminal; appends it (filled by `fill`)
// under the append wait when missing. False when there is no record and none could be added.
bool terminal_record(int n, const std::function<void(store::Table&)>& fill) {
  store::Table& t = store::area(n);
  if (t.seek(G().NUSU)) return true;
  store::select(n);
  if (!store::ADD_REC(5)) return false;
  t.put_text("NRO_TERM", G().NUSU);
  fill(t);
  t.commit();
  t.unlock_all();
  return t.seek(G().NUSU);
}

// The eight quota due dates of the filing year.
std::vector<Date> standard_due_dates(int year) {
  return {ymd(year, 5, 31), ymd(year, 6, 30), ymd(year, 7, 31), ymd(year, 8, 31),
          ymd(year, 9, 29), ymd(year, 10, 31), ymd(year, 11, 30), ymd(year, 12, 28)};
}

void put_due_dates(store::Table& t, const std::vector<Date>& dates) {
  for (std::size_t k = 0; k < dates.size(); ++k) t.put_date("VCTO" + std::to_string(k + 1), dtos(dates[k]));
}

std::string home_folder(const std::string& name) {
  const char* home = std::getenv("HOME");
  return (fs::path(home && *home ? home : "/") / name).string();
}

}  // namespace

void sync_catalog_settings() {
  auto& g = G();
  auto& s = store::catalog_settings();
  s.base_folder = without_separator(g.ROTADEF);
  s.data_folder = without_separator(g.LOCARQ.empty() ? g.ROTADEF : g.LOCARQ);
  s.work_folder = without_separator(g.LOCTRAB.empty() ? s.data_folder : g.LOCTRAB);
  s.year = g.CANOATUAL;
  s.terminal = g.NUSU;
  s.progress_messages = g.MOS_MENS;
  s.rebuild_indexes = g.REFAZ_IND;
  s.alias = g.APELIDO;
}

bool CONFIGURA(const std::string& terminal) {
  auto& g = G();
  sync_catalog_settings();
  if (!store::ABERTURA(kConfig)) {
    AVISOSN(u8"Arquivo de configuração sendo usado no momento"_cp, 8);
    return false;
  }
  store::Table& t = store::area(kConfig);
  bool ok = terminal_record(kConfig, [&](store::Table& r) {
    r.put_text("ROTAANTER", home_folder("Rendax20" + g.CANOANTER));
    r.put_text("ROTADOANO", without_separator(g.ROTADEF));
    r.put_text("ROTARECEI", default_official_folder(g.CANOATUAL));
    r.put_text("ROTAREANT", default_transmitted_folder(g.CANOANTER));
    r.put_text("ROTAJAVA", default_official_folder(g.CANOATUAL));
    r.put_text("DIRTRAB", without_separator(g.ROTADEF));
    r.put_text("DIRPROV", g.DIRDEF);
    r.put_text("DIRINST", home_folder("Rendax20" + g.CANOATUAL));
    for (const char* f : {"QUEIMP", "QUEMOD", "QUEPAG", "QUECON", "COMPAGA", "ULT_MOD"}) r.put_number(f, 1);
    r.put_number("ENV_STAT", 2);
    r.put_number("MARESQ", 0);
    r.put_number("LINETI", 6);
    r.put_number("INIFOL", 0);
    r.put_number("NRO_LIN", 60);
    r.put_number("OPC_TRAN", 7);
    r.put_text("IMPBEM", "1");
    r.put_text("IMPBAL", "1");
    r.put_text("MOSIMP", "S");
    r.put_text("MOSTEL", "S");
    r.put_number("ULT_TER", 0);
    r.put_text("XDRIVE", "C");
    r.put_number("SOESTE", 9);
    r.put_number("OPTTRAN", 0);
    r.put_date("ULTBACK", dtos(today()));
    r.put_text("OPCIRPF", "J");
    r.put_number("OPCFIM", 0);
  });
  if (ok) {
    g.NOMEAG = text(t, "NOMEAG");
    g.OPCIRPF = text(t, "OPCIRPF");
    g.ROTAANTER = text(t, "ROTAANTER");
    g.ROTARECEI = text(t, "ROTARECEI");
    g.ROTAREANT = text(t, "ROTAREANT");
    g.ROTAJAVA = text(t, "ROTAJAVA");
    g.ROTABACK = text(t, "ROTABACK");
    g.ROTADOANO = text(t, "ROTADOANO");
    g.DIRTRAB = text(t, "DIRTRAB");
    g.DIRPROV = text(t, "DIRPROV");
    g.QUEIMP = num(t, "QUEIMP");
    g.QUEMOD = num(t, "QUEMOD");
    g.QUEPAG = num(t, "QUEPAG");
    g.QUECON = num(t, "QUECON");
    g.MOSIMP = t.get_text("MOSIMP");
    g.MOSTEL = t.get_text("MOSTEL");
    g.MOSCPF = t.get_text("MOSCPF");
    g.COMPAGA = num(t, "COMPAGA");
    g.IMPBEM = t.get_text("IMPBEM");
    g.IMPBAL = t.get_text("IMPBAL");
    g.ULT_CPF = g.CPF = t.get_text("ULT_CPF");
    g.XDRIVE = t.get_text("XDRIVE");
    g.SOESTE = num(t, "SOESTE");
    g.OPTTRAN = num(t, "OPTTRAN");
    g.ULTBACK = date_of(t.get_date("ULTBACK"));
    g.ENV_STAT = num(t, "ENV_STAT");
    g.OPC_TRAN = num(t, "OPC_TRAN");
    g.OPCFIM = num(t, "OPCFIM");
    g.MARESQ = num(t, "MARESQ");
    g.INIFOL = num(t, "INIFOL");
    g.LINETI = num(t, "LINETI");
    g.NRO_LIN = num(t, "NRO_LIN");
    g.ULT_TER = num(t, "ULT_TER");
    g.ULT_MOD = num(t, "ULT_MOD");
  }
  store::close_slot(kConfig);
  (void)terminal;
  return true;
}

void CRIACOR() {
  auto& g = G();
  sync_catalog_settings();
  if (!store::ABERTURA(kColours)) return;
  store::Table& t = store::area(kColours);
  bool ok = terminal_record(kColours, [&](store::Table&) { GRAVACOR(); });
  if (ok) {
    g.COR_TEL1 = num(t, "COR_TEL1");
    g.COR_TEL2 = num(t, "COR_TEL2");
    g.COR_TEL3 = num(t, "COR_TEL3");
    g.COR_MENS = num(t, "COR_MENS");
    g.COR_PEGA = num(t, "COR_PEGA");
    g.COR_VEXA = num(t, "COR_VEXA");
    g.COR_FERID = num(t, "COR_FERID");
    g.COR_ESCOL = num(t, "COR_ESCOL");
    g.COR_ENCHE = num(t, "COR_ENCHE");
    g.COR_1_CLI = text(t, "COR_1_CLI");
    g.COR_2_CLI = text(t, "COR_2_CLI");
    g.COR_INI = text(t, "COR_INI");
    g.COR_SAY = text(t, "COR_SAY");
    g.COR_GET = text(t, "COR_GET");
    g.COR_CLI_HE = text(t, "COR_CLI_HE");
    g.COR_ESC_CL = text(t, "COR_ESC_CL");
    g.COR_ENCH_C = text(t, "COR_ENCH_C");
  }
  store::close_slot(kColours);
}

void GRAVACOR() {
  auto& g = G();
  bool opened_here = store::slot(kColours) == nullptr;
  if (opened_here && !store::ABERTURA(kColours)) return;
  store::Table& t = store::area(kColours);
  store::select(kColours);
  // Called with the record just appended (locked) or to change the existing one.
  bool appended = t.record_locked(t.recno()) && trim(t.get_text("NRO_TERM")) == g.NUSU;
  if (!appended) {
    if (!t.seek(g.NUSU) || !store::REC_LOCK(5)) {
      if (opened_here) store::close_slot(kColours);
      return;
    }
  }
  t.put_number("COR_TEL1", g.COR_TEL1);
  t.put_number("COR_TEL2", g.COR_TEL2);
  t.put_number("COR_TEL3", g.COR_TEL3);
  t.put_number("COR_MENS", g.COR_MENS);
  t.put_number("COR_PEGA", g.COR_PEGA);
  t.put_number("COR_VEXA", g.COR_VEXA);
  t.put_number("COR_FERID", g.COR_FERID);
  t.put_number("COR_ESCOL", g.COR_ESCOL);
  t.put_number("COR_ENCHE", g.COR_ENCHE);
  t.put_text("COR_1_CLI", g.COR_1_CLI);
  t.put_text("COR_2_CLI", g.COR_2_CLI);
  t.put_text("COR_INI", g.COR_INI);
  t.put_text("COR_SAY", g.COR_SAY);
  t.put_text("COR_GET", g.COR_GET);
  t.put_text("COR_CLI_HE", g.COR_CLI_HE);
  t.put_text("COR_ESC_CL", g.COR_ESC_CL);
  t.put_text("COR_ENCH_C", g.COR_ENCH_C);
  if (!appended) {
    t.commit();
    t.unlock_all();
  }
  if (opened_here) store::close_slot(kColours);
}

void CRIA_SEQ() {
  auto& g = G();
  if (!store::ABERTURA(kPrinter)) return;
  store::Table& t = store::area(kPrinter);
  bool ok = terminal_record(kPrinter, [&](store::Table& r) {
    r.put_text("NOMEIMP", "NAO DOS");
    r.put_text("SEQ0", "\x12");  // printer code 18: normal type
    r.put_text("SEQ1", "\x0F");  // printer code 15: condensed type
    r.put_text("IPADRAO", g.IPADRAO);
  });
  if (ok) {
    g.NOMEIMP = text(t, "NOMEIMP");
    g.IPADRAO = text(t, "IPADRAO");
  }
  store::close_slot(kPrinter);
}

void read_office_definitions() {
  auto& g = G();
  if (!store::ABERTURA(kDefine)) return;
  store::Table& t = store::area(kDefine);
  store::select(kDefine);
  t.go_top();
  if (t.eof() && store::ADD_REC(5)) {
    // The office's first record.
    put_due_dates(t, standard_due_dates(2000 + std::atoi(g.CANOATUAL.c_str())));
    t.put_number("VAL_SEG", 1.00);
    t.put_number("VAL_BYTE", 0.50);
    t.put_number("VAL_MIN", 120.00);
    t.put_number("COMO_SAL", 2);
    t.put_number("TEMP_SAL", 15);
    t.put_number("TEMP_DES", 4);
    t.put_number("VAL_CPMF", 0);
    t.put_number("VAL_DOLAR", 5.5799);
    t.put_text("PROCESSA", "N");
    t.put_text("PROGCOMP", "S");
    t.commit();
    t.unlock_all();
    t.go_top();
  }
  if (t.eof()) {
    store::close_slot(kDefine);
    return;
  }
  // Two stored values are repaired: the old due dates and the old dollar rate.
  int year = 2000 + std::atoi(g.CANOATUAL.c_str());
  bool old_dates = date_of(t.get_date("VCTO3")) == ymd(2023, 7, 29);
  bool old_dollar = t.get_units("VAL_DOLAR") == 55799;
  if ((old_dates || old_dollar) && store::REC_LOCK(5)) {
    if (old_dates) put_due_dates(t, standard_due_dates(year));
    if (old_dollar) t.put_decimal("VAL_DOLAR", "5.2171");
    t.commit();
    t.unlock_all();
  }
  g.VAL_SEG = t.get_number("VAL_SEG");
  g.VAL_BYTE = t.get_number("VAL_BYTE");
  g.VAL_MIN = t.get_number("VAL_MIN");
  g.COMO_SAL = num(t, "COMO_SAL");
  g.TEMP_SAL = num(t, "TEMP_SAL");
  g.TEMP_DES = num(t, "TEMP_DES");
  g.VAL_CPMF = t.get_number("VAL_CPMF");
  g.BOL_NOME = t.get_text("BOL_NOME");
  g.BOL_CNPJ = t.get_text("BOL_CNPJ");
  g.BOL_CPF = t.get_text("BOL_CPF");
  g.GERENTE = t.get_text("GERENTE");
  g.CCT2 = t.get_text("CCT2");
  g.BOL_NOSNRO = num(t, "BOL_NOSNRO");
  g.SER_SMTP = t.get_text("SER_SMTP");
  g.NOM_USUA = t.get_text("NOM_USUA");
  g.EMA_USUA = t.get_text("EMA_USUA");
  g.SEN_USUA = t.get_text("SEN_USUA");
  g.MEMORIZ = t.get_text("MEMORIZ");
  g.VER_ATUAL = t.get_text("VER_ATUAL");
  g.PROCESSA = t.get_text("PROCESSA");
  g.PROGCOMP = t.get_text("PROGCOMP");
  g.STATRAVA = num(t, "STATRAVA");
  g.BOL_BANCO = 341;
  g.VAL_PARTE = 0;
  g.ADATVENC.clear();
  for (int k = 1; k <= 8; ++k) g.ADATVENC.push_back(date_of(t.get_date("VCTO" + std::to_string(k))));
  g.NVALDOLAR = t.get_number("VAL_DOLAR");
  char rate[16];
  std::snprintf(rate, sizeof rate, "%6.4f", g.NVALDOLAR);
  g.CVALDOLAR = rate;
  store::close_slot(kDefine);
}

void store_leaving_settings() {
  auto& g = G();
  sync_catalog_settings();
  bool opened_here = store::slot(kConfig) == nullptr;
  if (opened_here && !store::ABERTURA(kConfig)) return;
  store::Table& t = store::area(kConfig);
  store::select(kConfig);
  if (t.seek(g.NUSU) && store::REC_LOCK(5)) {
    t.put_text("NOMEAG", g.NOMEAG);
    t.put_text("ROTADOANO", g.ROTADOANO);
    t.put_text("ROTARECEI", g.ROTARECEI);
    t.put_text("ROTAJAVA", g.ROTAJAVA);
    t.put_text("ULT_CPF", g.ULT_CPF);
    t.put_text("DIRTRAB", g.DIRTRAB);
    t.put_number("OPTTRAN", g.OPTTRAN);
    t.put_number("SOESTE", g.SOESTE);
    t.put_date("ULTBACK", dtos(g.ULTBACK));
    t.put_text("OPCIRPF", g.OPCIRPF);
    t.put_number("ENV_STAT", g.ENV_STAT);
    t.put_number("MARESQ", g.MARESQ);
    t.put_number("INIFOL", g.INIFOL);
    t.put_number("LINETI", g.LINETI);
    t.put_number("NRO_LIN", g.NRO_LIN);
    t.put_number("OPC_TRAN", g.OPC_TRAN);
    t.put_text("XDRIVE", g.XDRIVE);
    t.commit();
    t.unlock_all();
  }
  if (opened_here) store::close_slot(kConfig);
}

namespace {

// Step 18: the current folder is marked in use in the folder list, or added.
void record_current_folder() {
  auto& g = G();
  store::Table* list = store::slot(kFolders);
  if (!list) return;
  std::string folder = without_separator(g.LOCARQ);
  std::string key = folder;
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  store::select(kFolders);
  if (list->seek(key)) {
    if (list->get_text("SELEC") != "S" && store::REC_LOCK(5)) {
      // Only one folder is the one in use.
      std::uint32_t here = list->recno();
      for (list->go_top(); !list->eof(); list->skip())
        if (list->get_text("SELEC") == "S" && list->lock_record()) list->put_text("SELEC", " ");
      list->go_to(here);
      list->put_text("SELEC", "S");
      list->commit();
      list->unlock_all();
    }
  } else if (store::ADD_REC(5)) {
    list->put_text("SELEC", "S");
    list->put_text("DIRETOR", folder);
    list->commit();
    list->unlock_all();
  }
}

// The update check's rates go into the monthly SELIC table, month by month.
void store_selic(const std::vector<SelicEntry>& entries) {
  bool opened_here = store::slot(kSelic) == nullptr;
  if (opened_here && !store::ABERTURA(kSelic)) return;
  store::Table& t = store::area(kSelic);
  store::select(kSelic);
  bool positioned = !entries.empty() && t.seek(entries.front().month);
  for (const auto& e : entries) {
    std::string rate = e.rate;
    for (char& c : rate)
      if (c == ',') c = '.';
    if (positioned && !t.eof() && trim(t.get_text("ANOMES")) == e.month) {
      if (t.get_decimal("TJM") != rate && store::REC_LOCK(5)) {
        t.put_decimal("TJM", rate);
        t.commit();
        t.unlock_all();
      }
      t.skip();
      continue;
    }
    positioned = false;
    if (store::ADD_REC(5)) {
      t.put_text("ANOMES", e.month);
      t.put_decimal("TJM", rate);
      t.put_text("SIMB_MOED", "R$");
      t.commit();
      t.unlock_all();
    }
  }
  if (opened_here) store::close_slot(kSelic);
}

void store_office_flag(const std::string& field, const std::string& value) {
  bool opened_here = store::slot(kDefine) == nullptr;
  if (opened_here && !store::ABERTURA(kDefine)) return;
  store::Table& t = store::area(kDefine);
  store::select(kDefine);
  t.go_top();
  if (!t.eof() && store::REC_LOCK(5)) {
    t.put_text(field, value);
    t.commit();
    t.unlock_all();
  }
  if (opened_here) store::close_slot(kDefine);
}

}  // namespace

void connect_data_files() {
  install_store_ui();
  set_selic_store(store_selic);
  set_office_flag_store(store_office_flag);
  auto& hooks = startup_hooks();
  hooks.load_colours = [] { CRIACOR(); };
  hooks.configure = [] {
    sync_catalog_settings();
    store::CORRECAO(1);
    if (!CONFIGURA(G().NUSU)) return false;
    read_office_definitions();
    CRIA_SEQ();
    return true;
  };
  hooks.open_office_tables = [] {
    sync_catalog_settings();
    return store::ABERTURA(0);
  };
  hooks.record_folder = [] {
    sync_catalog_settings();
    record_current_folder();
  };
  hooks.after_open = [] {
    sync_catalog_settings();
    // Step 21: the register of the current folder; step 22: the structure check.
    store::ABERTURA(9);
    for (int n = 1; n <= 21; ++n)
      if (store::VER_ATUAZ(n)) break;
  };
  hooks.store_settings = [] { store_leaving_settings(); };
  hooks.close_all = [] { store::close_all_slots(); };
  hooks.store_colours = [] { GRAVACOR(); };
}

}  // namespace shell
