#include "platform/qt/cell_painter.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <algorithm>
#include <array>

namespace platform::qt {
namespace {

// Arms of U+2500..U+257F as four digits up, right, down, left: 0 none, 1 light,
// 2 heavy, 3 double. "x" marks the diagonals. Dashed lines are drawn solid.
constexpr std::array<const char*, 128> kBoxArms = {
    "0101", "0202", "1010", "2020", "0101", "0202", "1010", "2020",  // 2500
    "0101", "0202", "1010", "2020", "0110", "0210", "0120", "0220",  // 2508
    "0011", "0012", "0021", "0022", "1100", "1200", "2100", "2200",  // 2510
    "1001", "1002", "2001", "2002", "1110", "1210", "2110", "1120",  // 2518
    "2120", "2210", "1220", "2220", "1011", "1012", "2011", "1021",  // 2520
    "2021", "2012", "1022", "2022", "0111", "0112", "0211", "0212",  // 2528
    "0121", "0122", "0221", "0222", "1101", "1102", "1201", "1202",  // 2530
    "2101", "2102", "2201", "2202", "1111", "1112", "1211", "1212",  // 2538
    "2111", "1121", "2121", "2112", "2211", "1122", "1221", "2212",  // 2540
    "1222", "2122", "2221", "2222", "0101", "0202", "1010", "2020",  // 2548
    "0303", "3030", "0310", "0130", "0330", "0013", "0031", "0033",  // 2550
    "1300", "3100", "3300", "1003", "3001", "3003", "1310", "3130",  // 2558
    "3330", "1013", "3031", "3033", "0313", "0131", "0333", "1303",  // 2560
    "3101", "3303", "1313", "3131", "3333", "0110", "0011", "1001",  // 2568
    "1100", "x", "x", "x", "0001", "1000", "0100", "0010",           // 2570
    "0002", "2000", "0200", "0020", "0201", "1020", "0102", "2010",  // 2578
};

QColor blend(const QColor& bg, const QColor& fg, double amount) {
  return QColor::fromRgbF(static_cast<float>(bg.redF() + (fg.redF() - bg.redF()) * amount),
                          static_cast<float>(bg.greenF() + (fg.greenF() - bg.greenF()) * amount),
                          static_cast<float>(bg.blueF() + (fg.blueF() - bg.blueF()) * amount));
}

void draw_box(QPainter& p, const QRect& cell, const char* arms, const QColor& fg) {
  const int x0 = cell.left(), y0 = cell.top(), x1 = x0 + cell.width(), y1 = y0 + cell.height();
  const int cx = x0 + cell.width() / 2, cy = y0 + cell.height() / 2;
  const int t = std::max(1, std::min(cell.width(), cell.height() / 2) / 8);  // light line
  const int g = std::max(t + 1, cell.width() / 5);                          // half gap of double lines
  const int U = arms[0] - '0', R = arms[1] - '0', D = arms[2] - '0', L = arms[3] - '0';
  auto thick = [t](int kind) { return kind == 2 ? 2 * t + 1 : t; };
  auto hline = [&](int xa, int xb, int y, int k) {
    if (xb > xa) p.fillRect(QRect(xa, y - k / 2, xb - xa, k), fg);
  };
  auto vline = [&](int ya, int yb, int x, int k) {
    if (yb > ya) p.fillRect(QRect(x - k / 2, ya, k, yb - ya), fg);
  };
  // Where a rail or line running towards the centre stops against a perpendicular arm:
  // the arm's near rail (double) or its line (single).
  auto near = [&](int kind, int c, int sign) { return kind == 3 ? c + sign * g : c; };
  const int kv = std::max(U ? thick(U) : 0, D ? thick(D) : 0);  // thickness of the vertical lines
  const int kh = std::max(L ? thick(L) : 0, R ? thick(R) : 0);
  const bool vdouble = U == 3 || D == 3, hdouble = L == 3 || R == 3;

  // Left and right arms.
  if (L && L != 3) {
    const int reach = hdouble ? cx : (vdouble ? cx + g : cx) - std::max(kv, t) / 2 + std::max(kv, t);
    hline(x0, reach, cy, thick(L));
  }
  if (R && R != 3) {
    const int start = (vdouble ? cx - g : cx) - std::max(kv, t) / 2;
    hline(hdouble ? cx : start, x1, cy, thick(R));
  }
  if (L == 3) {
    int top = U ? near(U, cx, -1) - t / 2 + t : R ? x1 : D ? near(D, cx, +1) - t / 2 + t : cx;
    int bottom = D ? near(D, cx, -1) - t / 2 + t : R ? x1 : U ? near(U, cx, +1) - t / 2 + t : cx;
    hline(x0, top, cy - g, t);
    hline(x0, bottom, cy + g, t);
  }
  if (R == 3) {
    int top = U ? near(U, cx, +1) - t / 2 : L ? x0 : D ? near(D, cx, -1) - t / 2 : cx;
    int bottom = D ? near(D, cx, +1) - t / 2 : L ? x0 : U ? near(U, cx, -1) - t / 2 : cx;
    hline(top, x1, cy - g, t);
    hline(bottom, x1, cy + g, t);
  }
  // Up and down arms.
  if (U && U != 3) {
    const int reach = vdouble ? cy : (hdouble ? cy + g : cy) - std::max(kh, t) / 2 + std::max(kh, t);
    vline(y0, reach, cx, thick(U));
  }
  if (D && D != 3) {
    const int start = (hdouble ? cy - g : cy) - std::max(kh, t) / 2;
    vline(vdouble ? cy : start, y1, cx, thick(D));
  }
  if (U == 3) {
    int left = L ? near(L, cy, -1) - t / 2 + t : D ? y1 : R ? near(R, cy, +1) - t / 2 + t : cy;
    int right = R ? near(R, cy, -1) - t / 2 + t : D ? y1 : L ? near(L, cy, +1) - t / 2 + t : cy;
    vline(y0, left, cx - g, t);
    vline(y0, right, cx + g, t);
  }
  if (D == 3) {
    int left = L ? near(L, cy, +1) - t / 2 : U ? y0 : R ? near(R, cy, -1) - t / 2 : cy;
    int right = R ? near(R, cy, +1) - t / 2 : U ? y0 : L ? near(L, cy, -1) - t / 2 : cy;
    vline(left, y1, cx - g, t);
    vline(right, y1, cx + g, t);
  }
}

void draw_diagonal(QPainter& p, const QRect& cell, char32_t cp, const QColor& fg) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  QPen pen(fg);
  pen.setWidthF(std::max(1.0, cell.width() / 8.0));
  p.setPen(pen);
  const QRectF r(cell);
  if (cp == 0x2571 || cp == 0x2573) p.drawLine(r.bottomLeft(), r.topRight());
  if (cp == 0x2572 || cp == 0x2573) p.drawLine(r.topLeft(), r.bottomRight());
  p.restore();
}

void draw_block(QPainter& p, const QRect& cell, char32_t cp, const QColor& fg, const QColor& bg) {
  const int x = cell.left(), y = cell.top(), w = cell.width(), h = cell.height();
  const int hw = w / 2, hh = h / 2;  // left and top halves; the others take the rest
  auto eighth_h = [&](int n) { return (h * n + 4) / 8; };
  auto eighth_w = [&](int n) { return (w * n + 4) / 8; };
  switch (cp) {
    case 0x2580: p.fillRect(QRect(x, y, w, hh), fg); return;
    case 0x2588: p.fillRect(cell, fg); return;
    case 0x2590: p.fillRect(QRect(x + hw, y, w - hw, h), fg); return;
    case 0x2591: p.fillRect(cell, blend(bg, fg, 0.25)); return;
    case 0x2592: p.fillRect(cell, blend(bg, fg, 0.5)); return;
    case 0x2593: p.fillRect(cell, blend(bg, fg, 0.75)); return;
    case 0x2594: p.fillRect(QRect(x, y, w, eighth_h(1)), fg); return;
    case 0x2595: p.fillRect(QRect(x + w - eighth_w(1), y, eighth_w(1), h), fg); return;
    default: break;
  }
  if (cp >= 0x2581 && cp <= 0x2587) {  // lower n/8
    const int n = static_cast<int>(cp - 0x2580);
    const int bh = cp == 0x2584 ? h - hh : eighth_h(n);
    p.fillRect(QRect(x, y + h - bh, w, bh), fg);
    return;
  }
  if (cp >= 0x2589 && cp <= 0x258F) {  // left n/8, n = 7..1
    const int n = static_cast<int>(0x2590 - cp);
    const int bw = cp == 0x258C ? hw : eighth_w(n);
    p.fillRect(QRect(x, y, bw, h), fg);
    return;
  }
  // Quadrants: bits upper-left 1, upper-right 2, lower-left 4, lower-right 8.
  static constexpr int kQuadrants[10] = {4, 8, 1, 1 | 4 | 8, 1 | 8, 1 | 2 | 4, 1 | 2 | 8, 2, 2 | 4, 2 | 4 | 8};
  if (cp >= 0x2596 && cp <= 0x259F) {
    const int q = kQuadrants[cp - 0x2596];
    if (q & 1) p.fillRect(QRect(x, y, hw, hh), fg);
    if (q & 2) p.fillRect(QRect(x + hw, y, w - hw, hh), fg);
    if (q & 4) p.fillRect(QRect(x, y + hh, hw, h - hh), fg);
    if (q & 8) p.fillRect(QRect(x + hw, y + hh, w - hw, h - hh), fg);
  }
}

}  // namespace

