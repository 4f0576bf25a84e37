#include "store/catalog.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "store/os_file.h"
#include "util/codepage.h"

namespace store {
namespace {

namespace fs = std::filesystem;

// The interface used until the shell sets its own: says nothing, never waits.
class SilentUi : public StoreUi {
 public:
  void status(const std::string&, bool) override {}
  void clear_status() override {}
  void progress(const std::string&) override {}
  void close_progress() override {}
  void information(const std::vector<std::string>&, const std::string&) override {}
  void error(const std::vector<std::string>&, const std::string&) override {}
  bool ask_yes_no(const std::vector<std::string>&, const std::string&) override { return false; }
  bool esc_pressed() override { return false; }
  void wait_half_second() override {}
};

SilentUi g_silent;
StoreUi* g_ui = &g_silent;

struct Slot {
  std::unique_ptr<Table> table;
  std::string open_name;  // the name the table is known by (its file name or APELIDO)
};

std::map<int, Slot>& slots() {
  static std::map<int, Slot> s;
  return s;
}
int g_selected = 0;

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool has_extension(const std::string& name) { return fs::path(name).has_extension(); }

std::string with_dbf(const std::string& name) { return has_extension(name) ? name : name + ".DBF"; }

std::string base_name(const std::string& path) { return fs::path(path).stem().string(); }

std::string folder_of(const std::string& path) { return fs::path(path).parent_path().string(); }

// Path of an index file named `file` beside the table at `table_path`.
std::string index_path(const std::string& table_path, const std::string& file) {
  fs::path p(file);
  if (!p.has_extension()) p += ".cdx";
  if (p.is_absolute()) return p.string();
  return (fs::path(folder_of(table_path)) / p).string();
}

// Tag name of a one-tag index file: its base name, at most 10 characters, upper case.
std::string tag_of(const std::string& cdx) { return upper(base_name(cdx)).substr(0, 10); }

std::vector<FieldDesc> field_descs(const std::vector<FieldSpec>& layout) {
  std::vector<FieldDesc> out;
  int offset = 1;
  for (const auto& f : layout) {
    out.push_back(FieldDesc{f.name, f.type, f.length, f.decimals, offset});
    offset += f.length;
  }
  return out;
}

// The layout of the table a file belongs to, found by its catalogue entry.
const std::vector<FieldSpec>* layout_for_file(const std::string& path) {
  const auto& s = catalog_settings();
  std::string name = upper(base_name(path));
  for (int n = 1; n <= 94; ++n) {
    TableSpec desc = table_spec(n, s.year, s.terminal);
    if (desc.number == 0 || desc.supplied) continue;
    if (upper(desc.file) == name && !layout_of(n).empty()) return &layout_of(n);
  }
  return nullptr;
}

std::string created_message_for(const std::string& path) {
  const auto& s = catalog_settings();
  std::string name = upper(base_name(path));
  for (int n = 1; n <= 94; ++n) {
    TableSpec desc = table_spec(n, s.year, s.terminal);
    if (desc.number != 0 && upper(desc.file) == name) return desc.created_message;
  }
  return "";
}

// A field that only the newest layout of a table has.
std::string marker_field(int n) {
  switch (n) {
    case 1: return "I3_25";
    case 2: return "I1_44";
    case 4: return "BOLSA";
    case 9: return "SENGOV";
    case 43: return "GERENTE";
    default: return "";
  }
}

// Waits for `attempt` to succeed: every half second while time remains (0 seconds: no
// second try), Esc gives up; `forever` waits until it succeeds, Esc or not.
bool retry(int seconds, bool forever, bool esc_stops, const std::function<bool()>& attempt) {
  double remaining = seconds;
  while (forever || remaining > 0) {
    if (esc_stops && !forever && g_ui->esc_pressed()) return false;
    g_ui->wait_half_second();
    remaining -= 0.5;
    if (attempt()) return true;
  }
  return false;
}

}  // namespace

void set_store_ui(StoreUi* ui) { g_ui = ui ? ui : &g_silent; }
StoreUi& store_ui() { return *g_ui; }

CatalogSettings& catalog_settings() {
  static CatalogSettings settings;
  return settings;
}

Table* slot(int n) {
  auto it = slots().find(n);
  return it == slots().end() ? nullptr : it->second.table.get();
}

Table& area(int n) {
  Table* t = slot(n);
  if (!t) throw StoreError("", "no table open in slot " + std::to_string(n));
  return *t;
}

void select(int n) { g_selected = n; }
int selected() { return g_selected; }

std::string table_path(const TableSpec& desc) {
  const auto& s = catalog_settings();
  const std::string& folder = desc.in_work_folder ? s.work_folder : desc.in_data_folder ? s.data_folder : s.base_folder;
  return (fs::path(folder) / with_dbf(desc.file)).string();
}

void close_slot(int n) {
  auto it = slots().find(n);
  if (it == slots().end()) return;
  if (it->second.table) it->second.table->close();
  slots().erase(it);
}

void close_all_slots() {
  for (auto& [n, s] : slots())
    if (s.table) s.table->close();
  slots().clear();
}

void FECHA_PROV() {
  for (int n = 21; n <= 41; ++n) close_slot(n);
}

void FECHA_TODO() {
  for (int n = 1; n <= 41; ++n)
    if (n != 9) close_slot(n);
}

void CRIA(int number, const std::string& path) {
  const std::vector<FieldSpec>& layout = layout_of(number);
  if (layout.empty()) throw StoreError(path, "no layout for table " + std::to_string(number));
  Table::create(path, field_descs(layout));
}

bool NETUSE(int n, const std::string& file, bool exclusive) {
  const auto& s = catalog_settings();
  auto it = slots().find(n);
  if (!s.alias.empty() && it != slots().end() && it->second.table && upper(it->second.open_name) == upper(s.alias))
    return true;
  std::string path = with_dbf(file);
  if (!file_exists(resolve_path_nocase(path))) {
    g_ui->information({"Arquivo " + fs::path(path).filename().string() + u8" não existe!"_cp});
    return false;
  }
  close_slot(n);
  try {
    auto table = std::make_unique<Table>(path, exclusive ? OpenMode::kExclusive : OpenMode::kShared);
    table->set_hide_deleted(true);
    slots()[n] = Slot{std::move(table), s.alias.empty() ? upper(base_name(path)) : s.alias};
    return true;
  } catch (const TableBusy&) {
    return false;  // held elsewhere: the caller reports
  } catch (const StoreError& e) {
    g_ui->error({e.what()});
    return false;
  }
}

bool ABREARQ(int n, bool exclusive, const std::string& file, const std::string& key1, const std::string& key2,
             const std::string& file2, const std::string& key3, const std::string& file3) {
  auto& s = catalog_settings();
  close_slot(n);
  std::string path = with_dbf(file);
  std::string name = base_name(path);
  // The progress window (the check, a creation, an index being built) is closed on the way out.
  struct Progress {
    bool shown = false;
    void show(const std::string& text) {
      g_ui->progress(text);
      shown = true;
    }
    ~Progress() {
      if (shown) g_ui->close_progress();
    }
  } progress;
  if (s.progress_messages) progress.show("Verificando o Arquivo " + name);

  if (!file_exists(resolve_path_nocase(path))) {
    if (const auto* layout = layout_for_file(path)) {
      std::string message = created_message_for(path);
      if (!message.empty()) progress.show(message);
      try {
        Table::create(path, field_descs(*layout));
      } catch (const StoreError& e) {
        g_ui->error({e.what()});
        return false;
      }
    }
  }
  if (!NETUSE(n, path, exclusive)) {
    if (!file_exists(resolve_path_nocase(path)))
      g_ui->information({name + u8".DBF não está disponível "_cp});
    return false;
  }
  if (key1.empty()) return true;

  std::string table_file = slot(n)->path();
  struct IndexWanted {
    std::string cdx, key;
  };
  std::vector<IndexWanted> wanted{{index_path(table_file, name), key1}};
  if (!key2.empty()) wanted.push_back({index_path(table_file, file2.empty() ? upper(name) + "B" : file2), key2});
  if (!key3.empty()) wanted.push_back({index_path(table_file, file3.empty() ? upper(name) + "C" : file3), key3});

  // Builds index i anew (the table is reopened exclusively for it); a missing main index
  // packs the table first.
  auto rebuild = [&](std::size_t i, bool missing) {
    close_slot(n);
    if (!NETUSE(n, path, true)) return false;
    try {
      Table& t = area(n);
      if (missing && i == 0) t.pack();
      std::string message = "Criando o indice " + base_name(wanted[i].cdx) + ".cdx";
      progress.show(message.substr(0, 79));
      std::string existing = resolve_path_nocase(wanted[i].cdx);
      if (file_exists(existing)) remove_file_if_exists(existing);
      t.create_index(wanted[i].cdx, tag_of(wanted[i].cdx), wanted[i].key);
    } catch (const StoreError& e) {
      g_ui->error({e.what()});
      close_slot(n);
      return false;
    }
    close_slot(n);
    return NETUSE(n, path, exclusive);
  };
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    bool missing = !file_exists(resolve_path_nocase(wanted[i].cdx));
    if ((missing || (i == 0 && s.rebuild_indexes)) && !rebuild(i, missing)) return false;
  }
  // Attaching in the order main, second, third; an index file that turns out damaged
  // is rebuilt from the table, as a missing one is.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::size_t damaged = wanted.size();
    try {
      Table& t = area(n);
      for (std::size_t i = 0; i < wanted.size(); ++i) {
        damaged = i;
        t.attach_index(resolve_path_nocase(wanted[i].cdx));
      }
      t.set_order(1);
      t.go_top();
      return true;
    } catch (const StoreError& e) {
      if (attempt == 1 || damaged == wanted.size()) {
        g_ui->error({e.what()});
        close_slot(n);
        return false;
      }
      if (!rebuild(damaged, false)) return false;
    }
  }
  return false;
}

