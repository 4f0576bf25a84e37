#include "shell/messages.h"

#include <algorithm>
#include <cctype>

#include "platform/keys.h"
#include "shell/colours.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "shell/text_windows.h"
#include "shell/window_layer.h"
#include "util/codepage.h"

namespace shell {
namespace {

namespace k = platform::keys;

std::string native(const std::string& cp850) { return util::cp850_to_cp1252(cp850); }

char upper(int key) { return static_cast<char>(std::toupper(key & 0xFF)); }

std::string default_title() { return "Rendax20" + G().CANOATUAL + " - Vexa Informatica"; }

// Waits for a real key (menu picks, timers and button presses run meanwhile).
int wait_real_key() {
  while (true)
    if (int key = read_key(-1)) return key;
}

// Room the prompt needs after the text for the variable's value.
int variable_room(const GetField& v, int width) {
  switch (v.type) {
    case 'N': return width > 0 ? width : v.display_width();
    case 'D': return 10;
    case 'L': return 1;
    default: return static_cast<int>(v.text.size());
  }
}

}  // namespace

std::string MENS(int kind_frame, const std::string& text, const MensOptions& options) {
  return MENS(kind_frame, std::vector<std::string>{text}, options);
}

std::string MENS(int kind_frame, const std::vector<std::string>& given, const MensOptions& options) {
  auto& g = G();
  int kind = kind_frame % 10;
  int frame = kind_frame / 10;

  if (kind == 0) {
    std::string text = given.size() == 1 ? given[0] : "";
    if (given.size() > 1)
      for (const auto& l : given) text += l + " ";
    if (text.empty()) text = std::string(250, ' ');
    LWindowMain& main = LWindowMain::load();
    if (!main.oStatusBar || main.oStatusBar->aPart.empty()) {
      LSBDRAW({std::string(250, ' ')});
    }
    if (main.oStatusBar && !main.oStatusBar->aPart.empty()) main.oStatusBar->aPart[0]->setText(text);
    return "";
  }

  // A list of several lines becomes one text of equal-width lines.
  int lines = options.lines.value_or(1);
  std::string text;
  if (given.size() > 1) {
    std::size_t longest = 0;
    for (const auto& l : given) longest = std::max(longest, l.size());
    for (const auto& l : given) text += l + std::string(longest - l.size(), ' ');
    if (!options.lines) lines = static_cast<int>(given.size());
  } else {
    text = given.empty() ? "" : given[0];
  }
  if (text.empty()) text = std::string(100, ' ');
  int row = options.row.value_or(20);
  if (lines < 1) lines = 1;

  int room = 0;
  if (kind == 4 && options.variable) room = variable_room(*options.variable, options.width);
  int text_length = static_cast<int>(text.size());
  int width = text_length + room + 1;
  if (lines > 1) {
    width = (text_length + room) / lines + 1;
    text.resize(static_cast<std::size_t>(lines * width), ' ');
  }
  int column;
  if (options.column) column = *options.column;
  else if (options.placement == 'E') column = 2;
  else if (options.placement == 'C') column = (80 - width) / 2;
  else column = 70 - width;
  if (frame == 7) ++width;

  int n = options.window;
  auto define = [&](int right) {
    DEFINEJAN(n, g.COR_TEL1, g.COR_TEL2, frame == 7 ? g.COR_TEL3 : g.COR_TEL2, row, column, row + lines + 1, right,
              frame);
    ABREJAN(n);
    ESCRJAN(n, std::string(width + 1, ' '));
    ESCRJAN(n, text);
  };

  if (kind == 3) {
    define(column + width + 2);
    return "";
  }
  if (kind != 1 && kind != 2 && kind != 4) return "";

  LDialog* dialog = LDLGSHOW(row - 1, column - 1, row + lines, column + width,
                             options.title.empty() ? default_title() : options.title);
  define(column + width + (lines == 1 ? 1 : 0));
  g.TAM_OLD = width;
  g.NL_OLD = lines;
  g.CONT_OLD = frame;
  console().clear_typeahead();

  std::string result;
  if (kind == 1) {
    BEEP_ERRO();
    wait_real_key();
  } else if (kind == 2) {
    while (true) {
      int key = wait_real_key();
      if (key == k::kEsc) {
        result = " ";
        break;
      }
      char letter = upper(key);
      if (key > 0 && key < 256 && options.letters.find(letter) != std::string::npos) {
        result = std::string(1, letter);
        break;
      }
    }
  } else if (options.variable) {
    GetField& v = *options.variable;
    v.row = row;
    v.col = frame == 7 ? column + text_length - 1 : column + text_length + 1;
    if (v.type == 'N' && options.width > 0) v.width = options.width;
    if (v.picture.empty() && options.picture != "@KS") v.picture = options.picture;
    if (v.picture.empty()) v.picture = "@K";
    if (options.valid) v.valid = options.valid;
    std::vector<GetField> fields{v};
    ReadEnd end = dialog->readmodal(fields);
    v = fields[0];
    if (end == ReadEnd::Escaped || end == ReadEnd::Cancelled) v.reset_to_empty();
    result = trimmed_value(v);
  }
  FECHAJAN(n);
  LDLGCLOSE();
  return result;
}

std::string AVISOSN(const std::string& text, int mode, const std::vector<std::string>& buttons,
                    const std::string& title) {
  return AVISOSN(std::vector<std::string>{text}, mode, buttons, title);
}

std::string AVISOSN(const std::vector<std::string>& lines, int mode, const std::vector<std::string>& buttons,
                    const std::string& title) {
  std::string heading = title.empty() ? (mode == 8 ? "ERRO" : "Aviso") : title;
  using platform::MessageAnswer;
  using platform::MessageButtons;
  using platform::MessageIcon;
  auto native_box = [&](MessageIcon icon, MessageButtons kind) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + (lines.size() > 1 ? "\r\n" : "");
    return console().message_box(native(text), native(heading), icon, kind);
  };
  switch (mode) {
    case 0: native_box(MessageIcon::Information, MessageButtons::Ok); return "";
    case 1: native_box(MessageIcon::None, MessageButtons::Ok); return "N";
    case 8: native_box(MessageIcon::Error, MessageButtons::Ok); return "";
    case 2:
      return native_box(MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes ? "S" : "N";
    case 3: {
      MessageAnswer a = native_box(MessageIcon::Question, MessageButtons::YesNoCancel);
      return a == MessageAnswer::Yes ? "S" : a == MessageAnswer::No ? "N" : "I";
    }
    case 4: {
      int b = text_alert(lines, {"Sim", u8"Não"_cp, "Fim"}, heading);
      return b == 1 ? "S" : b == 3 ? "F" : "N";
    }
    case 5: {
      int b = text_alert(lines, {"1", "2", "3"}, heading);
      return b == 0 ? "0" : std::to_string(b);
    }
    case 6: return std::to_string(text_alert(lines, buttons, heading));
    case 7: return std::to_string(text_alert(lines, {"1", "2", "3", "4", "5", "6"}, heading));
    default: return "";
  }
}

int text_alert(const std::vector<std::string>& lines, const std::vector<std::string>& buttons,
               const std::string& title) {
  // Button labels: shorter than 10 and without surrounding blanks are centred in 10.
  std::vector<std::string> labels;
  int total = 0;
  for (const auto& b : buttons) {
    std::string label = b;
    if (label.size() < 10 && !label.empty() && label.front() != ' ' && label.back() != ' ') {
      std::size_t pad = 10 - label.size();
      label = std::string(pad / 2, ' ') + label + std::string(pad - pad / 2, ' ');
    }
    labels.push_back(label);
    total += static_cast<int>(label.size()) + 2;
  }
  int longest = 0;
  for (const auto& l : lines) longest = std::max(longest, static_cast<int>(l.size()));
  int height = std::min(static_cast<int>(lines.size()), 16) + 3;
  int width = std::min(std::max({total, longest, static_cast<int>(title.size())}) + 3, platform::kCols - 4);
  int top = (platform::kRows - height) / 2, left = (platform::kCols - width) / 2;
  int bottom = top + height - 1, right = left + width - 1;

  // Buttons on the last row but one, centred, wrapping two rows apart.
  std::vector<std::vector<int>> rows(1);
  int used = 0;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    int w = static_cast<int>(labels[i].size()) + 2;
    if (used + w > width && !rows.back().empty()) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(static_cast<int>(i));
    used += w;
  }
  bottom += 2 * (static_cast<int>(rows.size()) - 1);

