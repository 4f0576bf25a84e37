#pragma once
// Colour model of the cell screen: attribute numbers (background*16 + foreground)
// and colour pairs such as "GR+/B" ("+" bright foreground, "*" or "+" after the
// background letter a bright background).
#include <cstdint>
#include <string>
#include <string_view>

namespace shell {

// Attribute number -> colour pair: 30 -> "GR+/B", 112 -> "N/W", 63 -> "W+/BG".
std::string ACHACOR(int attribute);

// Colour pair -> attribute number. A pair the screen cannot parse gives the
// screen's default, 7 (white on black). Text after a comma is ignored.
std::uint8_t attribute_of(std::string_view pair);

// Item `index` (0-based) of a colour list "pair,pair,..."; quotes around an item are
// removed. A missing item gives "".
std::string colour_list_item(std::string_view list, int index);

// Attribute of the first item of a colour list.
inline std::uint8_t list_attribute(std::string_view list, int index = 0) {
  return attribute_of(colour_list_item(list, index));
}

// Palette index 0..15 of a colour name as the window layer spells it: "N" … "W",
// bright variants with "+", "*" or "$"; anything after "," or "/" is ignored.
// -1 for an unknown name.
int palette_index(std::string_view name);

}  // namespace shell
