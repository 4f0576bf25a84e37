#pragma once
// Painting of character cells: a monospace font fitted to the cell, and the block and
// line-drawing characters drawn as rectangles so that they join across cells.
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

namespace platform::qt {

struct CellFont {
  QFont font;
  int width = 0, height = 0;  // cell size in pixels
  int ascent = 0;             // baseline offset from the cell's top
  int x_offset = 0;           // centring of the glyph inside the cell
};

// A fixed-pitch font of `family` (or the system's monospace font when that family is not
// installed) whose glyphs fit a cell of width x height pixels.
CellFont make_cell_font(const QString& family, int width, int height);

// True for the characters drawn by draw_drawn_glyph instead of the font.
bool is_drawn_glyph(char32_t code_point);

// Draws a box-drawing (U+2500-U+257F), block (U+2580-U+259F) or square (U+25A0)
// character in `cell`, over a background already painted in `bg`.
void draw_drawn_glyph(QPainter& painter, const QRect& cell, char32_t code_point, const QColor& fg, const QColor& bg);

// Paints one cell completely: background, then the glyph.
void paint_cell(QPainter& painter, const QRect& cell, char32_t code_point, const QColor& fg, const QColor& bg,
                const CellFont& font);

}  // namespace platform::qt