  key_bindings().suspend();
  struct Resume {
    ~Resume() { key_bindings().resume(); }
  } resume;

  auto& screen = console().screen();
  std::uint8_t colour = attribute_of(G().COR_ENCH_C);
  LDialog* dialog = new LDialog(top, left, bottom, right);
  std::unique_ptr<LDialog> owner(dialog);
  dialog->cColor = G().COR_ENCH_C;
  dialog->lBoxSysMenu = false;
  dialog->cFontName = "Courier New";
  dialog->cTitle(title);
  dialog->showWindow();
  auto saved = screen.save({top, left, bottom, right});
  screen.fill({top, left, bottom, right}, ' ', colour);
  std::string joined;
  for (const auto& l : lines) joined += l + "\r\n";
  int text_box = console().create_text_box(dialog->nHandle, {top, left, bottom - 2 - 2 * (int(rows.size()) - 1), right},
                                            native(joined));
  for (std::size_t r = 0; r < lines.size() && static_cast<int>(r) < 16; ++r)
    screen.write(top + static_cast<int>(r), left + 1, lines[r].substr(0, width - 2), colour);

  std::vector<std::unique_ptr<LButton>> controls;
  int chosen = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    int row_width = 0;
    for (int i : rows[r]) row_width += static_cast<int>(labels[i].size()) + 2;
    int col = left + (width - row_width) / 2;
    int row = bottom - 1 - 2 * (static_cast<int>(rows.size()) - 1 - static_cast<int>(r));
    for (int i : rows[r]) {
      auto button = std::make_unique<LButton>(row, col, labels[i],
                                              [&chosen, i](LButton&, LDialog& d) {
                                                chosen = i + 1;
                                                d.end(i + 1);
                                              },
                                              dialog);
      button->create();
      screen.write(row, col, "[" + labels[i] + "]", colour);
      col += static_cast<int>(labels[i].size()) + 2;
      controls.push_back(std::move(button));
    }
  }
  console().present();

  // Keys: Esc gives 0, Enter presses the focused button, arrows and Tab move the
  // focus, the first letter of a label presses that button.
  std::size_t focus = 0;
  if (!controls.empty()) controls[0]->setFocus();
  while (chosen == 0) {
    int key = read_key(-1);
    if (dialog->nExit > 0) break;
    if (key == 0) continue;
    if (key == k::kEsc) break;
    if (controls.empty()) continue;
    if (key == k::kEnter) {
      controls[focus]->action();
    } else if (key == k::kRight || key == k::kTab || key == k::kDown) {
      focus = (focus + 1) % controls.size();
      controls[focus]->setFocus();
    } else if (key == k::kLeft || key == k::kShiftTab || key == k::kUp) {
      focus = (focus + controls.size() - 1) % controls.size();
      controls[focus]->setFocus();
    } else if (key > 0 && key < 256) {
      for (std::size_t i = 0; i < labels.size(); ++i) {
        auto b = labels[i].find_first_not_of(' ');
        if (b != std::string::npos && upper(labels[i][b]) == upper(key)) {
          controls[i]->action();
          break;
        }
      }
    }
  }
  controls.clear();
  console().destroy_text_box(text_box);
  screen.restore({top, left, bottom, right}, saved);
  dialog->close();
  return chosen;
}

