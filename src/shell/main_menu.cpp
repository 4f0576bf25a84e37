#include "shell/main_menu.h"

#include <memory>

#include "shell/folder_choice.h"
#include "shell/globals.h"
#include "shell/menu_print_selection.h"
#include "shell/menu_records.h"
#include "shell/messages.h"
#include "shell/not_available.h"
#include "shell/office_commands.h"
#include "shell/startup.h"
#include "shell/window_layer.h"
#include "util/codepage.h"

namespace shell {
namespace {

std::unique_ptr<LMenu> g_menu;
// Menus replaced while one of their items was running: kept until it has returned.
std::vector<std::unique_ptr<LMenu>> g_retired;
int g_running = 0;

void install_menu();

LMenuItem::Action command(int code, int sub1, int sub2) {
  return [=](LMenuItem&, LDialog&) {
    if (g_running == 0) g_retired.clear();
    ++g_running;
    struct Leave {
      ~Leave() { --g_running; }
    } leave;
    MENUSELECT(code, sub1, sub2);
    // The texts that hold values follow what the command changed.
    if (g_menu) install_menu();
  };
}

void add_entries(LMenu& m, const std::vector<MenuEntry>& entries) {
  for (const auto& e : entries) {
    switch (e.kind) {
      case MenuEntry::Kind::Item: m.menuItem(e.text, command(e.code, e.sub1, e.sub2)); break;
      case MenuEntry::Kind::Heading: m.menuItem(e.text, [](LMenuItem&, LDialog&) {}); break;
      case MenuEntry::Kind::Separator: m.separator(); break;
      case MenuEntry::Kind::Submenu:
        m.subMenu(e.text);
        add_entries(m, e.items);
        m.endMenu();
        break;
    }
  }
}

// A menu whose window is no longer the main window (the layer was started again) is
// let go without touching that window.
void detach_stale(LDialog& main) {
  if (g_menu && g_menu->oParent != &main) g_menu->oParent = nullptr;
  for (auto& m : g_retired)
    if (m && m->oParent != &main) m->oParent = nullptr;
}

void install_menu() {
  build_print_items();
  LWindowMain& main = LWindowMain::load();
  detach_stale(main);
  auto menu = std::make_unique<LMenu>(&main);
  add_entries(*menu, main_menu_entries());
  if (g_menu) g_retired.push_back(std::move(g_menu));
  g_menu = std::move(menu);
  g_menu->create();
}

void run(int code, int sub1, int sub2) {
  auto& g = G();
  switch (code) {
    case 9: ENTRADA("Acesso ao E-cac", 1); break;
    case 10:
      g.ARESULT.assign(30, std::vector<std::string>(2));
      ENTRADA("Acesso ao INSS", 1);
      break;
    case 11:
    case 12: {
      g.LESTOUNADECL = true;
      struct Clear {
        ~Clear() { G().LESTOUNADECL = false; }
      } clear;
      ENTRADA(code == 11 ? u8"Declaracão"_cp : u8"Lançamentos"_cp, 1);
      break;
    }
    case 13: ENTRADA(u8"Conferência"_cp, 1); break;
    case 14: not_available(Owner::Calendar); break;
    case 15: not_available(Owner::Register); break;
    case 16: not_available(Owner::Removal); break;
    case 17: not_available(Owner::Import); break;
    case 18:
    case 91: ROTSAIDA(code); break;
    case 19: upgrade_all_folders(); break;
    case 20: history_command(sub1); break;
    case 21: SELAREA(1); break;
    case 22: not_available(Owner::Removal); break;
    case 23: MODCOR(sub1); break;
    case 25: fee_settings(); break;
    case 26: saving_mode(sub1); break;
    case 27: not_available(Owner::Removal); break;
    case 28: selic_command(sub1); break;
    case 29: reindex_command(); break;
    case 30:
    case 31: not_available(Owner::Removal); break;
    case 32: not_available(Owner::Exports); break;
    case 33: not_available(Owner::Boletos); break;
    case 34: not_available(Owner::Email); break;
    case 35: update_check_command(); break;
    case 36: screen_adjustments(sub1); break;
    case 37: one_cent_markers(); break;
    case 38: phone_email_flags(sub1); break;
    case 39: auxiliary_lists(sub1); break;
    case 40: postal_and_city(sub1); break;
    case 41:
    case 42:
    case 43:
    case 44:
    case 45:
    case 46:
    case 47: SELITEMIMP(code, sub1); break;
    case 48: MOS_CONFIMP(); break;
    case 51:
    case 52: not_available(Owner::Printing); break;
    case 53:
      g.PRIM_ETI = true;
      not_available(Owner::Letters);
      break;
    case 54: number_of_lines(); break;
    case 61: ENTRADA(u8"Transferência para o programa da Receita"_cp, 1); break;
    case 62:
    case 63: not_available(Owner::Declaration); break;
    case 64:
    case 65:
    case 66: sending_options(code, sub1); break;
    case 67: SELAREA(2); break;
    case 68: not_available(Owner::OfficialList); break;
    case 71:
    case 72:
    case 73:
    case 74:
    case 75:
    case 76: not_available(Owner::Backup); break;
    case 77: processor_choice(); break;
    default: break;  // 24, 78 and unknown codes: no action
  }
  (void)sub2;
}

}  // namespace

void reset_main_menu() {
  if (g_menu) g_menu->oParent = nullptr;
  for (auto& m : g_retired)
    if (m) m->oParent = nullptr;
  g_menu.reset();
  g_retired.clear();
}

void MENUCOMMAND(int mode) {
  if (mode == 1) {
    detach_stale(LWindowMain::load());
    if (g_menu) g_retired.push_back(std::move(g_menu));
    g_menu = std::make_unique<LMenu>(&LWindowMain::load());
    g_menu->create();
    return;
  }
  if (g_running == 0) g_retired.clear();
  install_menu();
  LWindowMain& main = LWindowMain::load();
  main.lExitEsc = true;
  main.activate();
}

bool MENUSELECT(int code, int sub1, int sub2) {
  auto& g = G();
  // While a declaration is open nothing runs, and its command code stays as it is.
  if (g.LESTOUNADECL) return true;
  g.OPCAO_1 = code;
  g.OMENUITEM = code;
  g.SO_MOS = 1;
  if (code >= 21 && code <= 36) {
    ConfigurationTables tables;
    run(code, sub1, sub2);
  } else {
    run(code, sub1, sub2);
  }
  return false;
}

bool ENTRADA(const std::string& title, int mode) {
  (void)title;
  (void)mode;
  not_available(Owner::Declaration);
  return false;
}

}  // namespace shell
