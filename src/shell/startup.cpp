#include "shell/startup.h"

#include <sys/vfs.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/keys.h"
#include "platform/program_runner.h"
#include "shell/colours.h"
#include "shell/context.h"
#include "shell/folder_choice.h"
#include "shell/main_menu.h"
#include "shell/messages.h"
#include "shell/text_windows.h"
#include "shell/update_check.h"
#include "shell/window_layer.h"
#include "util/codepage.h"

namespace shell {
namespace {

namespace fs = std::filesystem;
namespace k = platform::keys;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string trim(const std::string& s) {
  auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string with_separator(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder;
  return folder + "/";
}

std::string two_digits(long value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02ld", value);
  return buf;
}

std::map<std::string, std::string>& named_commands() {
  static std::map<std::string, std::string> commands;
  return commands;
}

// The dialog that asks the terminal number on a network drive.
std::string ask_terminal_number() {
  long offered = std::atol(env("EQUIP").c_str());
  LDialog* dialog = LDLGSHOW(1, 3, 8, 40, "Terminal");
  std::string prompt = env("USUAR") + (offered == 0 ? " Informe" : " Confirme") + " o nro. do terminal.";
  console().screen().write(4, 6, prompt, attribute_of(LDialog::csColorWin));
  GetField field;
  field.type = 'N';
  field.number = static_cast<double>(offered);
  field.width = 2;
  field.picture = "@Z 99";
  field.row = 4;
  field.col = 6 + static_cast<int>(prompt.size()) + 1;
  std::vector<GetField> fields{field};
  dialog->readmodal(fields);
  LDLGCLOSE();
  long value = static_cast<long>(fields[0].number);
  return (value >= 0 && value <= 99) ? two_digits(value) : "00";
}

// Rows of the banner's logo, 45 characters wide inside the frame.
std::vector<std::string> logo_rows() {
  // Letters R E N D A X, three rows each (UTF-8 here, CP850 on screen).
  const char* const letters[][3] = {
      {"█▀▀▄", "█▄▄▀", "█ ▀▄"}, {"█▀▀▀", "█▀▀ ", "█▄▄▄"}, {"█▄ █", "█ ▀█", "█  █"},
      {"█▀▀▄", "█  █", "█▄▄▀"}, {"▄▀▀▄", "█▄▄█", "█  █"}, {"▀▄ ▄▀", "  █  ", "▄▀ ▀▄"}};
  std::vector<std::string> rows(3);
  for (int r = 0; r < 3; ++r) {
    for (const auto& letter : letters) rows[r] += util::utf8_to_cp850(letter[r]) + " ";
    rows[r].pop_back();
  }
  return rows;
}

std::string centred(const std::string& text, std::size_t width) {
  if (text.size() >= width) return text.substr(0, width);
  std::size_t left = (width - text.size()) / 2;
  return std::string(left, ' ') + text + std::string(width - text.size() - left, ' ');
}

}  // namespace

StartupHooks& startup_hooks() {
  static StartupHooks hooks;
  return hooks;
}

std::optional<std::string> terminal_number(const std::string& argument, const std::string& env_terminal,
                                           bool network_drive) {
  std::string given = trim(env_terminal).empty() ? trim(argument) : trim(env_terminal);
  if (given.empty()) {
    if (network_drive) return std::nullopt;
    return "00";
  }
  long value = std::atol(given.c_str());
  if (value < 0 || value > 99) return "00";
  return two_digits(value);
}

bool on_network_drive(const std::string& folder) {
  struct statfs info {};
  if (statfs(folder.c_str(), &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x65735546:  // FUSE (sshfs and the like)
      return true;
    default:
      return false;
  }
}

std::string INICIOSIS(const std::string& argument) {
  auto& g = G();
  // Windows 1 to 10 full-screen; entry-screen origins.
  reset_text_windows();
  g.ALJ = g.ACJ = g.ALJA = g.ACJA = std::vector<int>(23, 0);
  // Base folder.
  g.DIRDEF = env(("DRendax20" + g.CANOATUAL).c_str());
  fs::path base = fs::current_path();
  if (!g.DIRDEF.empty() && CONFER_DIR(g.DIRDEF)) base = fs::absolute(g.DIRDEF);
  g.ROTADEF = base.string();
  if (g.ROTADEF.size() > 1 && g.ROTADEF.back() == '/') g.ROTADEF.pop_back();
  g.ARQDEF = with_separator(g.ROTADEF);
  if (g.DIRINST.empty()) g.DIRINST = with_separator(fs::current_path().string());
  // Terminal number.
  auto number = terminal_number(argument, env("TERMINAL"), on_network_drive(fs::current_path().string()));
  g.NUSU = number ? *number : ask_terminal_number();
  if (g.NUSU.empty()) g.NUSU = "00";
  if (startup_hooks().load_colours) startup_hooks().load_colours();
  return g.NUSU;
}

void draw_banner() {
  auto& g = G();
  DEFINEJAN(7, g.COR_ENCHE, g.COR_TEL2, g.COR_TEL2, 3, 21, 17, 67, 0);
  ABREJAN(7);
  const std::size_t inner = 45;
  const std::string frame = "\x02", content = "\x01";
  const std::string top = u8"┌"_cp, bottom = u8"└"_cp, bar = u8"─"_cp, side = u8"│"_cp;
  std::string text = frame + top + REP(inner) + bar + u8"┐"_cp;
  auto line = [&](const std::string& body) { text += frame + side + content + centred(body, inner) + frame + side; };
  line("");
  for (const auto& row : logo_rows()) line(row);
  line("");
  line("I R P F   2 0 " + g.CANOATUAL.substr(0, 1) + " " + g.CANOATUAL.substr(1, 1));
  line(u8"Declarações do Imposto de Renda"_cp);
  line("");
  text += frame + bottom + REP(inner) + bar + u8"┘"_cp + content;
  text += "Terminal " + g.NUSU + u8" IR Versão "_cp + g.VERSAO + std::string(7, ' ') + g.NOMEAG + std::string(5, ' ') +
          " de " + g.CULTIMAVER;
  ESCRJAN(7, text);
}

void draw_main_screen() {
  ENCHETELA(' ', G().COR_ENCH_C);
  draw_banner();
}

std::optional<int> backup_reminder_interval(Date today, Date last_backup, Date deadline, int filing_year) {
  if (static_cast<int>(today.year()) != filing_year) return std::nullopt;
  if (static_cast<unsigned>(today.month()) >= 7) return std::nullopt;
  int interval = deadline.month() == today.month() ? 2 : 5;
  if (days_between(last_backup, today) >= interval) return interval;
  return std::nullopt;
}

void backup_reminder() {
  auto& g = G();
  auto interval = backup_reminder_interval(g.HOJE, g.ULTBACK, g.DDIAENTRA, g.NANOATUAL);
  if (!interval) return;
  char days[8];
  std::snprintf(days, sizeof days, "%3d", g.NDIASEM);
  std::string answer =
      AVISOSN(std::vector<std::string>{u8" Atenção "_cp + days + " dias sem fazer o Backup completo.",
                                       u8" Sim - Faça o Backup agora. "_cp,
                                       u8" Não - Avise novamente em "_cp + std::to_string(*interval) + " dias. "},
              2);
  if (answer == "S") {
    AVISOSN(std::vector<std::string>{"Deve ser informado a seguir a letra do PenDrive",
                                     u8"ou do HD externo/interno diferente de onde está"_cp,
                                     u8"instalado a sua base de dados. Havendo mais de "_cp,
                                     u8"uma pasta programa fará a cópia de todas elas. "_cp},
            0);
    std::string folder = g.LOCARQ;
    MENUSELECT(71, 1, 2);
    g.LOCARQ = folder;
  } else {
    g.ULTBACK = g.HOJE;
    if (startup_hooks().store_settings) startup_hooks().store_settings();
  }
}

bool ROTSAIDA(int code) {
  if (code == 91 &&
      AVISOSN(u8"Confirma saída do programa?"_cp, 2, {}, "Saida do Programa") == "N")
    return true;
  auto& hooks = startup_hooks();
  if (hooks.store_settings) hooks.store_settings();
  if (hooks.close_all) hooks.close_all();
  console().screen().fill(platform::Rect{}, ' ', 7);
  console().present();
  throw ProgramExit{0};
}

void main_loop() {
  MENUCOMMAND(0);
  ROTSAIDA(91);
  while (true) {
    MENUCOMMAND(0);
    int key = 0;
    while (key == 0) key = read_key(-1);
    if (key == k::kAltT) MENUSELECT(91);
    else if (key == k::kAltI) MENUSELECT(11);
    else if (key == k::kEsc) ROTSAIDA(91);
  }
}

bool MYRUN(const std::string& command, bool wait, int way, const std::string& suffix) {
  switch (way) {
    case 0: return platform::run_shell_command(command, wait).started;
    case 1: return platform::run_program(platform::split_command_line(command), wait).started;
    case 2: {
      auto it = named_commands().find("CCOMANDO" + suffix);
      if (it == named_commands().end()) return false;
      return platform::run_program(platform::split_command_line(it->second), wait).started;
    }
    default: return false;
  }
}

void set_named_command(const std::string& name, const std::string& command) { named_commands()[name] = command; }

int MAIN(const std::string& terminal_argument) {
  auto& g = G();
  try {
    // 1. The main window.
    LWindowMain& main = LWindowMain::load();
    main.lBoxSysMenu = main.lBoxClose = main.lBoxMaximize = main.lBoxMinimize = true;
    main.setStyle(13303808);
    main.setFont("Ms Sans Serif", 30, 50);
    LMAXSCREEN();
    LSBDRAW({std::string(250, ' ')});
    // 3. Keys: Ins keeps toggling insert mode; Alt+V pastes, Ctrl+C copies.
    key_bindings().set(k::kCtrlV, {});
    key_bindings().set(k::kAltV, [] { LGETCLIPBOARD(); });
    key_bindings().set(k::kCtrlC, [] { LSETCLIPBOARD(); });
    // 5. Screen, base folder, terminal number, colours.
    INICIOSIS(terminal_argument);
    // 6. Colour lists and calendar.
    build_colour_lists();
    set_calendar_values(today());
    g.ULTBACK = g.HOJE;
    g.ROTADOANO = g.DIRTRAB = g.ROTADEF;
    // 7-9 and 12. Configuration and office records.
    auto& hooks = startup_hooks();
    if (hooks.configure && !hooks.configure()) throw ProgramExit{1};
    if (trim(g.NOMEAG).empty()) g.NOMEAG = "USUARIO DO TERMINAL " + g.NUSU;
    g.LOCIRPF = trim(g.ROTARECEI).empty() ? "" : with_separator(trim(g.ROTAJAVA));
    g.NOMECONTR = std::string(53, ' ');
    g.CQUER = "1";
    // 10. Main screen and banner.
    draw_main_screen();
    // 11.
    g.NDIASEM = days_between(g.ULTBACK, g.HOJE);
    g.LCAL = 5;
    g.CCAL = 40;
    // 13. Folders.
    std::error_code ec;
    if (!fs::is_directory(g.ROTADOANO, ec)) {
      std::string answer = AVISOSN(std::vector<std::string>{u8"A Pasta "_cp + g.ROTADOANO + u8" não foi encontrada!"_cp,
                                                            "Sim - Assume: " + g.ROTADEF, u8"Não - Sai do programa!"_cp},
                                   2);
      if (answer == "N") throw ProgramExit{0};
      g.ROTADOANO = g.ROTADEF;
      if (hooks.store_settings) hooks.store_settings();
    }
    if (!fs::is_directory(g.DIRTRAB, ec)) g.DIRTRAB = g.ROTADOANO;
    g.LOCARQ = with_separator(g.ROTADOANO);
    g.LOCTRAB = with_separator(g.DIRTRAB);
    g.DIRORIG = g.LOCARQ;
    // 14. Window 0's colours; plain output in CORNORM.
    REDFATR(0, 1, g.COR_TEL2);
    REDFATR(0, 2, g.COR_TEL1);
    REDFATR(0, 3, g.COR_TEL2);
    g.current_colour = g.CORNORM;
    // 15. Printing defaults.
    g.TEM_LASER = 0;
    g.STRING0.clear();
    g.STRING1.clear();
    g.LIN72 = "&l74P";
    // 17-18. Office tables; the folder in use.
    if (hooks.open_office_tables && !hooks.open_office_tables()) {
      AVISOSN("O programa Rendax20" + g.CANOATUAL + " no terminal " + g.NUSU + u8" está em uso"_cp, 8);
      console().screen().fill(platform::Rect{}, ' ', 7);
      throw ProgramExit{1};
    }
    if (hooks.record_folder) hooks.record_folder();
    g.MOS_MENS = true;
    // 19. Update check.
    if (g.VER_ATUAL != "N" && !INTER(0)) throw ProgramExit{0};
    // 20-22. Appointments, the register, the structure of the declaration tables.
    if (hooks.after_open) hooks.after_open();
    key_bindings().set(k::kAltI, [] { MENUSELECT(11); });
    key_bindings().set(k::kAltT, [] { MENUSELECT(91); });
    // 23-24.
    backup_reminder();
    main_loop();
  } catch (const ProgramExit& exit) {
    if (startup_hooks().close_all) startup_hooks().close_all();
    return exit.code;
  } catch (const platform::FrontEndGone&) {
    if (startup_hooks().close_all) startup_hooks().close_all();
    return 0;
  }
  return 0;
}

}  // namespace shell
