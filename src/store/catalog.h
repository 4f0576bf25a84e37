#pragma once
// Tables opened by number: the slots of the running program, the folders they come
// from, creation of missing tables and indexes, the lock waits between workstations,
// structure upgrades, reindexing and reorganisation.
//
// What these routines tell the user goes through StoreUi, which the shell provides
// (status line, progress window, message boxes, Esc). The store never draws.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/layouts.h"
#include "store/table.h"

namespace store {

class StoreUi {
 public:
  virtual ~StoreUi() = default;
  virtual void status(const std::string& text, bool centred = false) = 0;  // status line
  virtual void clear_status() = 0;
  virtual void progress(const std::string& text) = 0;  // framed message that stays
  virtual void close_progress() = 0;
  virtual void information(const std::vector<std::string>& lines, const std::string& title = "") = 0;
  virtual void error(const std::vector<std::string>& lines, const std::string& title = "") = 0;
  virtual bool ask_yes_no(const std::vector<std::string>& lines, const std::string& title = "") = 0;
  // Polled during lock waits: true when the user pressed Esc since the last call.
  virtual bool esc_pressed() = 0;
  // Half a second between two lock attempts.
  virtual void wait_half_second() = 0;
};

// The user interface in force; a silent one (no messages, no Esc) until the shell sets its own.
void set_store_ui(StoreUi* ui);
StoreUi& store_ui();

// Folders and switches the catalogue works with (set by start-up and folder changes).
struct CatalogSettings {
  std::string base_folder;     // ROTADEF, without trailing separator
  std::string data_folder;     // LOCARQ: the current data folder, without trailing separator
  std::string work_folder;     // LOCTRAB, without trailing separator
  std::string year = "23";     // CANOATUAL
  std::string terminal = "00"; // NUSU
  bool progress_messages = false;  // MOS_MENS
  bool rebuild_indexes = false;    // REFAZ_IND
  std::string alias;               // APELIDO: the open name of the next table opened
  std::string caller_file_41;      // the file slot 41 opens (named by the caller beforehand)
};
CatalogSettings& catalog_settings();

// The table open in slot n, or nullptr.
Table* slot(int n);
// The table open in slot n; throws StoreError when the slot is empty.
Table& area(int n);
// The selected slot (the one REC_LOCK, FIL_LOCK and ADD_REC work on).
void select(int n);
int selected();
// Full path of a table's file (".dbf" added), resolved as the catalogue does: declaration
// tables in the data folder, work copies in the work folder, the rest in the base folder.
std::string table_path(const TableSpec& desc);

bool ABERTURA(int n, bool exclusive = false);
bool ABREARQ(int slot_number, bool exclusive, const std::string& file, const std::string& key1 = "",
             const std::string& key2 = "", const std::string& file2 = "", const std::string& key3 = "",
             const std::string& file3 = "");
bool NETUSE(int slot_number, const std::string& file, bool exclusive);
bool REC_LOCK(int seconds = 2);
bool FIL_LOCK(int seconds = 2);
bool ADD_REC(int seconds = 2);
void close_slot(int n);
void FECHA_PROV();
void FECHA_TODO();
void close_all_slots();
bool SAI_ABRE(int n);

// Creates a table file with its layout (declaration tables and office tables).
void CRIA(int number, const std::string& path);

bool VER_ATUAZ(int n);
bool CORRIGE(const std::string& number, int* counter = nullptr);
void CORRECAO(int which);
void REINDEXA();
void REORG(const std::string& folder, int mode);

}  // namespace store
