#pragma once
// A small browse of the rows of an open table in a text window: Up/Down/PgUp/PgDn/
// Home/End move, Left/Right change the column, Enter edits the current cell when its
// column is editable, Ins appends a row, Del deletes the current row (both under
// record locks), Esc leaves. The table stays open and positioned where the user left.
#include <functional>
#include <string>
#include <vector>

#include "store/table.h"

namespace shell {

struct BrowseColumn {
  std::string heading;
  // The cell as shown (CP850); the width of the column is the wider of this and the heading.
  std::function<std::string(store::Table&)> show;
  std::string field;  // editable field (text or number); empty for a read-only column
  int width = 0;      // shown width; 0: the heading's
  int decimals = 0;   // for a numeric field
  std::string picture;
};

// A column of `width` characters, editing `field` when one is named.
inline BrowseColumn browse_column(std::string heading, std::function<std::string(store::Table&)> show, int width,
                                  std::string field = "") {
  BrowseColumn c;
  c.heading = std::move(heading);
  c.show = std::move(show);
  c.width = width;
  c.field = std::move(field);
  return c;
}

struct BrowseOptions {
  int top = 5, left = 1, bottom = 18, right = 79;
  std::string title;
  bool can_append = false;
  bool can_delete = false;
  int slot = 0;  // the table's slot (record locks go through the catalogue)
};

void table_browse(store::Table& table, const std::vector<BrowseColumn>& columns, const BrowseOptions& options);

// Display helpers for columns.
std::string browse_text(store::Table& t, const std::string& field, int first, int length);
// A money or number field with the picture's punctuation ("@E 999,999,999.99").
std::string browse_number(store::Table& t, const std::string& field, int width, int decimals, bool blank_zero);

}  // namespace shell
