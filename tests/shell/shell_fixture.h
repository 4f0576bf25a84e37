#pragma once
// A fresh headless console, window layer, text windows and global settings per test.
#include <gtest/gtest.h>

#include "platform/headless_console.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "shell/text_windows.h"
#include "shell/window_layer.h"
#include "util/codepage.h"

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shell::reset_globals();
    shell::set_console(&console);
    shell::start_window_layer();
    shell::reset_text_windows();
    shell::build_colour_lists();
  }
  void TearDown() override {
    shell::reset_window_layer();
    shell::set_console(nullptr);
  }
  // Row `row` of the screen, columns [col, col + length), as UTF-8.
  std::string text_at(int row, int col, int length) {
    return util::cp850_to_utf8(console.screen().row_text(row).substr(col, length));
  }
  std::uint8_t attr_at(int row, int col) { return console.screen().cell(row, col).attr; }
  std::string last_message_text() {
    return console.messages().empty() ? "" : util::cp1252_to_utf8(console.messages().back().text);
  }

  platform::HeadlessConsole console;
};
