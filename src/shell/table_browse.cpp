#include "shell/table_browse.h"

#include <algorithm>
#include <cstdio>

#include "platform/keys.h"
#include "shell/colours.h"
#include "shell/context.h"
#include "shell/globals.h"
#include "shell/messages.h"
#include "shell/window_layer.h"
#include "store/catalog.h"
#include "util/codepage.h"
#include "util/text.h"

namespace shell {
namespace {

namespace k = platform::keys;

// Brazilian number text: "." between thousands, "," before the decimals.
std::string number_text(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value < 0 ? -value : value);
  std::string digits = buf, fraction;
  if (auto dot = digits.find('.'); dot != std::string::npos) {
    fraction = "," + digits.substr(dot + 1);
    digits.resize(dot);
  }
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += '.';
    grouped += digits[i];
  }
  return (value < 0 ? "-" : "") + grouped + fraction;
}

int column_width(const BrowseColumn& c) {
  return std::max<int>(c.width, static_cast<int>(c.heading.size()));
}

class Browse {
 public:
  Browse(store::Table& t, const std::vector<BrowseColumn>& cols, const BrowseOptions& o)
      : t_(t), cols_(cols), o_(o) {}

  void run() {
    load_rows();
    LDialog* dialog = LDLGSHOW(o_.top, o_.left, o_.bottom, o_.right, o_.title);
    dialog_ = dialog;
    while (true) {
      draw();
      int key = read_key(-1);
      if (key == 0) continue;
      if (key == k::kEsc) break;
      int visible = body_rows();
      switch (key) {
        case k::kUp: row_ = std::max(0, row_ - 1); break;
        case k::kDown: row_ = std::min(last_row(), row_ + 1); break;
        case k::kPgUp: row_ = std::max(0, row_ - visible); break;
        case k::kPgDn: row_ = std::min(last_row(), row_ + visible); break;
        case k::kHome: row_ = 0; break;
        case k::kEnd: row_ = last_row(); break;
        case k::kLeft: col_ = std::max(0, col_ - 1); break;
        case k::kRight: col_ = std::min(static_cast<int>(cols_.size()) - 1, col_ + 1); break;
        case k::kEnter: edit_cell(); break;
        case k::kIns:
          if (o_.can_append) append_row();
          break;
        case k::kDel:
          if (o_.can_delete) delete_row();
          break;
        default: break;
      }
    }
    if (!rows_.empty()) t_.go_to(rows_[static_cast<std::size_t>(row_)]);
    LDLGCLOSE();
  }

 private:
  int width() const { return o_.right - o_.left + 1; }
  int body_rows() const { return std::max(1, o_.bottom - o_.top - 1); }
  int last_row() const { return std::max(0, static_cast<int>(rows_.size()) - 1); }

  void load_rows() {
    rows_.clear();
    for (t_.go_top(); !t_.eof(); t_.skip()) rows_.push_back(t_.recno());
    row_ = std::clamp(row_, 0, last_row());
  }

  // First column shown so that the current column fits.
  int first_column() {
    first_col_ = std::min(first_col_, col_);
    while (true) {
      int used = 0;
      for (int c = first_col_; c <= col_; ++c) used += column_width(cols_[static_cast<std::size_t>(c)]) + 1;
      if (used <= width() || first_col_ == col_) break;
      ++first_col_;
    }
    return first_col_;
  }

  void draw() {
    auto& g = G();
    auto& screen = console().screen();
    std::uint8_t normal = attribute_of(g.COR_1_CLI), chosen = attribute_of(g.COR_ESC_CL),
                 head = attribute_of(g.COR_2_CLI);
    screen.fill(platform::Rect{o_.top, o_.left, o_.bottom, o_.right}, ' ', normal);
    int first = first_column();
    top_row_ = std::clamp(top_row_, std::max(0, row_ - body_rows() + 1), row_);
    int x = o_.left;
    for (int c = first; c < static_cast<int>(cols_.size()) && x <= o_.right; ++c) {
      const auto& col = cols_[static_cast<std::size_t>(c)];
      int w = std::min(column_width(col), o_.right - x + 1);
      screen.write(o_.top, x, util::pad_right(col.heading, static_cast<std::size_t>(w)), head);
      for (int r = 0; r < body_rows(); ++r) {
        int index = top_row_ + r;
        if (index >= static_cast<int>(rows_.size())) break;
        t_.go_to(rows_[static_cast<std::size_t>(index)]);
        std::string cell = util::pad_right(col.show(t_), static_cast<std::size_t>(w));
        bool current = index == row_ && c == col_;
        screen.write(o_.top + 1 + r, x, cell, current ? chosen : normal);
      }
      x += w + 1;
    }
    if (rows_.empty()) screen.write(o_.top + 1, o_.left, "(vazio)", normal);
    console().present();
  }

