#pragma once
// Layouts of every table the program creates: the 21 declaration tables (and their
// work copies, which share the layout) and the office tables of the base folder,
// field by field in file order, with the table-number catalogue (file names, open
// mode, index files and keys).
#include <string>
#include <vector>

namespace store {

struct FieldSpec {
  std::string name;  // upper case, at most 10 characters
  char type = 'C';   // C, N, D, L, M
  int length = 0;
  int decimals = 0;
  bool operator==(const FieldSpec&) const = default;
};

// How the catalogue opens a table (the work area's own mode is store::OpenMode).
enum class CatalogOpen { Shared, Exclusive, AsAsked };

struct IndexFileSpec {
  std::string file;  // base name without extension ("IMP0923", "IMP0923B", "OCUPACAB")
  std::string key;   // key expression as the catalogue writes it ("CPF+str(I7_0,4)")
};

struct TableSpec {
  int number = 0;
  std::string file;  // base name without extension ("IMP0923", "CONFIG", "DIRET04", "TMP_0904")
  CatalogOpen mode = CatalogOpen::Shared;
  std::vector<IndexFileSpec> indexes;  // main index first, then "B", then "C"
  bool in_work_folder = false;         // work copies (TMP_ tables)
  bool in_data_folder = false;         // declaration tables 01..21
  bool supplied = false;               // code/reference tables that come with the program
  std::string created_message;         // e.g. "Criando DIRETOR.DBF" where the layout names one
  // Slot 41: the file (and so its index files) is named by the caller before opening; `file`
  // and the index `file`s are then empty and the keys are those of table 21.
  bool caller_names_file = false;
  // Opened only when its files are present (table 45, with its ".DBF" and ".DBT").
  bool only_when_present = false;
};

// Layout of declaration table 1..21 (empty for other numbers).
const std::vector<FieldSpec>& declaration_layout(int table);
// Layout of an office table the program creates (42, 43, 44, 50, 52-54, 56, 57, 63, 67,
// 68, 70, 72-74, 77, 78, 80); empty for supplied tables and unknown numbers.
const std::vector<FieldSpec>& office_layout(int table);
// Layout of any table number (work copies 22..41 share their declaration table's).
const std::vector<FieldSpec>& layout_of(int number);

// The catalogue entry of a table number for this filing year ("23") and terminal ("04").
// Unknown numbers give a desc with number 0.
TableSpec table_spec(int number, const std::string& year, const std::string& terminal);
// The same where the file depends on the current sub-screen code OPCIR_1 (table 75:
// "ECACIDAD" on sub-screen 44, else "IDOCIDAD"); the three-argument form takes "IDOCIDAD".
TableSpec table_spec(int number, const std::string& year, const std::string& terminal,
                     int sub_screen);
// The work copy of declaration table 1..21 (not 13, which has none) for a terminal: file
// "TMP_" + nn + terminal in the work folder, opened exclusively in slot nn + 20 (its
// `number`), with the index the loading builds. Number 0 for 13 and other numbers.
TableSpec work_copy_spec(int table, const std::string& terminal);

}  // namespace store
