#pragma once
#include <array>

#include "report/mismatch_report.h"
#include "text/text_buffer.h"

namespace paperchk {

// One column of the mismatch table: a row per item of the report.
struct ColumnRows {
  std::array<TextBuffer, kMaxItems> rows;
  int count = 0;
};

// The drop-down list above the printer column: the current tray, and the
// other one when the printer has two.
constexpr int kMaxTrayEntries = 2;
struct TrayEntries {
  std::array<TextBuffer, kMaxTrayEntries> entries;
  int count = 0;
  int chosen = -1;  // the entry the list shows; -1 for none
};

// Everything the paper-check dialog shows, in the dialog's own terms; the
// Windows layer puts each part into its control.
struct PaperCheckView {
  TextBuffer title;
  TextBuffer upperMessage;
  TextBuffer lowerMessage;
  TextBuffer portLabel;
  TextBuffer portFirstLine;
  TextBuffer portSecondLine;
  TextBuffer settingsHeader;
  TextBuffer applicationHeader;
  // The printer column has no header of its own: the tray list stands over
  // it, and each entry starts with this text, which also names the column.
  TextBuffer printerHeader;
  ColumnRows settings;
  ColumnRows applicationValues;
  ColumnRows printerValues;
  TrayEntries trays;
  TextBuffer retry;
  TextBuffer ignore;
  TextBuffer cancelPrinting;
  TextBuffer help;
};

}  // namespace paperchk
