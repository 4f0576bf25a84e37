#pragma once
// History of previous years: the results of the declarations that the official program
// transmitted (".DEC" files), read by character position into the history table.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace shell {

// One declaration's results. Money in cents; ALIQEFET in thousandths of a percent.
struct HistoryRecord {
  std::string cpf, anobase, nomecontr, completa;
  int resultad = 0;
  std::int64_t totrtrib = 0, totrisen = 0, totrtrie = 0, totpagto = 0;
  std::int64_t abatimen = 0, basecalc = 0, totimpos = 0, valirpf = 0;
  std::int64_t bensana = 0, bensbase = 0, divana = 0, divbase = 0;
  std::int64_t aliqefet = 0;
  bool operator==(const HistoryRecord&) const = default;
};

// Reads the first line and the records that follow it (types "16" to "20"). Nothing
// when the first line has no CPF of 11 digits or no base year.
std::optional<HistoryRecord> parse_dec_lines(const std::vector<std::string>& lines);

// The ".DEC" files of a folder (extension matched ignoring case), by name.
std::vector<std::string> dec_files(const std::string& folder);

// Commands 20, 0 to 5 for one base year (four digits): reads the transmitted declarations
// and updates the history table. Returns the number of declarations read.
int collect_history(const std::string& year4);

}  // namespace shell