void AVISO(const std::string& text, int row, int col, const std::string& pair) {
  console().screen().write(row, col, text, attribute_of(pair.empty() ? G().COR_CLI_HE : pair));
  console().present();
}

int ESC_OPCAO(int window, int items, int first_column, int bar_width, int row_offset, bool close_window,
              bool show_item_message) {
  auto& g = G();
  if (g.POSVER < 1) g.POSVER = 1;
  if (g.POSVER > items) g.POSVER = items;
  auto paint = [&](int attr) { ESCRATR(window, g.POSVER + row_offset, first_column, attr, bar_width); };
  int chosen = -1;
  while (chosen < 0) {
    paint(g.COR_ESCOL);
    if (show_item_message && g.POSVER - 1 < static_cast<int>(g.MENSMENU.size())) {
      MensOptions o;
      o.row = 1;
      o.placement = 'C';
      MENS(13, g.MENSMENU[g.POSVER - 1], o);
    } else {
      MENS(0);
    }
    int key = read_key(-1);
    if (key == 0) continue;
    int before = g.POSVER;
    if (key == k::kEnter) chosen = g.POSVER;
    else if (key == k::kEsc) chosen = 0;
    else if (key == k::kHome) g.POSVER = 1;
    else if (key == k::kEnd) g.POSVER = items;
    else if (key == k::kDown) g.POSVER = std::min(items, g.POSVER + 1);
    else if (key == k::kUp) g.POSVER = std::max(1, g.POSVER - 1);
    else if (key == k::kAltA) {
      if (auto calculator = key_bindings().get(k::kAltA)) calculator();
    } else if (key > 0 && key < 256) {
      auto p = g.OPCOES.find(upper(key));
      if (p != std::string::npos && static_cast<int>(p) < items) {
        g.POSVER = static_cast<int>(p) + 1;
        chosen = g.POSVER;
      }
    }
    if (g.POSVER != before || chosen >= 0) {
      int now = g.POSVER;
      g.POSVER = before;
      paint(g.COR_TEL1);
      g.POSVER = now;
    }
  }
  if (chosen > 0) paint(g.COR_ESCOL);
  g.ULTPOS = g.POSVER;
  FECHAJAN(10);
  if (close_window) FECHAJAN(window);
  console().screen().set_cursor_shape(platform::CursorShape::Underline);
  console().present();
  return chosen;
}

void BEEP_ERRO(int count) {
  constexpr int kTick = 1000 / 18;  // one clock tick
  for (int i = 0; i < count; ++i)
    for (int pair = 0; pair < 2; ++pair) {
      console().beep(300, kTick);
      console().beep(499, kTick);
    }
}

}  // namespace shell
