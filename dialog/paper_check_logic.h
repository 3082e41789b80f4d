#pragma once
#include <cstddef>
#include <cstdint>

#include "dialog/paper_check_controls.h"
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

// Writes every text of the paper-check dialog from the report, in the
// dialog's fixed order, running the tray selector's change handling once
// right after the selector is filled. Rewrites the report's port in place
// when it is a network path passed with commas.
void PopulatePaperCheck(MismatchReport& report, const TextCatalogue& catalogue,
                        PaperCheckControls& controls, PaperCheckState& state);

// The tray selector's selection-change handling: shows the current or the
// other tray's values in the printer column.
void OnTraySelectionChanged(const MismatchReport& report, const TextCatalogue& catalogue,
                            PaperCheckControls& controls, const PaperCheckState& state);

}  // namespace paperchk
