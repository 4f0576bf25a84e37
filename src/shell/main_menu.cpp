#include "shell/main_menu.h"

#include <memory>

#include "shell/globals.h"
#include "shell/messages.h"
#include "shell/startup.h"
#include "shell/window_layer.h"
#include "util/codepage.h"

namespace shell {
namespace {

std::unique_ptr<LMenu> g_menu;

LMenuItem::Action command(int code, int sub1 = 0, int sub2 = 0) {
  return [=](LMenuItem&, LDialog&) { MENUSELECT(code, sub1, sub2); };
}

void build_main_menu() {
  LWindowMain& main = LWindowMain::load();
  g_menu = std::make_unique<LMenu>(&main);
  LMenu& m = *g_menu;
  m.subMenu(u8"&Declaração"_cp);
  m.separator();
  m.menuItem("&Terminar (Alt T)", command(18));
  m.endMenu();
  m.create();
}

}  // namespace

void MENUCOMMAND(int mode) {
  if (mode == 1) {
    g_menu = std::make_unique<LMenu>(&LWindowMain::load());
    g_menu->create();
    return;
  }
  build_main_menu();
  LWindowMain& main = LWindowMain::load();
  main.lExitEsc = true;
  main.activate();
}

bool MENUSELECT(int code, int, int) {
  auto& g = G();
  if (g.LESTOUNADECL) return true;
  g.OPCAO_1 = code;
  switch (code) {
    case 18:
    case 91: ROTSAIDA(code); break;
    default:
      AVISOSN(u8"Função não disponível nesta versão."_cp, 0);
  }
  return false;
}

}  // namespace shell