bool ABERTURA(int n, bool exclusive) {
  auto& s = catalog_settings();
  if (n == 0) {
    close_all_slots();
    if (!ABERTURA(50, true)) return false;
    // Entries whose folder no longer exists are removed.
    Table& folders = area(50);
    select(50);
    for (folders.go_top(); !folders.eof(); folders.skip()) {
      std::string folder = folders.get_text("DIRETOR");
      folder.erase(folder.find_last_not_of(' ') + 1);
      std::error_code ec;
      if (!folder.empty() && !fs::is_directory(folder, ec) && REC_LOCK(5)) {
        folders.delete_record();
        folders.unlock_record(folders.recno());
      }
    }
    folders.commit();
    folders.go_top();
    TableSpec vexatxt = table_spec(45, s.year, s.terminal);
    std::string base = (fs::path(s.base_folder) / vexatxt.file).string();
    if (file_exists(resolve_path_nocase(base + ".DBF")) && file_exists(resolve_path_nocase(base + ".DBT")))
      ABERTURA(45);
    // Reference tables that come with the program and are missing from this installation
    // are named together in one notice; start-up goes on without them. A table that is
    // there and cannot be opened (held elsewhere) makes the opening fail.
    bool ok = true;
    std::vector<std::string> missing;
    for (int t : {46, 47, 48, 49, 51, 52, 53, 54, 58, 66}) {
      TableSpec desc = table_spec(t, s.year, s.terminal);
      if (desc.supplied && !file_exists(resolve_path_nocase(table_path(desc)))) {
        missing.push_back("Arquivo " + with_dbf(desc.file) + u8" não existe!"_cp);
        continue;
      }
      if (!ABERTURA(t) && t <= 58) ok = false;
    }
    if (!missing.empty()) g_ui->information(missing);
    return ok;
  }
  TableSpec desc = table_spec(n, s.year, s.terminal);
  if (desc.number == 0) return false;
  if (n == 41 && !s.caller_file_41.empty()) desc.file = s.caller_file_41;
  bool want_exclusive = desc.mode == CatalogOpen::Exclusive || exclusive;
  std::string path = table_path(desc);
  std::string keys[3], files[3];
  for (std::size_t i = 0; i < desc.indexes.size() && i < 3; ++i) {
    keys[i] = desc.indexes[i].key;
    files[i] = (fs::path(folder_of(path)) / desc.indexes[i].file).string();
  }
  bool ok = ABREARQ(n, want_exclusive, path, keys[0], keys[1], files[1], keys[2], files[2]);
  if (ok && n == 50) {
    Table& folders = area(50);
    if (folders.record_count() == 0 && folders.append()) {
      folders.put_text("SELEC", "S");
      folders.put_text("DIRETOR", s.base_folder);
      folders.commit();
      folders.unlock_all();
    }
  }
  if (ok) select(n);
  return ok;
}