CellFont make_cell_font(const QString& family, int width, int height) {
  QString chosen;
  const QStringList families = QFontDatabase::families();
  if (!family.isEmpty() && families.contains(family, Qt::CaseInsensitive) && QFontDatabase::isFixedPitch(family))
    chosen = family;
  else if (families.contains(QStringLiteral("DejaVu Sans Mono")))
    chosen = QStringLiteral("DejaVu Sans Mono");
  else
    chosen = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  QFont font(chosen);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setKerning(false);
  int pixels = std::max(4, height);
  font.setPixelSize(pixels);
  while (pixels > 4 && QFontMetrics(font).height() > height) font.setPixelSize(--pixels);
  const int advance = QFontMetrics(font).horizontalAdvance(QLatin1Char('M'));
  if (advance > 0 && advance != width) font.setStretch(std::clamp(100 * width / advance, 25, 400));
  QFontMetrics fm(font);
  CellFont out;
  out.font = font;
  out.width = width;
  out.height = height;
  out.ascent = fm.ascent() + std::max(0, (height - fm.height()) / 2);
  out.x_offset = std::max(0, (width - fm.horizontalAdvance(QLatin1Char('M'))) / 2);
  return out;
}

bool is_drawn_glyph(char32_t cp) { return (cp >= 0x2500 && cp <= 0x259F) || cp == 0x25A0; }