  bool lock_current() {
    int previous = store::selected();
    store::select(o_.slot);
    bool ok = store::REC_LOCK(5);
    store::select(previous);
    return ok;
  }

  // Reads the current cell's field and writes it under a record lock.
  void edit_cell() {
    if (rows_.empty()) return;
    const auto& col = cols_[static_cast<std::size_t>(col_)];
    if (col.field.empty()) return;
    t_.go_to(rows_[static_cast<std::size_t>(row_)]);
    int index = t_.field_index(col.field);
    if (index < 0) return;
    const auto& desc = t_.fields()[static_cast<std::size_t>(index)];
    GetField f;
    f.row = o_.top + 1 + (row_ - top_row_);
    f.col = cell_column();
    f.picture = col.picture;
    if (desc.type == 'N') {
      f.type = 'N';
      f.number = t_.get_number(index);
      f.width = column_width(col);
      f.decimals = desc.decimals;
    } else {
      f.type = 'C';
      f.text = t_.get_text(index).substr(0, static_cast<std::size_t>(std::min<int>(desc.length, column_width(col))));
    }
    std::vector<GetField> fields{f};
    ReadEnd end = dialog_->readmodal(fields);
    if (end == ReadEnd::Escaped || end == ReadEnd::Cancelled) return;
    t_.go_to(rows_[static_cast<std::size_t>(row_)]);
    if (!lock_current()) return;
    if (desc.type == 'N') t_.put_number(index, fields[0].number);
    else {
      // Only the part shown was edited; the rest of a wider field stays.
      std::string whole = t_.get_text(index);
      whole.replace(0, fields[0].text.size(), fields[0].text);
      t_.put_text(index, whole);
    }
    t_.commit();
    t_.unlock_record(t_.recno());
  }

  int cell_column() {
    int x = o_.left;
    for (int c = first_col_; c < col_; ++c) x += column_width(cols_[static_cast<std::size_t>(c)]) + 1;
    return x;
  }

  void append_row() {
    int previous = store::selected();
    store::select(o_.slot);
    bool ok = store::ADD_REC(5);
    store::select(previous);
    if (!ok) return;
    std::uint32_t added = t_.recno();
    t_.commit();
    t_.unlock_record(added);
    load_rows();
    auto it = std::find(rows_.begin(), rows_.end(), added);
    row_ = it == rows_.end() ? last_row() : static_cast<int>(it - rows_.begin());
    for (std::size_t c = 0; c < cols_.size(); ++c)
      if (!cols_[c].field.empty()) {
        col_ = static_cast<int>(c);
        break;
      }
    draw();
    edit_cell();
  }

  void delete_row() {
    if (rows_.empty()) return;
    t_.go_to(rows_[static_cast<std::size_t>(row_)]);
    if (AVISOSN(u8"Confirma a exclusão deste item?"_cp, 2) != "S") return;
    t_.go_to(rows_[static_cast<std::size_t>(row_)]);
    if (!lock_current()) return;
    std::uint32_t recno = t_.recno();
    t_.delete_record();
    t_.commit();
    t_.unlock_record(recno);
    load_rows();
  }

  store::Table& t_;
  const std::vector<BrowseColumn>& cols_;
  BrowseOptions o_;
  LDialog* dialog_ = nullptr;
  std::vector<std::uint32_t> rows_;
  int row_ = 0, col_ = 0, top_row_ = 0, first_col_ = 0;
};

}  // namespace

std::string browse_text(store::Table& t, const std::string& field, int first, int length) {
  std::string s = t.get_text(field);
  if (static_cast<std::size_t>(first) >= s.size()) return "";
  return s.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(length));
}

std::string browse_number(store::Table& t, const std::string& field, int width, int decimals, bool blank_zero) {
  double v = t.get_number(field);
  if (v == 0 && blank_zero) return std::string(static_cast<std::size_t>(width), ' ');
  return util::pad_left(number_text(v, decimals), static_cast<std::size_t>(width));
}

void table_browse(store::Table& table, const std::vector<BrowseColumn>& columns, const BrowseOptions& options) {
  if (columns.empty()) return;
  Browse(table, columns, options).run();
}

}  // namespace shell
