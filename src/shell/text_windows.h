#pragma once
// The ten numbered text windows over the cell screen: rectangles with three colours
// and a frame type, opened over what is on the screen (which they save), written
// with a small in-band markup, and closed again (which puts back what was under).
//
// Markup in written texts: byte 1, 2, 3 switch to colour 1, 2, 3; byte 4, n, c is
// the character c repeated n times (REP(n) gives the first two bytes).
#include <string>
#include <string_view>

namespace shell {

struct TextWindow {
  bool defined = false;
  std::string colour1, colour2, colour3;  // colour pairs
  int top = 0, left = 0, bottom = 0, right = 0;
  int frame = 0;  // 0 plain, 1 framed outside, 2 framed on the rectangle, 7 shadowed
  std::string last_text;
};

void DEFINEJAN(int n, int attr1, int attr2, int attr3, int top, int left, int bottom, int right, int frame);
void REDEFJAN(int n, int attr1, int attr2, int attr3, int top, int left, int bottom, int right, int frame);
void REDFATR(int n, int which, int attribute);
void ABREJAN(int n);
void FECHAJAN(int n);
void ESCRJAN(int n, std::string_view text);
void ESCRLCOL(int n, int row, int col, std::string_view text);
void ESCRATR(int n, int row, int col, int attribute, int length);
std::string REP(int count);
void ENCHETELA(char ch, const std::string& pair);

// The definition of window n (0 stands for 10); nullptr for a number out of range.
TextWindow* text_window(int n);
bool text_window_open(int n);
// Start-up: windows 1 to 10 full-screen, attributes 48, 112, 7, plain; nothing saved.
void reset_text_windows();

}  // namespace shell
