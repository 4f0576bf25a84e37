#pragma once
// Writing global settings back to the records they come from: this terminal's
// configuration record (table 42) and the office definitions record (table 43). The
// settings are named as their fields; each write takes the record lock with a 5-second
// wait. When the table cannot be opened or the lock is not obtained the user has been
// told and the value stays in force for this run only.
#include <initializer_list>
#include <string_view>

#include "store/table.h"

namespace shell {

bool store_terminal_settings(std::initializer_list<std::string_view> names);
bool store_office_settings(std::initializer_list<std::string_view> names);
// The same for another table: per-terminal ones (42, 56, 57) on this terminal's record,
// the others on their first record.
bool store_settings_into(int table, std::initializer_list<std::string_view> names);

// Copies the named fields of the table's current record into the settings of the same
// names (text trimmed), and the settings into the fields (no lock taken here).
void load_settings(store::Table& t, std::initializer_list<std::string_view> names);
void put_settings(store::Table& t, std::initializer_list<std::string_view> names);

// Commands 21 to 36 run with both tables open on this terminal's record; the guard
// opens them and closes on leaving what it opened.
class ConfigurationTables {
 public:
  ConfigurationTables();
  ~ConfigurationTables();
  ConfigurationTables(const ConfigurationTables&) = delete;
  ConfigurationTables& operator=(const ConfigurationTables&) = delete;
  bool opened() const { return opened_; }

 private:
  bool opened_ = false;
  bool opened_42_ = false, opened_43_ = false;
};

}  // namespace shell
