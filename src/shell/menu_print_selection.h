#pragma once
// The print selection of the main menu: what to print (QUEIMP), paper or form
// (QUEMOD), pages (QUEPAG) and who (QUECON), its menu texts and its display.
#include <string>

namespace shell {

struct PrintSelection {
  int queimp = 1, quemod = 1, quepag = 1, quecon = 1;
  bool operator==(const PrintSelection&) const = default;
};

struct PrintSelectionTexts {
  std::string text2, text3;  // paper or form; pages
};

// The selection brought within the limits of its QUEIMP, and the texts of items 2 and 3.
PrintSelection normalise_print_selection(PrintSelection s);
PrintSelectionTexts print_selection_texts(const PrintSelection& s);

// MONTA_ITENS: normalises the global selection, builds ITEM1 … ITEM7 and CVIAS and
// stores the four numbers in the terminal configuration record.
void MONTA_ITENS();
// The same without storing (the menu's texts on each turn of the main loop).
void build_print_items();
// SELITEMIMP: commands 41 to 47 (sub-code as on the menu). Returns the item text the
// command changed.
std::string SELITEMIMP(int code, int sub);
// MOS_CONFIMP: the selection in an information box.
void MOS_CONFIMP();

}  // namespace shell