bool REC_LOCK(int seconds) {
  Table* t = slot(g_selected);
  if (!t) return false;
  std::uint32_t recno = t->recno();
  auto attempt = [&] { return t->lock_record(recno); };
  if (attempt()) return true;
  g_ui->status("Aguardando registro ficar disponivel no arquivo " + slots()[g_selected].open_name);
  if (retry(seconds, false, true, attempt)) {
    g_ui->clear_status();
    return true;
  }
  g_ui->clear_status();
  g_ui->error({u8"ATENÇÃO! Registro não ficou disponível. Dado nÃo será gravado."_cp});
  return false;
}

bool FIL_LOCK(int seconds) {
  Table* t = slot(g_selected);
  if (!t) return false;
  auto attempt = [&] { return t->lock_file(); };
  if (attempt()) return true;
  g_ui->status("Aguardando arquivo ficar disponivel", true);
  if (retry(seconds, seconds == 0, true, attempt)) {
    g_ui->clear_status();
    return true;
  }
  g_ui->clear_status();
  g_ui->error({u8"ATENÇÃO! Registro não ficou disponÍvel. Dado não será gravado."_cp});
  return false;
}

bool ADD_REC(int seconds) {
  Table* t = slot(g_selected);
  if (!t) return false;
  auto attempt = [&] { return t->append(); };
  if (attempt()) return true;
  g_ui->status(u8"Aguardando registro ficar disponível"_cp);
  if (retry(seconds, seconds == 0, true, attempt)) {
    g_ui->clear_status();
    return true;
  }
  g_ui->clear_status();
  g_ui->error({u8"ATENÇÃO! Registro não ficou disponível. Dado não será gravado."_cp});
  return false;
}

