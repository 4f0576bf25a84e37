#pragma once
// Start-up, the main loop and leaving the program.
#include <functional>
#include <optional>
#include <string>

#include "shell/globals.h"

namespace shell {

// Thrown to leave the program from inside any wait; MAIN catches it.
struct ProgramExit {
  int code = 0;
};

// MAIN: start-up, then the main loop until the user leaves. Returns the exit code.
int MAIN(const std::string& terminal_argument);

// INICIOSIS: screen, base folder, terminal number, colours. Returns the terminal number.
std::string INICIOSIS(const std::string& terminal_argument);

// The terminal number from the command-line argument and the environment variable
// "TERMINAL" ("7" -> "07"); nullopt when it must be asked.
std::optional<std::string> terminal_number(const std::string& argument, const std::string& env_terminal,
                                           bool network_drive);
// Whether the folder lies on a network file system.
bool on_network_drive(const std::string& folder);

// Draws the main screen: background fill and the banner (text window 7).
void draw_main_screen();
void draw_banner();

// Days of the backup-reminder interval when the reminder is due today, else nullopt.
std::optional<int> backup_reminder_interval(Date today, Date last_backup, Date deadline, int filing_year);
// The reminder question and its answers (command 71 for a backup is run by the caller).
void backup_reminder();

// The main loop (Esc asks before leaving).
void main_loop();

// ROTSAIDA: 91 asks "Confirma saída do programa?", 18 does not. Returns true when the
// user declined; otherwise stores the terminal's settings and throws ProgramExit.
bool ROTSAIDA(int code);

// What start-up and leaving ask of the data files; connected by the data-file layer.
struct StartupHooks {
  std::function<void()> load_colours;         // CRIACOR at the end of INICIOSIS
  std::function<bool()> configure;            // steps 7-9 and 12: configuration and office records
  std::function<bool()> open_office_tables;   // step 17: false when this terminal is in use
  std::function<void()> record_folder;        // step 18
  std::function<void()> after_open;           // steps 20-22
  std::function<void()> store_settings;       // leaving: the terminal configuration record
  std::function<void()> close_all;            // leaving: every table
  std::function<void()> store_colours;        // GRAVACOR: the terminal's colour record
};
StartupHooks& startup_hooks();

// MYRUN: starts an external program; way 0 through the shell, 1 directly, 2 the
// command held in the named command "CCOMANDO" + suffix.
bool MYRUN(const std::string& command, bool wait = true, int way = 0, const std::string& suffix = "");
void set_named_command(const std::string& name, const std::string& command);

}  // namespace shell
