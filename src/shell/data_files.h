#pragma once
// Start-up and leaving connected to the tables: the terminal's configuration, colour
// and printer records, the office definitions, the folder list, the monthly SELIC
// rates, and the structure check of the declaration tables.
#include <string>

namespace shell {

// The catalogue's folders and switches from the global settings.
void sync_catalog_settings();

// CONFIGURA: creates the terminal configuration record with its defaults when missing
// and copies it into the global settings. False when the table cannot be opened.
bool CONFIGURA(const std::string& terminal);
// CRIACOR: the terminal's colours (the record is created with the start values).
void CRIACOR();
// GRAVACOR: the current colours into the terminal's colour record.
void GRAVACOR();
// CRIA_SEQ: the terminal's printer record when missing.
void CRIA_SEQ();
// Step 12 of start-up: the office definitions record (created with its first record).
void read_office_definitions();
// Leaving: the fields ROTSAIDA stores in the terminal configuration record.
void store_leaving_settings();

// Installs the start-up hooks, the store's user interface and the SELIC store.
void connect_data_files();

}  // namespace shell
