#pragma once
// The texts of a paper-check view as plain strings, for comparisons.

#include <string>
#include <vector>

#include "dialog/paper_check_view.h"

namespace paperchk::fakes {

using Rows = std::vector<std::string>;

inline Rows RowsOf(const ColumnRows& column) {
  Rows rows;
  for (int row = 0; row < column.count; ++row) rows.emplace_back(column.rows[row].c_str());
  return rows;
}

inline Rows EntriesOf(const TrayEntries& trays) {
  Rows entries;
  for (int entry = 0; entry < trays.count; ++entry) entries.emplace_back(trays.entries[entry].c_str());
  return entries;
}

}  // namespace paperchk::fakes
