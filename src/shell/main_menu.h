#pragma once
// The main menu bar and its dispatcher.
#include <string>
#include <vector>

namespace shell {

// One entry of the main menu: an item calling MENUSELECT(code, sub1, sub2), a submenu
// (its entries in `items`), a heading (shown, does nothing) or a separator line.
struct MenuEntry {
  enum class Kind { Item, Submenu, Heading, Separator };
  Kind kind = Kind::Item;
  std::string text;  // CP850, '&' marks the accelerator
  int code = 0, sub1 = 0, sub2 = 0;
  std::vector<MenuEntry> items;
};

// The whole menu bar with the texts that show current values (saving interval, backup
// drive, printer, copies).
std::vector<MenuEntry> main_menu_entries();

// 0: builds the full main menu on the main window and waits for events until Esc;
// 1: installs an empty menu.
void MENUCOMMAND(int mode);
// Runs one main-menu command. True when ignored because a declaration is open.
bool MENUSELECT(int code, int sub1 = 0, int sub2 = 0);

// Forgets the menu bar built here without touching its window (a new program run in
// the same process, after the window layer was reset).
void reset_main_menu();

// ENTRADA: runs the declaration routine for the command in OPCAO_1.
bool ENTRADA(const std::string& title, int mode = 1);

}  // namespace shell
