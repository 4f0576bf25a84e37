#include "platform/screen_buffer.h"

#include <algorithm>

namespace platform {

ScreenBuffer::ScreenBuffer() { cells_.fill(Cell{}); }

void ScreenBuffer::write(int row, int col, std::string_view text, std::uint8_t attr) {
  std::lock_guard lock(mutex_);
  for (unsigned char ch : text) {
    if (inside(row, col)) cells_[row * kCols + col] = Cell{ch, attr};
    ++col;
  }
  dirty_ = true;
}

void ScreenBuffer::write_chars(int row, int col, std::string_view text) {
  std::lock_guard lock(mutex_);
  for (unsigned char ch : text) {
    if (inside(row, col)) cells_[row * kCols + col].ch = ch;
    ++col;
  }
  dirty_ = true;
}

void ScreenBuffer::paint(int row, int col, int length, std::uint8_t attr) {
  std::lock_guard lock(mutex_);
  for (int i = 0; i < length; ++i)
    if (inside(row, col + i)) cells_[row * kCols + col + i].attr = attr;
  dirty_ = true;
}

void ScreenBuffer::fill(const Rect& r, unsigned char ch, std::uint8_t attr) {
  std::lock_guard lock(mutex_);
  for (int row = r.top; row <= r.bottom; ++row)
    for (int col = r.left; col <= r.right; ++col)
      if (inside(row, col)) cells_[row * kCols + col] = Cell{ch, attr};
  dirty_ = true;
}

Cell ScreenBuffer::cell(int row, int col) const {
  std::lock_guard lock(mutex_);
  return inside(row, col) ? cells_[row * kCols + col] : Cell{};
}

std::vector<Cell> ScreenBuffer::save(const Rect& r) const {
  std::lock_guard lock(mutex_);
  std::vector<Cell> out;
  for (int row = r.top; row <= r.bottom; ++row)
    for (int col = r.left; col <= r.right; ++col) out.push_back(inside(row, col) ? cells_[row * kCols + col] : Cell{});
  return out;
}

void ScreenBuffer::restore(const Rect& r, const std::vector<Cell>& cells) {
  std::lock_guard lock(mutex_);
  std::size_t i = 0;
  for (int row = r.top; row <= r.bottom; ++row)
    for (int col = r.left; col <= r.right; ++col, ++i)
      if (inside(row, col) && i < cells.size()) cells_[row * kCols + col] = cells[i];
  dirty_ = true;
}

void ScreenBuffer::set_cursor(int row, int col) {
  std::lock_guard lock(mutex_);
  cursor_row_ = std::clamp(row, 0, kRows - 1);
  cursor_col_ = std::clamp(col, 0, kCols - 1);
  dirty_ = true;
}

void ScreenBuffer::set_cursor_shape(CursorShape shape) {
  std::lock_guard lock(mutex_);
  cursor_shape_ = shape;
  dirty_ = true;
}

int ScreenBuffer::cursor_row() const {
  std::lock_guard lock(mutex_);
  return cursor_row_;
}
int ScreenBuffer::cursor_col() const {
  std::lock_guard lock(mutex_);
  return cursor_col_;
}
CursorShape ScreenBuffer::cursor_shape() const {
  std::lock_guard lock(mutex_);
  return cursor_shape_;
}

std::string ScreenBuffer::row_text(int row) const {
  std::lock_guard lock(mutex_);
  std::string out;
  if (row < 0 || row >= kRows) return out;
  for (int col = 0; col < kCols; ++col) out += static_cast<char>(cells_[row * kCols + col].ch);
  return out;
}

std::string ScreenBuffer::text() const {
  std::string out;
  for (int row = 0; row < kRows; ++row) out += row_text(row) + "\n";
  return out;
}

std::array<Cell, kRows * kCols> ScreenBuffer::snapshot() const {
  std::lock_guard lock(mutex_);
  return cells_;
}

bool ScreenBuffer::take_dirty() {
  std::lock_guard lock(mutex_);
  bool was = dirty_;
  dirty_ = false;
  return was;
}

}  // namespace platform
