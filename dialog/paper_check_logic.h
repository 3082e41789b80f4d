#pragma once
#include <cstddef>
#include <cstdint>

#include "dialog/paper_check_view.h"
#include "report/lead_bytes.h"
#include "report/mismatch_report.h"
#include "resources/text_catalogue.h"

namespace paperchk {

constexpr std::size_t kTrayTextSize = 256;
constexpr std::size_t kHelpFileNameSize = 256;

// State the population leaves for the rest of the run.
struct PaperCheckState {
  std::uint32_t traySelectable = 0;      // 1 unless the current source is manual feed
  char currentTrayText[kTrayTextSize] = {};  // "Stampante:" + current source text
  char firstTrayEntry[kTrayTextSize] = {};   // first entry of the tray selector
  char helpFileName[kHelpFileNameSize] = {};
  // How the report's and the controls' texts are read, set before the
  // population: every cut keeps this code page's characters whole.
  LeadBytes codePage;
};

// What the paper-check dialog shows for the report, with the printer column
// already following the tray the list starts on (the tray list's change
// handling runs once, as if the user had chosen that entry). Fills the state
// for the rest of the run, and rewrites the report's port in place when it
// is a network path passed with commas.
PaperCheckView ViewPaperCheck(MismatchReport& report, const TextCatalogue& catalogue, PaperCheckState& state);

// The tray list's change handling: the printer column's rows once the user
// has chosen the entry whose text is `chosenEntry` (as the list holds it; empty
// when none is chosen), either the current tray's values or the other tray's.
// Returns false, leaving `rows` alone, when the column stays as it is (manual
// feed, or a printer with one tray).
bool PrinterColumnForTray(const MismatchReport& report, const TextCatalogue& catalogue, const PaperCheckState& state,
                          const TextBuffer& chosenEntry, ColumnRows& rows);

}  // namespace paperchk