bool SAI_ABRE(int n) {
  g_ui->close_progress();
  for (auto& [k, s] : slots())
    if (s.table) s.table->set_hide_deleted(true);
  if (n == 0) close_all_slots();
  if (n == 0 || n == 50) ABERTURA(50);
  return true;
}

bool VER_ATUAZ(int n) {
  std::string marker = marker_field(n);
  if (marker.empty() || n > 21) return false;
  const auto& s = catalog_settings();
  TableSpec desc = table_spec(n, s.year, s.terminal);
  std::string path = table_path(desc);
  // Only the structure is looked at: no index is attached or built here.
  // A slot of its own, so that the table's usual slot (the register's, say) stays as it is.
  constexpr int kCheckSlot = 99;
  if (!ABREARQ(kCheckSlot, false, path)) return false;
  bool has_marker = area(kCheckSlot).field_index(marker) >= 0;
  close_slot(kCheckSlot);
  if (has_marker) return false;
  g_ui->information({u8"ATENÇÃ0! Antes de usar o programa em qualquer"_cp, u8"função é preciso atualizar a base de dados."_cp,
                     u8"Estando em uma rede é necessário somente um"_cp, "terminal ficar ativo e então vá ao menu inicial"_cp,
                     "no item Atualiza base de dados."},
                    u8"ATUALIZAÇÃO NECESSÁRIA"_cp);
  return true;
}

bool CORRIGE(const std::string& number, int* counter) {
  int n = std::atoi(number.c_str());
  std::string marker = marker_field(n);
  if (marker.empty()) return false;
  const auto& s = catalog_settings();
  TableSpec desc = table_spec(n, s.year, s.terminal);
  std::string path = resolve_path_nocase(table_path(desc));
  if (!file_exists(path)) return false;
  std::string file = fs::path(path).filename().string();
  {
    std::unique_ptr<Table> shared;
    try {
      shared = std::make_unique<Table>(path, OpenMode::kShared);
    } catch (const StoreError&) {
      g_ui->error({u8"Não foi possível atualizar "_cp + file, "Programa aberto em outro terminal?"});
      return false;
    }
    if (shared->field_index(marker) >= 0) return false;
  }
  std::unique_ptr<Table> old;
  try {
    old = std::make_unique<Table>(path, OpenMode::kExclusive);
  } catch (const StoreError&) {
    g_ui->error({u8"Não foi possível atualizar "_cp + file, "Programa aberto em outro terminal?"});
    return false;
  }
  if (n <= 21) {
    if (counter) ++*counter;
    g_ui->information({file + " Atualizado"});
  }
  // The newest layout in a scratch table, every record copied by field name, then the
  // scratch table put in the old one's place by a rename (the old file stays whole until then).
  std::string year_folder = s.data_folder.empty() ? folder_of(path) : s.data_folder;
  std::string scratch = (fs::path(year_folder) / "ACERTO.DBF").string();
  remove_file_if_exists(scratch);
  try {
    Table::create(scratch, field_descs(layout_of(n)));
    {
      Table acerto(scratch, OpenMode::kExclusive);
      old->set_hide_deleted(false);
      acerto.append_from(*old);
      acerto.commit();
    }
    old->close();
    old.reset();
    std::string beside = path + ".new";
    fs::copy_file(scratch, beside, fs::copy_options::overwrite_existing);
    replace_file(beside, path);
    remove_file_if_exists(scratch);
  } catch (const std::exception& e) {
    remove_file_if_exists(scratch);
    g_ui->error({u8"Não foi possível atualizar "_cp + file, e.what()});
    return false;
  }
  // The indexes are rebuilt at the next opening.
  for (const auto& idx : desc.indexes)
    remove_file_if_exists(resolve_path_nocase(index_path(path, idx.file)));
  return true;
}

