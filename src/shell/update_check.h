#pragma once
// The update check: the maker's page holds the monthly SELIC rates and the marker of
// the newest version; a newer version can be downloaded and its installer started.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace shell {

struct SelicEntry {
  std::string month;  // yyyymm
  std::string rate;   // monthly rate in percent, 4 characters as on the page
};

struct VersionOffer {
  std::string version;  // trimmed
  std::string date;     // dd/mm/yy
  long size = 0;        // installer size in bytes
};

struct UpdateAnswer {
  std::vector<SelicEntry> selic;  // empty when the page has no "SELIC" block
  std::optional<VersionOffer> version;
};

// The product marker searched on the page: short code + CANOATUAL.
std::string update_marker();
// The page address: environment variable RENDAX_UPDATE_URL, else the maker's page.
std::string update_url();

// Reads the SELIC block and the version after the marker by character position.
UpdateAnswer parse_update_answer(const std::string& page);

// Where the SELIC rates go (the monthly interest table); set by the data files.
using SelicStore = std::function<void(const std::vector<SelicEntry>&)>;
void set_selic_store(SelicStore store);
// Stores VER_ATUAL in the office definitions record; set by the data files.
using OfficeFlagStore = std::function<void(const std::string& field, const std::string& value)>;
void set_office_flag_store(OfficeFlagStore store);

// INTER: mode 0 at start-up, 1 from the menu. Returns false when the program must end
// (a new version was downloaded and its installer started).
bool INTER(int mode);
// BAIXARQ: downloads and starts a new version; true when the installer was started.
bool BAIXARQ(const std::string& version, long size);

}  // namespace shell
