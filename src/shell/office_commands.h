#pragma once
// The commands that the main menu's dispatcher carries out itself (office settings,
// lists and maintenance). Each is called by MENUSELECT with its sub-code.
#include <string>

namespace shell {

// 19: upgrade of every data folder of the folder list.
bool upgrade_all_folders();
// 20 (0 to 5): history of previous years from the transmitted declarations; 20, 6 browse.
void history_command(int sub);
// 25: fee settings of the office.
void fee_settings();
// 26: saving mode of open declarations.
void saving_mode(int sub);
// 28: SELIC table entry (1) and listing (2).
void selic_command(int sub);
// 29: rebuilds every index.
void reindex_command();
// 35: update check and the question whether to keep it.
void update_check_command();
// 36: screen adjustments (1 menu style, 2 what happens when a declaration ends).
void screen_adjustments(int sub);
// 37: one-cent markers of the first income screen.
void one_cent_markers();
// 38: phone and e-mail flags (1 send, 2 do not send).
void phone_email_flags(int sub);
// 39: auxiliary lists.
void auxiliary_lists(int sub);
// 40: 1 postal-code lookup switch, 2 city codes of real-estate assets, 3 income-entry choice.
void postal_and_city(int sub);
// 40, 2: city codes of the real-estate assets of the current folder.
void fill_city_codes();
// 54: lines per printed page.
void number_of_lines();
// 64 to 66: sending declarations to the official program when one ends.
void sending_options(int code, int sub);
// 77: archiver build (32 or 64 bits).
void processor_choice();

// The number of lines asked by command 54 brought within 50 to 66 (60 otherwise).
int lines_within_limits(int asked, bool* out_of_limits = nullptr);

// Whether a status code exists in the status list.
bool status_code_exists(int code);

}  // namespace shell
