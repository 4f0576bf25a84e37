#include "shell/globals.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "util/codepage.h"

namespace shell {


GlobalSettings& G() {
  static GlobalSettings settings;
  return settings;
}

void reset_globals() { G() = GlobalSettings{}; }

void build_colour_lists() {
  auto& g = G();
  const std::string nn = "\"N/N\"";
  g.CORNORM = g.COR_SAY + "," + g.COR_GET + "," + nn + "," + nn + "," + g.COR_SAY;
  g.CORLIMP = g.COR_1_CLI + "," + g.COR_GET + "," + nn + "," + nn + "," + g.COR_SAY;
  g.CORSELE = g.COR_CLI_HE + "," + g.COR_GET + "," + nn + "," + nn + "," + g.COR_SAY;
  g.INVISIVEL = "W/W,W/W,N/N,N/N,W/W";
  g.CORMENU = g.COR_1_CLI + "," + g.COR_ESC_CL + "," + g.COR_ENCH_C + "," + g.COR_ENCH_C + "," + g.COR_2_CLI + "," +
              g.COR_2_CLI;
  g.CORATEN = "R/W*";
}

Date today() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return Date{std::chrono::year{tm.tm_year + 1900}, std::chrono::month{static_cast<unsigned>(tm.tm_mon + 1)},
              std::chrono::day{static_cast<unsigned>(tm.tm_mday)}};
}

void set_calendar_values(Date d) {
  auto& g = G();
  g.HOJE = g.DATCALEN = d;
  g.DIA = static_cast<int>(static_cast<unsigned>(d.day()));
  g.MESCALEN = static_cast<int>(static_cast<unsigned>(d.month()));
  g.ANOCALEN = static_cast<int>(d.year());
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", g.DIA);
  g.CARDIA = buf;
  std::snprintf(buf, sizeof buf, "%02d", g.MESCALEN);
  g.CARMES = buf;
  std::snprintf(buf, sizeof buf, "%04d", g.ANOCALEN);
  g.CARANO = buf;
  g.POSCALEN = "01/" + g.CARMES + "/" + g.CARANO;
  std::chrono::year_month_day first{d.year(), d.month(), std::chrono::day{1}};
  g.DIAINIC = static_cast<int>(std::chrono::weekday{std::chrono::sys_days{first}}.c_encoding()) + 1;
}

int days_between(Date from, Date to) {
  if (!from.ok() || !to.ok()) return 0;
  return static_cast<int>((std::chrono::sys_days{to} - std::chrono::sys_days{from}).count());
}

std::string date_text(Date d) {
  if (!d.ok()) return "  /  /    ";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02u/%02u/%04d", static_cast<unsigned>(d.day()), static_cast<unsigned>(d.month()),
                static_cast<int>(d.year()));
  return buf;
}

std::string date_dtos(Date d) {
  if (!d.ok()) return "";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                static_cast<unsigned>(d.day()));
  return buf;
}

Date date_from_dtos(const std::string& s) {
  if (s.size() != 8) return Date{};
  Date d{std::chrono::year{std::atoi(s.substr(0, 4).c_str())},
         std::chrono::month{static_cast<unsigned>(std::atoi(s.substr(4, 2).c_str()))},
         std::chrono::day{static_cast<unsigned>(std::atoi(s.substr(6, 2).c_str()))}};
  return d.ok() ? d : Date{};
}

}  // namespace shell