void draw_drawn_glyph(QPainter& p, const QRect& cell, char32_t cp, const QColor& fg, const QColor& bg) {
  if (cp >= 0x2500 && cp <= 0x257F) {
    const char* arms = kBoxArms[cp - 0x2500];
    if (arms[0] == 'x')
      draw_diagonal(p, cell, cp, fg);
    else
      draw_box(p, cell, arms, fg);
  } else if (cp >= 0x2580 && cp <= 0x259F) {
    draw_block(p, cell, cp, fg, bg);
  } else if (cp == 0x25A0) {
    const int side = std::max(2, cell.width() * 6 / 10);
    p.fillRect(QRect(cell.left() + (cell.width() - side) / 2, cell.top() + (cell.height() - side) / 2, side, side), fg);
  }
}

void paint_cell(QPainter& p, const QRect& cell, char32_t cp, const QColor& fg, const QColor& bg, const CellFont& font) {
  p.fillRect(cell, bg);
  if (cp == U' ' || cp == 0 || cp == 0xA0) return;
  if (is_drawn_glyph(cp)) {
    draw_drawn_glyph(p, cell, cp, fg, bg);
    return;
  }
  p.setPen(fg);
  p.drawText(QPoint(cell.left() + font.x_offset, cell.top() + font.ascent), QString::fromUcs4(&cp, 1));
}

}  // namespace platform::qt
