// MODCOR: the colour picker of the main menu.
#include <algorithm>

#include "platform/keys.h"
#include "shell/colours.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "shell/messages.h"
#include "shell/startup.h"
#include "shell/text_windows.h"
#include "shell/window_layer.h"
#include "util/codepage.h"

namespace shell {
namespace {

namespace k = platform::keys;

// The attribute number and colour pair that choice `which` changes.
std::pair<int*, std::string*> colour_of(int which) {
  auto& g = G();
  switch (which) {
    case 1: return {&g.COR_TEL1, &g.COR_1_CLI};
    case 2: return {&g.COR_TEL2, &g.COR_2_CLI};
    case 3: return {&g.COR_ESCOL, &g.COR_ESC_CL};
    case 4: return {&g.COR_PEGA, &g.COR_GET};
    case 5: return {&g.COR_MENS, &g.COR_SAY};
    case 6: return {&g.COR_VEXA, &g.COR_CLI_HE};
    default: return {&g.COR_ENCHE, &g.COR_ENCH_C};
  }
}

constexpr int kPaletteTop = 4, kPaletteLeft = 2, kSamplesTop = 15;

void draw_palette(int mark_row, int mark_col) {
  auto& g = G();
  DEFINEJAN(4, g.COR_TEL1, g.COR_TEL2, g.COR_TEL2, kPaletteTop, kPaletteLeft, 14, 19, 0);
  ABREJAN(4);
  std::string text = "\x02" + u8"┌"_cp + REP(16) + u8"─"_cp + u8"┐"_cp;
  for (int b = 0; b < 8; ++b) text += u8"│"_cp + REP(16) + u8"■"_cp + u8"│"_cp;
  text += u8"└"_cp + REP(16) + u8"─"_cp + u8"┘"_cp;
  ESCRJAN(4, text);
  auto& screen = console().screen();
  for (int b = 0; b < 8; ++b)
    for (int a = 0; a < 16; ++a) {
      bool marked = b == mark_row && a == mark_col;
      screen.write(kPaletteTop + 1 + b, kPaletteLeft + 1 + a, marked ? "*" : u8"■"_cp,
                   static_cast<std::uint8_t>(a + 16 * b));
    }
}

void draw_samples() {
  auto& g = G();
  DEFINEJAN(6, g.COR_TEL1, g.COR_TEL2, g.COR_TEL2, kSamplesTop, kPaletteLeft, 22, 19, 0);
  ABREJAN(6);
  std::string text = "\x02" + u8"┌"_cp + REP(16) + u8"─"_cp + u8"┐"_cp;
  text += u8"│"_cp + "\x01" + " Cor do texto   " + "\x02" + u8"│"_cp;
  for (int r = 0; r < 5; ++r) text += u8"│"_cp + std::string(16, ' ') + u8"│"_cp;
  text += u8"└"_cp + REP(16) + u8"─"_cp + u8"┘"_cp;
  ESCRJAN(6, text);
  auto& screen = console().screen();
  screen.write(17, 4, "Item Escolhido", attribute_of(g.COR_ESC_CL));
  screen.write(18, 4, "Entrada Dados ", attribute_of(g.COR_GET));
  screen.write(19, 4, "Mensagens     ", attribute_of(g.COR_SAY));
  screen.write(20, 4, "Telas de Vexa ", attribute_of(g.COR_CLI_HE));
  console().present();
}

}  // namespace

void MODCOR(int which) {
  auto& g = G();
  ENCHETELA(' ', g.COR_ENCH_C);
  draw_banner();
  LDialog* dialog = which != 7 ? LDLGSHOW(4, 2, 21, 21, "Ajuste de cores") : nullptr;
  auto [number, pair] = colour_of(which);
  int row = std::clamp(*number / 16, 0, 7), col = *number % 16;
  auto redraw = [&] {
    if (which == 7) {
      for (int n = 1; n <= 8; ++n) FECHAJAN(n);
      ENCHETELA(' ', g.COR_ENCH_C);
      draw_banner();
    } else {
      for (int n = 3; n <= 6; ++n) FECHAJAN(n);
    }
    if (which == 5) REDFATR(10, 1, g.COR_MENS);
    draw_palette(row, col);
    draw_samples();
  };
  redraw();
  while (true) {
    int key = read_key(-1);
    if (key == 0) continue;
    if (key == k::kEnter || key == k::kEsc) break;
    int r = row, c = col;
    if (key == k::kRight) c = std::min(15, col + 1);
    else if (key == k::kLeft) c = std::max(0, col - 1);
    else if (key == k::kDown) r = std::min(7, row + 1);
    else if (key == k::kUp) r = std::max(0, row - 1);
    if (r == row && c == col) continue;
    row = r;
    col = c;
    *number = c + 16 * r;
    *pair = ACHACOR(*number);
    redraw();
  }
  REDFATR(10, 1, g.COR_MENS);
  REDFATR(10, 2, g.COR_TEL2);
  REDFATR(10, 3, g.COR_TEL3);
  build_colour_lists();
  g.current_colour = g.CORNORM;
  if (startup_hooks().store_colours) startup_hooks().store_colours();
  FECHAJAN(4);
  FECHAJAN(6);
  FECHAJAN(10);
  if (dialog) LDLGCLOSE();
  g.POSVER = 1;
}

}  // namespace shell
