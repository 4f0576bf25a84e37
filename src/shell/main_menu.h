#pragma once
// The main menu bar and its dispatcher.
namespace shell {

// 0: builds the full main menu on the main window and waits for events until Esc;
// 1: installs an empty menu.
void MENUCOMMAND(int mode);
// Runs one main-menu command. True when ignored because a declaration is open.
bool MENUSELECT(int code, int sub1 = 0, int sub2 = 0);

}  // namespace shell
