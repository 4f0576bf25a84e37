#include "shell/data_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "shell/globals.h"
#include "shell/menu_records.h"
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

Date ymd(int y, unsigned m, unsigned d) { return Date{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}}; }

// Fields of the colour record, named as the colour settings.
#define COLOUR_FIELDS                                                                                     \
  "COR_TEL1", "COR_TEL2", "COR_TEL3", "COR_MENS", "COR_PEGA", "COR_VEXA", "COR_FERID", "COR_ESCOL",       \
      "COR_ENCHE", "COR_1_CLI", "COR_2_CLI", "COR_INI", "COR_SAY", "COR_GET", "COR_CLI_HE", "COR_ESC_CL", \
      "COR_ENCH_C"

// Positions table `n` on the record of `terminal`; appends it (filled by `fill`)
// under the append wait when missing. False when there is no record and none could be added.
bool terminal_record(int n, const std::string& terminal, const std::function<void(store::Table&)>& fill) {
  store::Table& t = store::area(n);
  if (t.seek(terminal)) return true;
  store::select(n);
  if (!store::ADD_REC(5)) return false;
  t.put_text("NRO_TERM", terminal);
  fill(t);
  t.commit();
  t.unlock_all();
  return t.seek(terminal);
}

// The eight quota due dates of the filing year.
std::vector<Date> standard_due_dates(int year) {
  return {ymd(year, 5, 31), ymd(year, 6, 30), ymd(year, 7, 31), ymd(year, 8, 31),
          ymd(year, 9, 29), ymd(year, 10, 31), ymd(year, 11, 30), ymd(year, 12, 28)};
}

void put_due_dates(store::Table& t, const std::vector<Date>& dates) {
  for (std::size_t k = 0; k < dates.size(); ++k) t.put_date("VCTO" + std::to_string(k + 1), date_dtos(dates[k]));
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
  bool ok = terminal_record(kConfig, terminal, [&](store::Table& r) {
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
    r.put_date("ULTBACK", date_dtos(today()));
    r.put_text("OPCIRPF", "J");
    r.put_number("OPCFIM", 0);
  });
  if (ok) {
    load_settings(t, {"NOMEAG",  "OPCIRPF", "ROTAANTER", "ROTARECEI", "ROTAREANT", "ROTAJAVA", "ROTABACK",
                      "ROTADOANO", "DIRTRAB", "DIRPROV",  "QUEIMP",    "QUEMOD",    "QUEPAG",   "QUECON",
                      "MOSIMP",  "MOSTEL",  "MOSCPF",    "COMPAGA",   "IMPBEM",    "IMPBAL",   "ULT_CPF",
                      "XDRIVE",  "SOESTE",  "OPTTRAN",   "ULTBACK",   "ENV_STAT",  "OPC_TRAN", "OPCFIM",
                      "MARESQ",  "INIFOL",  "LINETI",    "NRO_LIN",   "ULT_TER",   "ULT_MOD"});
    g.CPF = g.ULT_CPF;
  }
  store::close_slot(kConfig);
  return true;
}

void CRIACOR() {
  sync_catalog_settings();
  if (!store::ABERTURA(kColours)) return;
  store::Table& t = store::area(kColours);
  bool ok = terminal_record(kColours, G().NUSU, [&](store::Table&) { GRAVACOR(); });
  if (ok) load_settings(t, {COLOUR_FIELDS});
  store::close_slot(kColours);
}

void GRAVACOR() {
  auto& g = G();
  store::Table* t = store::slot(kColours);
  // Right after the record was appended (and is locked) its fields are filled in place.
  if (t && t->record_locked(t->recno()) && trim(t->get_text("NRO_TERM")) == g.NUSU) {
    put_settings(*t, {COLOUR_FIELDS});
    return;
  }
  store_settings_into(kColours, {COLOUR_FIELDS});
}

void CRIA_SEQ() {
  auto& g = G();
  if (!store::ABERTURA(kPrinter)) return;
  store::Table& t = store::area(kPrinter);
  bool ok = terminal_record(kPrinter, G().NUSU, [&](store::Table& r) {
    r.put_text("NOMEIMP", "NAO DOS");
    r.put_text("SEQ0", "\x12");  // printer code 18: normal type
    r.put_text("SEQ1", "\x0F");  // printer code 15: condensed type
    r.put_text("IPADRAO", g.IPADRAO);
  });
  if (ok) load_settings(t, {"NOMEIMP", "IPADRAO"});
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
  bool old_dates = date_from_dtos(t.get_date("VCTO3")) == ymd(2023, 7, 29);
  bool old_dollar = t.get_units("VAL_DOLAR") == 55799;
  if ((old_dates || old_dollar) && store::REC_LOCK(5)) {
    if (old_dates) put_due_dates(t, standard_due_dates(year));
    if (old_dollar) t.put_decimal("VAL_DOLAR", "5.2171");
    t.commit();
    t.unlock_all();
  }
  load_settings(t, {"VAL_SEG",  "VAL_BYTE", "VAL_MIN",  "COMO_SAL",   "TEMP_SAL", "TEMP_DES", "VAL_CPMF",
                    "BOL_NOME", "BOL_CNPJ", "BOL_CPF",  "GERENTE",    "CCT2",     "BOL_NOSNRO", "SER_SMTP",
                    "NOM_USUA", "EMA_USUA", "SEN_USUA", "MEMORIZ",    "VER_ATUAL", "PROCESSA", "PROGCOMP",
                    "STATRAVA", "VAL_DOLAR"});
  g.BOL_BANCO = 341;
  g.VAL_PARTE = 0;
  g.ADATVENC.clear();
  for (int k = 1; k <= 8; ++k) g.ADATVENC.push_back(date_from_dtos(t.get_date("VCTO" + std::to_string(k))));
  char rate[16];
  std::snprintf(rate, sizeof rate, "%6.4f", g.NVALDOLAR);
  g.CVALDOLAR = rate;
  store::close_slot(kDefine);
}

void store_leaving_settings() {
  sync_catalog_settings();
  store_terminal_settings({"NOMEAG", "ROTADOANO", "ROTARECEI", "ROTAJAVA", "ULT_CPF", "DIRTRAB", "OPTTRAN", "SOESTE",
                           "ULTBACK", "OPCIRPF", "ENV_STAT", "MARESQ", "INIFOL", "LINETI", "NRO_LIN", "OPC_TRAN",
                           "XDRIVE"});
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
