#include "util/accent_folding.h"

#include <gtest/gtest.h>

#include <set>

#include "util/codepage.h"

TEST(AccentFolding, FoldsLettersAndSigns) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {u8"Ação & Cia"_cp, "Acao e Cia"},
      {"", " "},
      {"   ", " "},
      {u8"JOÃO DA CONCEIÇÃO  "_cp, "JOAO DA CONCEICAO"},
      {u8"Rua nº 5 <fundos> \"A\""_cp, "Rua no 5 -fundos-  A "},
      {"Quem?", "Quem?"},                       // the question mark has no entry
      {std::string("\xE3\xE7\xE1"), "aca"},     // Windows-1252 bytes fold too
  };
  for (const auto& c : cases) EXPECT_EQ(util::CONVCAR(c.in), c.out) << c.in;
}

TEST(AccentFolding, NoReplacementIsItselfAKey) {
  std::set<unsigned char> keys;
  for (auto [byte, replacement] : util::MATCAR()) keys.insert(byte);
  for (auto [byte, replacement] : util::MATCAR())
    EXPECT_FALSE(keys.count(static_cast<unsigned char>(replacement))) << int(byte);
}
