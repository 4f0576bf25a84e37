#include "shell/menu_history.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "shell/globals.h"
#include "shell/messages.h"
#include "shell/office_commands.h"
#include "shell/official_program.h"
#include "shell/table_browse.h"
#include "store/catalog.h"
#include "util/codepage.h"
#include "util/text.h"

namespace shell {
namespace {

namespace fs = std::filesystem;
constexpr int kHistoryTable = 80;

// Characters `from` (1-based) for `length`; shorter or empty past the end of the line.
std::string at(const std::string& line, std::size_t from, std::size_t length) {
  if (from == 0 || from > line.size()) return "";
  return line.substr(from - 1, length);
}

// A whole number of `length` digits at `from`; blanks count as nothing, other
// characters end the number.
std::int64_t number_at(const std::string& line, std::size_t from, std::size_t length) {
  std::int64_t value = 0;
  for (char c : at(line, from, length)) {
    if (c == ' ') continue;
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::int64_t money(const std::string& line, std::size_t from) { return number_at(line, from, 13); }

bool all_digits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string upper_ascii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string four_wide(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%4d", n);
  return buf;
}

bool read_lines(const std::string& path, std::vector<std::string>& lines, int& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = errno;
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  error = 0;
  return true;
}

void store_history(const HistoryRecord& r) {
  store::Table& t = store::area(kHistoryTable);
  store::select(kHistoryTable);
  bool found = t.seek(r.cpf + r.anobase);
  if (found ? !store::REC_LOCK(5) : !store::ADD_REC(5)) return;
  t.put_text("CPF", r.cpf);
  t.put_text("ANOBASE", r.anobase);
  t.put_text("NOMECONTR", r.nomecontr);
  t.put_text("COMPLETA", r.completa);
  t.put_number("RESULTAD", r.resultad);
  const std::pair<const char*, std::int64_t> cents[] = {
      {"TOTIMPOS", r.totimpos}, {"TOTRTRIB", r.totrtrib}, {"TOTRISEN", r.totrisen}, {"TOTRTRIE", r.totrtrie},
      {"TOTPAGTO", r.totpagto}, {"BASECALC", r.basecalc}, {"ABATIMEN", r.abatimen}, {"BENSANA", r.bensana},
      {"BENSBASE", r.bensbase}, {"DIVANA", r.divana},     {"DIVBASE", r.divbase},   {"VALIRPF", r.valirpf}};
  for (const auto& [field, value] : cents) t.put_units(field, value);
  // Thousandths of a percent to the field's hundredths, half away from zero.
  t.put_units("ALIQEFET", (r.aliqefet + 5) / 10);
  t.commit();
  t.unlock_record(t.recno());
}

}  // namespace

std::optional<HistoryRecord> parse_dec_lines(const std::vector<std::string>& lines) {
  if (lines.empty()) return std::nullopt;
  const std::string& first = lines[0];
  HistoryRecord r;
  r.cpf = at(first, 22, 11);
  r.anobase = at(first, 9, 4);
  if (r.cpf.size() != 11 || !all_digits(r.cpf) || r.anobase.size() != 4 || !all_digits(r.anobase))
    return std::nullopt;
  r.nomecontr = std::string(util::rtrim(at(first, 40, 53)));
  r.completa = at(first, 121, 1);
  r.resultad = static_cast<int>(number_at(first, 122, 1));
  bool y2020 = r.anobase == "2020";
  r.totrtrib = money(first, y2020 ? 696 : 683);
  r.totrisen = money(first, y2020 ? 737 : 724);
  r.totrtrie = money(first, y2020 ? 750 : 737);
  r.totpagto = money(first, y2020 ? 763 : 750);
  int base_year = std::stoi(r.anobase);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    std::string type = at(line, 1, 2);
    if (type == "16" || type == "17" || type == "19") continue;
    if (type == "18") {
      r.abatimen = money(line, 27);
      r.basecalc = money(line, 40);
      r.totimpos = money(line, 66) + money(line, 79) + money(line, 92) + money(line, 105);
      if (r.resultad == 2) r.valirpf = -money(line, 118);
      else if (r.resultad != 0) r.valirpf = money(line, 131);
      r.bensana = money(line, 275);
      r.bensbase = money(line, 288);
      r.divana = money(line, 366);
      r.divbase = money(line, 379);
      r.aliqefet = base_year <= 2017 ? 0 : number_at(line, 704, 5);
    } else if (type == "20") {
      r.abatimen = money(line, 183);
      r.basecalc = money(line, 196);
      if (r.resultad == 2) r.valirpf = -money(line, 365);
      else if (r.resultad != 0) r.valirpf = money(line, 378);
      r.totimpos = money(line, 287) + money(line, 313) + money(line, 300) + money(line, 339) + money(line, 326);
      r.bensana = money(line, 405);
      r.bensbase = money(line, 418);
      r.divana = money(line, 431);
      r.divbase = money(line, 444);
      r.aliqefet = base_year <= 2017 ? 0 : number_at(line, 886, 5);
    }
    break;
  }
  return r;
}

std::vector<std::string> dec_files(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(resolve_case(folder), ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && upper_ascii(it->path().extension().string()) == ".DEC")
      files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

int collect_history(const std::string& year4) {
  auto& g = G();
  std::string official = g.LOCIRPF.empty() ? g.ROTAJAVA : g.LOCIRPF;
  std::string folder = transmitted_folder(official, year4);
  const std::vector<std::string> none{u8"Na pasta "_cp + official + u8" não existe nenhuma declaração transmitida!"_cp,
                                      "Confira a pasta local do programa da Receita!"};
  if (folder.empty()) {
    AVISOSN(none, 8);
    return 0;
  }
  std::vector<std::string> files = dec_files(folder);
  int count = 0;
  if (files.empty()) {
    AVISOSN(none, 8);
  } else if (store::ABERTURA(kHistoryTable)) {
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
      std::vector<std::string> lines;
      int error = 0;
      if (!read_lines(*it, lines, error)) {
        AVISOSN("Erro de leitura", 8);
        if (error != ENOENT) MENS(0, "Erro do Dos " + std::to_string(error));
        continue;  // the others are still read
      }
      std::optional<HistoryRecord> record = parse_dec_lines(lines);
      if (!record) {
        MENS(0, u8"Arquivo sem dados de declaração: "_cp + fs::path(*it).filename().string());
        continue;
      }
      try {
        store_history(*record);
        ++count;
      } catch (const store::StoreError& e) {
        store::store_ui().error({e.what()});
        break;
      }
    }
    store::close_slot(kHistoryTable);
  }
  AVISOSN("Buscado dados de " + four_wide(count) + " contribuintes do anobase " + year4, 0);
  return count;
}

void history_command(int sub) {
  auto& g = G();
  if (sub >= 0 && sub <= 4) {
    collect_history(std::to_string(g.NANOANTER - sub));
  } else if (sub == 5) {
    for (int k = 0; k <= 4; ++k) collect_history(std::to_string(g.NANOANTER - k));
  } else if (sub == 6) {
    if (!store::ABERTURA(kHistoryTable)) return;
    auto text = [](const char* field, int first, int length) {
      return [=](store::Table& t) { return browse_text(t, field, first, length); };
    };
    auto amount = [](const char* field) {
      return [=](store::Table& t) { return browse_number(t, field, 14, 2, true); };
    };
    std::vector<BrowseColumn> columns{
        browse_column("CPF", [](store::Table& t) {
           std::string c = t.get_text("CPF");
           return c.size() == 11 ? c.substr(0, 3) + "." + c.substr(3, 3) + "." + c.substr(6, 3) + "-" + c.substr(9, 2)
                                 : c;
         }, 14),
        browse_column("Nome Contribuinte", text("NOMECONTR", 0, 21), 21),
        browse_column("Ano ", text("ANOBASE", 0, 4), 4),
        browse_column("Comp.", text("COMPLETA", 0, 1), 5),
        browse_column("Impostos pagos", amount("TOTIMPOS"), 14),
        browse_column("R.Tributavel", amount("TOTRTRIB"), 14),
        browse_column("R.Isentos", amount("TOTRISEN"), 14),
        browse_column("R.Trib.Fonte", amount("TOTRTRIE"), 14),
        browse_column("Pagamentos", amount("TOTPAGTO"), 14),
        browse_column("Base Calculo", amount("BASECALC"), 14),
        browse_column("Abatimento", amount("ABATIMEN"), 14),
        browse_column("Alq.Efetiva", [](store::Table& t) { return browse_number(t, "ALIQEFET", 6, 2, true); }, 11),
        browse_column("IRPF pago", amount("VALIRPF"), 14),
        browse_column("Bens ano Ant.", amount("BENSANA"), 14),
        browse_column("Bens Ano Base", amount("BENSBASE"), 14),
        browse_column("Div. Ano Ant", amount("DIVANA"), 14),
        browse_column("Div. Ano Base", amount("DIVBASE"), 14),
    };
    BrowseOptions o;
    o.top = 5;
    o.left = 1;
    o.bottom = 18;
    o.right = 79;
    o.title = u8"Históricos Anteriores"_cp;
    o.slot = kHistoryTable;
    table_browse(store::area(kHistoryTable), columns, o);
    store::close_slot(kHistoryTable);
  }
}

}  // namespace shell
