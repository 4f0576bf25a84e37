#pragma once
// Messages and questions: the status line, message windows with an optional key
// choice or one-field prompt (MENS), message boxes and text-mode alerts (AVISOSN),
// text at a screen position (AVISO), the highlight-bar choice (ESC_OPCAO) and the
// error tone (BEEP_ERRO). Texts are CP850.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/get_field.h"

namespace shell {

struct MensOptions {
  std::optional<int> row;             // default 20
  std::optional<int> column;          // a number is used unchanged
  char placement = 0;                 // 'E' column 2, 'C' centred, else 70 - width
  std::optional<int> lines;           // default 1
  std::string letters;                // kind 2: the answer letters
  GetField* variable = nullptr;       // kind 4: the value read
  int width = 0;                      // kind 4: width of a number
  std::string picture = "@KS";
  std::function<bool(GetField&)> valid;
  int window = 10;
  std::string title;                  // default "Rendax20" + CANOATUAL + " - Vexa Informatica"
};

// kind_frame = kind + 10 * frame type. Kinds: 0 status line, 1 message with a key,
// 2 key choice (returns the letter, or " " for Esc), 3 message that stays open
// (the caller closes window 10), 4 one-field prompt (returns the value as text and
// leaves it in options.variable).
std::string MENS(int kind_frame, const std::vector<std::string>& lines, const MensOptions& options = {});
std::string MENS(int kind_frame, const std::string& text = "", const MensOptions& options = {});

// Modes: 0 information, 1 plain, 2 yes/no ("S"/"N"), 3 yes/no/cancel ("S"/"N"/"I"),
// 8 error — native boxes; 4 alert "Sim"/"Não"/"Fim" ("S"/"N"/"F", Esc "N"),
// 5 alert "1".."3", 6 alert with `buttons`, 7 alert "1".."6" (the button number as
// text, "0" for Esc). Any other mode shows nothing and returns "".
std::string AVISOSN(const std::vector<std::string>& lines, int mode = 0, const std::vector<std::string>& buttons = {},
                    const std::string& title = "");
std::string AVISOSN(const std::string& text, int mode = 0, const std::vector<std::string>& buttons = {},
                    const std::string& title = "");

// The text-mode alert itself: the number of the button pressed, 0 for Esc.
int text_alert(const std::vector<std::string>& lines, const std::vector<std::string>& buttons,
               const std::string& title);

void AVISO(const std::string& text, int row = 24, int col = 0, const std::string& pair = "");

// Highlight-bar choice over the rows of text window n; the chosen item, 0 for Esc.
int ESC_OPCAO(int window, int items, int first_column, int bar_width, int row_offset, bool close_window,
              bool show_item_message);

void BEEP_ERRO(int count = 1);

// The colour picker of the main menu (1 window text … 7 background fill).
void MODCOR(int which);

}  // namespace shell
