#pragma once
// Key codes of the classic PC text-mode keyboard, as the program reads them.
namespace platform::keys {

constexpr int kNone = 0;
constexpr int kHome = 1, kCtrlA = 1;
constexpr int kCtrlRight = 2;
constexpr int kPgDn = 3, kCtrlC = 3;
constexpr int kRight = 4;
constexpr int kUp = 5;
constexpr int kEnd = 6;
constexpr int kDel = 7;
constexpr int kBackspace = 8;
constexpr int kTab = 9;
constexpr int kEnter = 13;
constexpr int kPgUp = 18;
constexpr int kLeft = 19;
constexpr int kIns = 22, kCtrlV = 22;
constexpr int kCtrlW = 23, kCtrlEnd = 23;
constexpr int kDown = 24;
constexpr int kCtrlLeft = 26;
constexpr int kEsc = 27;
constexpr int kF1 = 28;
constexpr int kCtrlHome = 29;
constexpr int kCtrlPgDn = 30;
constexpr int kCtrlPgUp = 31;
constexpr int kShiftTab = 271;
// F2..F10 are -1..-9; F11 -40, F12 -41. Shift+F1..F10 -10..-19, Ctrl -20..-29, Alt -30..-39.
constexpr int function_key(int n) { return n == 1 ? kF1 : n <= 10 ? -(n - 1) : n == 11 ? -40 : -41; }
constexpr int kF2 = -1, kF3 = -2, kF4 = -3, kF5 = -4, kF6 = -5, kF7 = -6, kF8 = -7, kF9 = -8, kF10 = -9;
constexpr int kF11 = -40, kF12 = -41;
constexpr int shift_function_key(int n) { return n <= 10 ? -(n + 9) : n == 11 ? -42 : -43; }
constexpr int ctrl_function_key(int n) { return n <= 10 ? -(n + 19) : n == 11 ? -44 : -45; }
constexpr int alt_function_key(int n) { return n <= 10 ? -(n + 29) : n == 11 ? -46 : -47; }

// Alt + letter = 256 + the letter key's scan code.
constexpr int alt_letter(char letter) {
  constexpr const char* kRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  constexpr int kFirstScan[] = {16, 30, 44};
  char up = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 32) : letter;
  for (int r = 0; r < 3; ++r)
    for (int i = 0; kRows[r][i]; ++i)
      if (kRows[r][i] == up) return 256 + kFirstScan[r] + i;
  return kNone;
}
// Alt + digit: Alt+1 376 … Alt+9 384, Alt+0 385.
constexpr int alt_digit(int digit) { return digit == 0 ? 385 : 375 + digit; }

constexpr int kAltA = 286, kAltS = 287, kAltT = 276, kAltI = 279, kAltV = 303, kAltW = 273, kAltC = 302;

// Mouse events arrive as keys too.
constexpr int kMouseLeftDown = 1002;
constexpr int kMouseLeftUp = 1003;
constexpr int kMouseRightDown = 1004;
constexpr int kMouseLeftDoubleClick = 1006;

// A native menu pick; the item number is the console's last menu event.
constexpr int kMenuEvent = 1024;

}  // namespace platform::keys