void CORRECAO(int which) {
  if (which == 1) {
    CORRIGE("43");
    return;
  }
  int counter = 0;
  for (const char* n : {"01", "02", "04", "09"}) CORRIGE(n, &counter);
}

void REORG(const std::string& folder, int mode) {
  auto& s = catalog_settings();
  std::error_code ec;
  int removed = 0;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (upper(entry.path().extension().string()) == ".CDX") {
      fs::remove(entry.path(), ec);
      ++removed;
    }
  }
  if (removed > 0) {
    std::string current = s.data_folder;
    s.data_folder = folder;
    for (int n = 1; n <= 21; ++n) {
      bool ok = ABERTURA(n, false);
      close_slot(n);
      if (!ok && n != 9) break;
    }
    s.data_folder = current;
  }
  if (mode != 4) return;
  if (fs::weakly_canonical(folder, ec) != fs::weakly_canonical(s.base_folder, ec)) return;
  static const char* const kOfficeFiles[] = {
      "AGENDA",   "AUXBANCO", "AUXBENS", "AUXFON",  "AUXPAG",   "BANCOS",   "BOLETO",  "CODABENS",
      "CODBENS",  "CODDIVI",  "CODEPEN", "CODNATUR", "CONFIG",  "CONTAS",   "CORES",   "DECBENS",
      "DEFINE",   "DESPESA",  "CONFIMP", "DETALH",  "ECACIDAD", "ESPOLIO",  "IDOCIDAD", "FOLHAPG",
      "VEXATXT",  "VEXAATXT", "LISERRO", "LISNOME", "OCUPACAO", "OCUPACAB", "PRINTS",  "STATUS",
      "TABPAIS",  "TABEMBA",  "TABMUNI", "TAB_MUNI", "TABLOGR", "ULTANOS",  "UFIRM"};
  Table* folders = slot(50);
  std::uint32_t folder_entry = folders ? folders->recno() : 0;
  // The list names files that not every installation has (and one index file): a missing
  // file is passed over so that the files after it are packed too; a file held elsewhere
  // stops the walk.
  for (const char* name : kOfficeFiles) {
    std::string path = resolve_path_nocase((fs::path(folder) / (std::string(name) + ".DBF")).string());
    if (!file_exists(path)) continue;
    try {
      Table t(path, OpenMode::kExclusive);
      t.pack();
    } catch (const StoreError&) {
      break;
    }
  }
  if (ABERTURA(50) && folder_entry > 0) area(50).go_to(folder_entry);
}

void REINDEXA() {
  auto& s = catalog_settings();
  if (!g_ui->ask_yes_no({u8"Esta opção refará todos arquivos índices (CDX).   "_cp,
                         u8"Todos registros marcados para exclusão serão      "_cp,
                         "definitivamente excluidos.                        ",
                         u8"Operação recomendada a ser feita após uma queda   "_cp,
                         "da energia,quando arquivos forem copiados de um   ",
                         u8"equipamento para outro ou após uma nova instalação."_cp,
                         "Se equipamento está na rede fique só em um terminal"_cp}))
    return;
  bool progress = s.progress_messages;
  s.progress_messages = true;
  // The folder list is read before everything is closed.
  std::vector<std::string> folders;
  if (Table* list = slot(50)) {
    for (list->go_top(); !list->eof(); list->skip()) {
      std::string f = list->get_text("DIRETOR");
      f.erase(f.find_last_not_of(' ') + 1);
      if (!f.empty()) folders.push_back(f);
    }
  } else {
    folders.push_back(s.data_folder);
  }
  close_all_slots();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(s.work_folder, ec))
    if (upper(entry.path().filename().string()).rfind("TMP_", 0) == 0) fs::remove(entry.path(), ec);
  for (const auto& entry : fs::directory_iterator(s.base_folder, ec))
    if (upper(entry.path().extension().string()) == ".CDX") fs::remove(entry.path(), ec);
  std::string current = s.data_folder;
  for (const auto& f : folders)
    if (fs::is_directory(f, ec)) REORG(f, 4);
  s.data_folder = current;
  s.progress_messages = progress;
  ABERTURA(0);
  g_ui->close_progress();
}

}  // namespace store
