#pragma once
// Accent folding of text sent to the official program: every byte of the table
// MATCAR becomes its plain replacement (CP850 and Windows-1252 bytes alike).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace util {

// The table as pairs (byte, replacement), in the order the folding applies them.
const std::vector<std::pair<unsigned char, char>>& MATCAR();

// CONVCAR: trailing blanks cut (an empty text becomes one blank), then every byte of
// the table replaced.
std::string CONVCAR(std::string_view text);

}  // namespace util
