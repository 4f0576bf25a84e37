// Maintenance commands of the main menu over the tables of the current folder: the
// upgrade of every folder, reindexing, one-cent markers, phone/e-mail flags and the
// status list check.
#include <cstdio>
#include <filesystem>

#include "shell/globals.h"
#include "shell/messages.h"
#include "shell/not_available.h"
#include "shell/office_commands.h"
#include "store/catalog.h"
#include "util/codepage.h"
#include "util/text.h"

namespace shell {
namespace {

namespace fs = std::filesystem;

std::string with_separator(std::string s) {
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

std::string trimmed(const std::string& s) { return std::string(util::trim(s)); }

// Makes `folder` the current data folder (LOCARQ and the catalogue's).
void make_current(const std::string& folder) {
  auto& g = G();
  g.ROTADOANO = folder;
  g.LOCARQ = with_separator(folder);
  store::catalog_settings().data_folder = folder;
}

bool lock_in(int slot) {
  store::select(slot);
  return store::REC_LOCK(5);
}

void report(const store::StoreError& e) { store::store_ui().error({e.what()}); }

}  // namespace

bool upgrade_all_folders() {
  auto& g = G();
  std::string back = trimmed(g.ROTADOANO);
  try {
    store::close_all_slots();
    if (!store::ABERTURA(50, true)) return false;
    store::Table& list = store::area(50);
    int upgraded = 0;
    for (list.go_top(); !list.eof(); list.skip()) {
      std::string folder = trimmed(list.get_text("DIRETOR"));
      std::error_code ec;
      if (folder.empty() || !fs::is_directory(folder, ec)) {
        if (lock_in(50)) {
          list.delete_record();
          list.commit();
          list.unlock_record(list.recno());
        }
        continue;
      }
      if (trimmed(list.get_text("SELEC")) == "S") back = folder;
      make_current(folder);
      for (const char* n : {"01", "02", "04", "09"}) store::CORRIGE(n, &upgraded);
    }
    if (upgraded == 0) AVISOSN(u8"Todos Arquivos já estão atualizados"_cp, 0, {}, "Atualizar a base de dados");
  } catch (const store::StoreError& e) {
    report(e);
  }
  // The terminal's work copies of an open declaration are made anew.
  std::error_code ec;
  for (int n = 1; n <= 21; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "TMP_%02d%s", n, g.NUSU.c_str());
    for (const char* ext : {".dbf", ".cdx"}) fs::remove(fs::path(g.LOCTRAB) / (std::string(name) + ext), ec);
  }
  make_current(back);
  store::close_all_slots();
  store::ABERTURA(0);
  return true;
}

void reindex_command() {
  store::REINDEXA();
  if (!store::slot(43)) store::ABERTURA(43);
  if (!store::slot(42)) store::ABERTURA(42);
  if (store::Table* t = store::slot(42)) t->seek(G().NUSU);
}

void one_cent_markers() {
  auto& g = G();
  if (AVISOSN(std::vector<std::string>{u8"Essa opção irá retirar todos os R$ 0,01 dos rendimentos na tela 1"_cp,
                                       u8"das declarações na pasta"_cp + g.LOCARQ},
              2, {}, "Retira os centavos de aviso") != "S")
    return;
  static const char* const kFields[] = {"I1_4", "I1_15", "I1_16", "I1_17", "I1_18", "I1_32", "I1_33", "I1_37", "I1_38"};
  try {
    if (!store::ABERTURA(2)) return;
    store::Table& t = store::area(2);
    t.set_order(0);
    for (t.go_top(); !t.eof(); t.skip()) {
      if (!lock_in(2)) continue;
      for (const char* f : kFields)
        if (t.field_index(f) >= 0 && t.get_units(f) == 1) t.put_units(f, 0);
      t.commit();
      t.unlock_record(t.recno());
    }
    store::close_slot(2);
  } catch (const store::StoreError& e) {
    report(e);
    store::close_slot(2);
    return;
  }
  AVISOSN("Pronto!", 0, {}, "Centavos Retirados");
}

void phone_email_flags(int sub) {
  if (AVISOSN(std::vector<std::string>{u8"Essa opção irá marcar em todos os contribuintes da pasta"_cp,
                                       "para " + std::string(sub == 1 ? "" : u8"não"_cp) +
                                           " enviar o nro do Celular e o email para a Receita!"},
              2) != "S")
    return;
  try {
    if (!store::ABERTURA(1)) return;
    store::Table& t = store::area(1);
    for (t.go_top(); !t.eof(); t.skip()) {
      if (!lock_in(1)) continue;
      t.put_logical("NOVREG", sub == 1);
      t.commit();
      t.unlock_record(t.recno());
    }
    store::close_slot(1);
  } catch (const store::StoreError& e) {
    report(e);
    store::close_slot(1);
    return;
  }
  AVISOSN("Pronto!", 0);
}

void fill_city_codes() {
  // The city search belongs to the export for the official program.
  not_available(Owner::OfficialExport);
}

bool status_code_exists(int code) {
  bool opened = false;
  try {
    if (!store::slot(66)) {
      if (!store::ABERTURA(66)) return true;  // no status list to check against
      opened = true;
    }
    store::Table& t = store::area(66);
    bool found = false;
    int field = t.field_index("COD");
    if (field >= 0 && t.fields()[static_cast<std::size_t>(field)].type == 'N') {
      found = t.seek_number(code);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%02d", code);
      found = t.seek(buf);
    }
    if (opened) store::close_slot(66);
    return found;
  } catch (const store::StoreError& e) {
    report(e);
    if (opened) store::close_slot(66);
    return true;
  }
}

}  // namespace shell
