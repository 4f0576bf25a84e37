#pragma once
// The 25x80 character-cell screen: CP850 bytes with attributes (background*16 + foreground).
// Written by the program's thread, read by the front end's painter; every access locks.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

constexpr int kRows = 25;
constexpr int kCols = 80;

struct Cell {
  unsigned char ch = ' ';
  std::uint8_t attr = 7;
  bool operator==(const Cell&) const = default;
};

struct Rect {
  int top = 0, left = 0, bottom = kRows - 1, right = kCols - 1;
  bool operator==(const Rect&) const = default;
};

enum class CursorShape { Hidden, Underline, Block };

class ScreenBuffer {
 public:
  ScreenBuffer();

  // Writes text from (row, col) on one row, clipped at the right edge.
  void write(int row, int col, std::string_view text, std::uint8_t attr);
  // Writes characters only, keeping the cells' attributes.
  void write_chars(int row, int col, std::string_view text);
  // Changes the attribute of `length` cells from (row, col).
  void paint(int row, int col, int length, std::uint8_t attr);
  void fill(const Rect& r, unsigned char ch, std::uint8_t attr);

  Cell cell(int row, int col) const;
  std::vector<Cell> save(const Rect& r) const;
  void restore(const Rect& r, const std::vector<Cell>& cells);

  void set_cursor(int row, int col);
  void set_cursor_shape(CursorShape shape);
  int cursor_row() const;
  int cursor_col() const;
  CursorShape cursor_shape() const;

  // Row `row` as CP850 text, and all rows joined by '\n'.
  std::string row_text(int row) const;
  std::string text() const;
  // Copy of every cell, for painting.
  std::array<Cell, kRows * kCols> snapshot() const;
  // Changes since the last call (the painter uses this to repaint only when needed).
  bool take_dirty();

 private:
  static bool inside(int row, int col) { return row >= 0 && row < kRows && col >= 0 && col < kCols; }
  mutable std::mutex mutex_;
  std::array<Cell, kRows * kCols> cells_{};
  int cursor_row_ = 0, cursor_col_ = 0;
  CursorShape cursor_shape_ = CursorShape::Hidden;
  bool dirty_ = true;
};

}  // namespace platform
