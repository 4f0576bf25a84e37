// Command 28: the monthly SELIC rates (table 51): entry of one month's rate and the
// listing of the last twelve months.
#include <cstdio>
#include <vector>

#include "shell/colours.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "shell/menu_records.h"
#include "shell/messages.h"
#include "shell/office_commands.h"
#include "shell/text_windows.h"
#include "shell/window_layer.h"
#include "store/catalog.h"
#include "util/codepage.h"
#include "util/date.h"
#include "util/text.h"

namespace shell {
namespace {

constexpr int kSelic = 51;

std::string trimmed(const std::string& s) { return std::string(util::trim(s)); }

// ANOMES as "yyyymm" whether the field is text or a number.
std::string month_key(store::Table& t) {
  int f = t.field_index("ANOMES");
  if (f < 0) return "";
  if (t.fields()[static_cast<std::size_t>(f)].type == 'N') {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06ld", static_cast<long>(t.get_number(f)));
    return buf;
  }
  return trimmed(t.get_text(f));
}

bool seek_month(store::Table& t, const std::string& key) {
  int f = t.field_index("ANOMES");
  if (f >= 0 && t.fields()[static_cast<std::size_t>(f)].type == 'N') return t.seek_number(std::atof(key.c_str()));
  return t.seek(key);
}

void put_month(store::Table& t, const std::string& key) {
  int f = t.field_index("ANOMES");
  if (f < 0) return;
  if (t.fields()[static_cast<std::size_t>(f)].type == 'N') t.put_number(f, std::atof(key.c_str()));
  else t.put_text(f, key);
}

std::string key_of(int year, int month) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d", year, month);
  return buf;
}

// The stored rate of a month; 1 when the month has none.
double rate_of(store::Table& t, int year, int month) {
  if (seek_month(t, key_of(year, month))) return t.get_number("TJM");
  return 1;
}

void selic_entry(store::Table& t) {
  auto& g = G();
  // The month after the last one with a rate.
  int year = g.ANOCALEN, month = g.MESCALEN;
  t.go_bottom();
  if (!t.eof()) {
    while (!t.bof() && t.get_number("TJM") == 0) t.skip(-1);
    if (t.get_number("TJM") != 0) t.skip(1);
    if (t.eof()) t.go_bottom();
    std::string key = month_key(t);
    if (key.size() == 6) {
      year = std::atoi(key.substr(0, 4).c_str());
      month = std::atoi(key.substr(4, 2).c_str());
    }
  }
  LDialog* dialog = LDLGSHOW(0, 0, 3, 24, "Cadastro da Selic Mensal");
  DEFINEJAN(5, g.COR_TEL1, g.COR_TEL2, g.COR_TEL2, 1, 1, 4, 25, 0);
  ABREJAN(5);
  ESCRLCOL(5, 0, 0, u8" Mês "_cp + std::string(18, ' ') + "Selic        %");
  auto show_month_name = [&](int m) {
    std::string name = m >= 1 && m <= 12 ? util::TRAZ_MES(m) : "";
    console().screen().write(1, 10, util::pad_right(name, 9), attribute_of(g.COR_1_CLI));
    console().present();
  };
  std::vector<GetField> fields(3);
  fields[0].type = 'N';
  fields[0].number = month;
  fields[0].width = 2;
  fields[0].picture = "@ 99";
  fields[0].row = 1;
  fields[0].col = 7;
  fields[1].type = 'N';
  fields[1].number = year;
  fields[1].width = 4;
  fields[1].picture = "@ 9999";
  fields[1].row = 1;
  fields[1].col = 20;
  fields[2].type = 'N';
  fields[2].number = rate_of(t, year, month);
  fields[2].width = 6;
  fields[2].decimals = 2;
  fields[2].picture = "@Ez 999.99";
  fields[2].row = 2;
  fields[2].col = 7;
  auto refresh_rate = [&fields, &t](GetField&) {
    fields[2].number = rate_of(t, static_cast<int>(fields[1].number), static_cast<int>(fields[0].number));
    return true;
  };
  fields[0].valid = [&](GetField& f) {
    int m = static_cast<int>(f.number);
    if (m < 1 || m > 12) return false;
    show_month_name(m);
    return true;
  };
  fields[1].valid = [](GetField& f) { return f.number >= 1900 && f.number <= 2999; };
  fields[2].when = refresh_rate;
  show_month_name(month);
  while (true) {
    ReadEnd end = dialog->readmodal(fields);
    if (end == ReadEnd::Escaped || end == ReadEnd::Cancelled) break;
    std::string answer = AVISOSN(u8"Confirma a alteração?"_cp, 3);
    if (answer == "N") continue;
    if (answer != "S") break;
    std::string key = key_of(static_cast<int>(fields[1].number), static_cast<int>(fields[0].number));
    store::select(kSelic);
    if (seek_month(t, key) ? store::REC_LOCK(5) : store::ADD_REC(5)) {
      put_month(t, key);
      t.put_text("SIMB_MOED", "R$  ");
      t.put_number("TJM", fields[2].number);
      t.commit();
      t.unlock_record(t.recno());
      store_office_settings({"VAL_CPMF"});
    }
    break;
  }
  FECHAJAN(5);
  LDLGCLOSE();
}

void selic_listing(store::Table& t) {
  std::vector<std::string> lines{u8"Mês  Ano  Valor"_cp};
  std::vector<std::string> rows;
  t.go_bottom();
  for (int n = 0; n < 12 && !t.eof() && !t.bof(); ++n) {
    std::string key = month_key(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s  %s   %5.2f", key.substr(4, 2).c_str(), key.substr(0, 4).c_str(),
                  t.get_number("TJM"));
    rows.insert(rows.begin(), buf);
    t.skip(-1);
    if (t.bof()) break;
  }
  lines.insert(lines.end(), rows.begin(), rows.end());
  AVISOSN(lines, 0, {}, u8"Selic últimos 12 meses"_cp);
}

}  // namespace

void selic_command(int sub) {
  bool opened = false;
  try {
    if (!store::slot(kSelic)) {
      if (!store::ABERTURA(kSelic)) return;
      opened = true;
    }
    store::Table& t = store::area(kSelic);
    if (sub == 1) selic_entry(t);
    else if (sub == 2) selic_listing(t);
  } catch (const store::StoreError& e) {
    store::store_ui().error({e.what()});
  }
  if (opened) store::close_slot(kSelic);
}

}  // namespace shell
