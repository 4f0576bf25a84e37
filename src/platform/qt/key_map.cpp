#include "platform/qt/key_map.h"

#include <vector>

#include "platform/keys.h"
#include "util/codepage.h"

namespace platform::qt {
namespace {

bool is_modifier_only(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
    case Qt::Key_Multi_key:
    case Qt::Key_Dead_Grave:
    case Qt::Key_Dead_Acute:
    case Qt::Key_Dead_Circumflex:
    case Qt::Key_Dead_Tilde:
    case Qt::Key_Dead_Diaeresis:
    case Qt::Key_Dead_Cedilla:
    case Qt::Key_unknown:
    case 0:
      return true;
    default:
      return false;
  }
}

bool printable(const QString& text) {
  if (text.isEmpty()) return false;
  const char16_t c = text.at(0).unicode();
  return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0);
}

int text_code(const QString& text) {
  const std::string bytes = util::utf8_to_cp850(text.left(1).toStdString());
  return bytes.empty() ? keys::kNone : static_cast<unsigned char>(bytes[0]);
}

}  // namespace

bool is_text_key(int qt_key, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (is_modifier_only(qt_key) || !printable(text)) return false;
  if ((qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F35) || qt_key == Qt::Key_Escape || qt_key == Qt::Key_Tab ||
      qt_key == Qt::Key_Backtab || qt_key == Qt::Key_Return || qt_key == Qt::Key_Enter ||
      qt_key == Qt::Key_Backspace || qt_key == Qt::Key_Delete)
    return false;
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool alt = modifiers & Qt::AltModifier;
  if (alt && !ctrl) return false;  // Alt+letter/digit are commands, never text
  if (ctrl && !alt) return false;  // Ctrl+letter are control codes
  return true;                     // plain text, or AltGr reported as Ctrl+Alt
}

int map_key(int qt_key, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (is_modifier_only(qt_key)) return keys::kNone;
  const bool shift = modifiers & Qt::ShiftModifier;
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool alt = modifiers & Qt::AltModifier;

  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F12) {
    const int n = qt_key - Qt::Key_F1 + 1;
    if (alt) return keys::alt_function_key(n);
    if (ctrl) return keys::ctrl_function_key(n);
    if (shift) return keys::shift_function_key(n);
    return keys::function_key(n);
  }
  switch (qt_key) {
    case Qt::Key_Up: return keys::kUp;
    case Qt::Key_Down: return keys::kDown;
    case Qt::Key_Left: return ctrl ? keys::kCtrlLeft : keys::kLeft;
    case Qt::Key_Right: return ctrl ? keys::kCtrlRight : keys::kRight;
    case Qt::Key_Home: return ctrl ? keys::kCtrlHome : keys::kHome;
    case Qt::Key_End: return ctrl ? keys::kCtrlEnd : keys::kEnd;
    case Qt::Key_PageUp: return ctrl ? keys::kCtrlPgUp : keys::kPgUp;
    case Qt::Key_PageDown: return ctrl ? keys::kCtrlPgDn : keys::kPgDn;
    case Qt::Key_Insert: return keys::kIns;
    case Qt::Key_Delete: return keys::kDel;
    case Qt::Key_Return:
    case Qt::Key_Enter: return keys::kEnter;
    case Qt::Key_Escape: return keys::kEsc;
    case Qt::Key_Backspace: return keys::kBackspace;
    case Qt::Key_Tab: return shift ? keys::kShiftTab : keys::kTab;
    case Qt::Key_Backtab: return keys::kShiftTab;
    default: break;
  }
  if (alt && !ctrl) {
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return keys::alt_letter(static_cast<char>('A' + (qt_key - Qt::Key_A)));
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return keys::alt_digit(qt_key - Qt::Key_0);
    return keys::kNone;
  }
  if (ctrl && !alt) {
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return 1 + (qt_key - Qt::Key_A);
    return keys::kNone;
  }
  if (is_text_key(qt_key, modifiers, text)) return text_code(text);
  return keys::kNone;
}

std::vector<int> text_key_codes(const QString& text) {
  std::vector<int> out;
  for (unsigned char byte : util::utf8_to_cp850(text.toStdString())) out.push_back(byte);
  return out;
}

}  // namespace platform::qt
