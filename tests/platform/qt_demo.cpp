// A small program on the Qt front end: a banner with boxes, shades and colours, a menu,
// a status bar and (with --dialog) a dialog window with a button and a text box. Used by
// the front end's tests (no-display start) and for looking at the window under Xvfb.
//   qt_demo [--dialog | --small-dialog] [--message] [--exit-after MS]
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/console.h"
#include "platform/keys.h"
#include "platform/qt/qt_front_end.h"
#include "util/codepage.h"

namespace {

using platform::Console;
using platform::Event;
using platform::EventKind;
using platform::Rect;

void frame(platform::ScreenBuffer& s, const Rect& r, bool dbl, std::uint8_t attr) {
  const char h = dbl ? '\xCD' : '\xC4', v = dbl ? '\xBA' : '\xB3';
  const char tl = dbl ? '\xC9' : '\xDA', tr = dbl ? '\xBB' : '\xBF', bl = dbl ? '\xC8' : '\xC0',
             br = dbl ? '\xBC' : '\xD9';
  const int w = r.right - r.left + 1;
  s.fill(r, ' ', attr);
  s.write(r.top, r.left, std::string(1, tl) + std::string(w - 2, h) + std::string(1, tr), attr);
  s.write(r.bottom, r.left, std::string(1, bl) + std::string(w - 2, h) + std::string(1, br), attr);
  for (int row = r.top + 1; row < r.bottom; ++row) {
    s.write(row, r.left, std::string(1, v), attr);
    s.write(row, r.right, std::string(1, v), attr);
  }
}

void draw(Console& c) {
  auto& s = c.screen();
  s.fill(Rect{}, '\xB0', 0x17);
  frame(s, Rect{2, 8, 10, 71}, true, 0x1F);
  s.write(3, 20, u8"Rendax2023 - Imposto de Renda Pessoa Física"_cp, 0x1E);
  s.write(4, 9, std::string(62, '\xCD'), 0x1F);
  s.write(4, 8, "\xCC", 0x1F);
  s.write(4, 71, "\xB9", 0x1F);
  s.write(5, 12, u8"Declaração de Ajuste Anual 2023 - ano-calendário 2022"_cp, 0x1F);
  frame(s, Rect{6, 12, 9, 40}, false, 0x70);
  s.write(7, 14, u8"Menu: Alt+A Arquivo"_cp, 0x70);
  s.write(8, 14, "\xC3\xC4\xC4\xC5\xC4\xC4\xB4 \xC2\xC1 \xCB\xCA\xCE", 0x70);
  s.write(6, 44, "\xB0\xB0\xB1\xB1\xB2\xB2\xDB\xDB\xDF\xDF\xDC\xDC\xFE", 0x1E);
  for (int i = 0; i < 16; ++i) s.write(8, 44 + i, " ", static_cast<std::uint8_t>(i << 4));
  for (int i = 0; i < 16; ++i) s.write(9, 44 + i, "X", static_cast<std::uint8_t>(0x00 | i));
  s.write(23, 2, "Esc: sair  F2: beep", 0x70);
  s.set_cursor(20, 2);
  s.set_cursor_shape(platform::CursorShape::Underline);
  c.present();
}

}  // namespace

int main(int argc, char** argv) {
  bool dialog = false, small = false, message = false;
  int exit_after = -1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dialog") == 0) dialog = true;
    if (std::strcmp(argv[i], "--small-dialog") == 0) dialog = small = true;
    if (std::strcmp(argv[i], "--message") == 0) message = true;
    if (std::strcmp(argv[i], "--exit-after") == 0 && i + 1 < argc) exit_after = std::atoi(argv[++i]);
  }
  return platform::run_qt_front_end(argc, argv, [&](Console& c) {
    c.set_palette(4, 0xFF0000);
    c.set_palette(12, 0xFF0000);
    c.set_palette(7, 0xEFEBDE);
    c.set_palette(1, 0x396DA5);
    c.set_palette(9, 0x396DA5);
    c.set_window_title(0, util::utf8_to_cp1252("Rendax2023 - Declaração"));
    std::vector<platform::MenuNode> menu = {
        {0, "&Arquivo", true, false, {{1001, "&Abrir", true, true, {}}, {1002, "&Sair", true, false, {}}}},
        {0, "A&juda", true, false, {{1003, util::utf8_to_cp1252("&Sobre o programa..."), true, false, {}}}}};
    c.set_menu(0, menu);
    c.set_status_bar(0, {{util::utf8_to_cp1252("Pronto - sessão iniciada"), "", 40},
                         {"Terminal 01", "", 12},
                         {"31/05/2023", "", 0}});
    draw(c);
    if (dialog) {
      platform::WindowSpec desc;
      desc.cells = Rect{12, 15, 20, 64};
      desc.title = util::utf8_to_cp1252("Atenção");
      desc.close_box = true;
      int h = c.open_window(desc);
      if (small) c.set_font(h, "", 17, 8);  // the dialogs' usual 85 % of the main grid's 10x20
      auto& s = c.screen();
      frame(s, Rect{12, 15, 20, 64}, false, 0x70);
      s.write(13, 17, u8"Confirma a gravação da declaração?"_cp, 0x70);
      c.create_button(h, Rect{18, 20, 18, 29}, "&Sim");
      c.create_button(h, Rect{18, 32, 18, 41}, util::utf8_to_cp1252("&Não"));
      c.create_text_box(h, Rect{14, 17, 16, 62}, "Linha 1\nLinha 2 do texto\nLinha 3");
      c.present();
    }
    if (message)
      c.message_box(util::utf8_to_cp1252("Erro no acesso à Internet. Tente depois!"), "Rendax2023",
                    platform::MessageIcon::Error, platform::MessageButtons::YesNoCancel);
    int waited = 0;
    for (;;) {
      Event e = c.wait_event(exit_after >= 0 ? 100 : -1);
      if (e.kind == EventKind::Timeout) {
        waited += 100;
        if (exit_after >= 0 && waited >= exit_after) return 0;
        continue;
      }
      if (e.kind == EventKind::Quit) return 1;
      if (e.kind == EventKind::Close && e.code == 0) return 0;
      if (e.kind == EventKind::Menu && e.code == 1002) return 0;
      if (e.kind == EventKind::Key && e.code == platform::keys::kEsc) return 0;
      if (e.kind == EventKind::Key && e.code == platform::keys::kF2) c.beep(880, 200);
      c.screen().write(22, 2, "Evento " + std::to_string(static_cast<int>(e.kind)) + " codigo " +
                                   std::to_string(e.code) + "          ",
                       0x70);
      c.present();
    }
  });
}
