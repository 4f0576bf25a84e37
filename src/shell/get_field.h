#pragma once
// Form fields read from the keyboard: the small reader that message prompts and
// dialogs use (one or several fields with a picture, a validity check and an
// enable check). Texts are CP850.
#include <functional>
#include <string>
#include <vector>

namespace shell {

class LButton;

struct GetField {
  int row = 0, col = 0;
  char type = 'C';        // C text, N number, D date ("dd/mm/yyyy"), L logical
  std::string text;       // C: the value (its length is the width); D: the date text
  double number = 0;      // N
  bool logical = false;   // L
  int width = 0;          // N: display width (0: from the picture, else 10)
  int decimals = 0;       // N
  std::string picture;    // "@!", "@K", "@S20", templates of 9 ! A X, "99"
  std::function<bool(GetField&)> valid;  // true accepts; false keeps the cursor here
  std::function<bool(GetField&)> when;   // false skips the field
  LButton* button = nullptr;             // a push button's place in the form
  bool changed = false;

  std::string display() const;           // the value as shown (width characters)
  int display_width() const;
  // Takes an edited buffer back into the value.
  void assign(const std::string& buffer);
  // Esc on a one-field prompt: text to empty, number to 0, date to today, logical to false.
  void reset_to_empty();
};

enum class ReadEnd { Confirmed, Escaped, Ended, Cancelled };

struct ReadOptions {
  bool exit_on_esc = true;
  std::uint8_t colour = 0x70;         // inactive fields
  std::uint8_t active_colour = 0x1F;  // the field being edited
  int start = 0;                      // field to start at
};

// Reads the fields until the last is left forwards, Ctrl+W / PgDn ends the form,
// Esc (with exit_on_esc) or the dialog's cancel/end. Bound keys run their actions.
ReadEnd read_fields(std::vector<GetField>& fields, const ReadOptions& options);

// The field being edited (nullptr when no form is read), its value as text, and
// pasting text into it: padded or cut for text, by value for numbers, day/month/year
// for dates; an empty result changes nothing.
GetField* current_field();
std::string trimmed_value(const GetField& field);
void paste_into_current_field(const std::string& cp850);

// Ends or cancels the form being read (the window layer's end() and cancel()).
void end_current_read(bool cancel);
bool read_in_progress();

}  // namespace shell
