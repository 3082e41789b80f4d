#include "dialog/paper_check_logic.h"

#include <cstring>

#include "help/help_file.h"
#include "report/code.h"
#include "resources/resource_ids.h"

namespace paperchk {

namespace {

// A paper-source code is the number of its text; these are the sources the
// dialog interprets itself.
constexpr std::int32_t kSourceManualFeed = kTextManualFeed;
constexpr std::int32_t kSourceManualFeedAlt = kTextManualFeedAlt;
constexpr std::int32_t kSourceUpperTray = kTextUpperTray;

// The port is shown in two lines: 15 characters, then up to 12 more.
constexpr std::size_t kPortFirstLineLength = 15;
constexpr std::size_t kPortSecondLineLength = 12;
constexpr char kPortEllipsis[] = "...";

// The longest tray entry that fits the selector's 256-byte texts.
constexpr std::size_t kTrayTextMaxLength = kTrayTextSize - 1;

// Length of a NUL-terminated text in a fixed buffer; stops at the buffer's
// end all the same, so a damaged report cannot be overrun.
std::size_t BoundedLength(const char* text, std::size_t bufferSize) {
  const void* end = std::memchr(text, '\0', bufferSize);
  return end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : bufferSize;
}

template <std::size_t N>
TextBuffer FieldString(const char (&field)[N]) {
  return TextBuffer(field, BoundedLength(field, N));
}

template <std::size_t N>
TextBuffer FieldCodeText(const TextCatalogue& catalogue, const char (&field)[N]) {
  return CodeText(catalogue, FieldString(field).c_str());
}

template <std::size_t N>
std::int32_t FieldCode(const char (&field)[N]) {
  return ConvertCode(FieldString(field).c_str());
}

// Cuts `text` to at most `limit` bytes; a double-byte character that would
// be split goes whole, so the text ends one byte earlier.
void CutWhole(TextBuffer& text, std::size_t limit, const LeadBytes& codePage) {
  text.Truncate(codePage.CutLength(text.c_str(), text.size(), limit));
}

// Copies `text` into a fixed buffer, cut to what fits with its NUL.
template <std::size_t N>
void CopyCut(const TextBuffer& text, char (&buffer)[N], const LeadBytes& codePage) {
  const std::size_t length = codePage.CutLength(text.c_str(), text.size(), N - 1);
  std::memcpy(buffer, text.c_str(), length);
  std::memset(buffer + length, 0, N - length);
}

TextBuffer CutTrayText(TextBuffer text, const LeadBytes& codePage) {
  CutWhole(text, kTrayTextMaxLength, codePage);
  return text;
}

// A tray selector entry: the printer-column prefix and a source's name, cut
// to what the selector holds.
TextBuffer TrayEntry(const TextBuffer& prefix, const TextBuffer& sourceText, const LeadBytes& codePage) {
  TextBuffer entry(prefix);
  entry.Append(sourceText);
  return CutTrayText(static_cast<TextBuffer&&>(entry), codePage);
}

// Rows the report fills in each column: item 1 always, items 2 and 3 when the
// item count calls for them.
int ReportRowCount(const MismatchReport& report) {
  if (report.itemCount >= 3) return 3;
  if (report.itemCount == 2) return 2;
  return 1;
}

bool HasTwoTrays(const MismatchReport& report) { return FieldCode(report.twoTrayFlag) == 1; }

using ItemField = char (MismatchItem::*)[kCodeSize];

void FillColumn(PaperCheckControls& controls, int listId, const MismatchReport& report,
                const TextCatalogue& catalogue, ItemField field, bool otherOnMissing) {
  const int rows = ReportRowCount(report);
  for (int row = 0; row < rows; ++row) {
    TextBuffer text;
    if (!catalogue.Lookup(FieldCode(report.items[row].*field), text)) {
      text = otherOnMissing ? Text(catalogue, kTextOther) : TextBuffer();
    }
    controls.ListInsert(listId, row, text.c_str());
  }
}

void FillTraySelector(const MismatchReport& report, const TextCatalogue& catalogue,
                      PaperCheckControls& controls, PaperCheckState& state) {
  const std::int32_t source = FieldCode(report.paperSource);
  const bool manualFeed = source == kSourceManualFeed || source == kSourceManualFeedAlt;
  const TextBuffer prefix = Text(catalogue, kTextPrinterPrefix);

  // Both manual-feed numbers are shown with the first one's text.
  const TextBuffer sourceText = Text(catalogue, manualFeed ? kSourceManualFeed : source);
  state.traySelectable = manualFeed ? 0 : 1;

  const LeadBytes& codePage = state.codePage;
  const TextBuffer firstEntry = TrayEntry(prefix, sourceText, codePage);
  controls.ComboAdd(IDC_TRAY_COMBO, firstEntry.c_str());
  CopyCut(firstEntry, state.firstTrayEntry, codePage);

  if (state.traySelectable == 1 && HasTwoTrays(report)) {
    // The other tray: the lower one when the upper one is current, else the upper one.
    const std::int32_t otherTray = source == kSourceUpperTray ? kTextLowerTray : kTextUpperTray;
    controls.ComboAdd(IDC_TRAY_COMBO, TrayEntry(prefix, Text(catalogue, otherTray), codePage).c_str());
  }

  CopyCut(TrayEntry(prefix, Text(catalogue, source), codePage), state.currentTrayText, codePage);

  // Searching after entry 0 tries the second entry first: it wins only when
  // the first entry is the bare prefix (a source without text).
  controls.ComboSelectString(IDC_TRAY_COMBO, 0, FieldString(state.firstTrayEntry).c_str());
}

void WritePortLines(MismatchReport& report, PaperCheckControls& controls, const LeadBytes& codePage) {
  const std::size_t length = BoundedLength(report.port, kPortSize);
  if (length == 0) {
    // Nothing to show: clear both lines rather than leave the placeholder.
    controls.SetControlText(IDC_PORT_LINE1, "");
    controls.SetControlText(IDC_PORT_LINE2, "");
    return;
  }

  // A network path arrives with commas for backslashes, which cannot travel
  // inside a backslash-separated command line.
  if (length >= 2 && report.port[0] == ',' && report.port[1] == ',') {
    for (std::size_t i = 0; i < length; i += codePage.CharacterLength(report.port + i, length - i)) {
      if (report.port[i] == ',') report.port[i] = '\\';
    }
  }

  const TextBuffer port(report.port, length);
  if (length <= kPortFirstLineLength) {
    controls.SetControlText(IDC_PORT_LINE1, port.c_str());
    return;
  }
  // Both lines end between characters: the second starts where the first ends.
  const std::size_t firstLine = codePage.CutLength(port.c_str(), length, kPortFirstLineLength);
  controls.SetControlText(IDC_PORT_LINE1, port.Substring(0, firstLine).c_str());
  TextBuffer rest = port.Substring(firstLine, length);
  if (rest.size() > kPortSecondLineLength) {
    CutWhole(rest, kPortSecondLineLength, codePage);
    rest.Append(kPortEllipsis);
  }
  controls.SetControlText(IDC_PORT_LINE2, rest.c_str());
}

}  // namespace

void PopulatePaperCheck(MismatchReport& report, const TextCatalogue& catalogue,
                        PaperCheckControls& controls, PaperCheckState& state) {
  TextBuffer title = Text(catalogue, kTextTitle);
  title.Append(" ");
  title.Append(FieldString(report.printerName));
  controls.SetTitle(title.c_str());

  FillColumn(controls, IDC_SETTING_LIST, report, catalogue, &MismatchItem::settingName, false);
  FillColumn(controls, IDC_APPLICATION_LIST, report, catalogue, &MismatchItem::applicationValue, true);
  FillColumn(controls, IDC_PRINTER_LIST, report, catalogue, &MismatchItem::printerValue, false);

  FillTraySelector(report, catalogue, controls, state);
  // The printer column follows the selected tray from the start.
  OnTraySelectionChanged(report, catalogue, controls, state);

  controls.SetControlText(IDC_PORT_LABEL, Text(catalogue, kTextPort).c_str());
  WritePortLines(report, controls, state.codePage);

  static const struct {
    int control;
    TextId text;
  } kFixedTexts[] = {
      {IDC_UPPER_MESSAGE, kTextUpperMessage},     {IDC_LOWER_MESSAGE, kTextLowerMessage},
      {IDC_SETTING_HEADER, kTextSettingsHeader},  {IDC_APPLICATION_HEADER, kTextApplicationHeader},
      {IDC_RETRY, kTextRetry},                    {IDC_IGNORE, kTextIgnore},
      {IDC_CANCEL_PRINTING, kTextCancel},         {IDC_HELP_BUTTON, kTextHelp},
  };
  for (const auto& fixed : kFixedTexts) {
    controls.SetControlText(fixed.control, Text(catalogue, fixed.text).c_str());
  }

  CopyCut(kHelpFileName, state.helpFileName, state.codePage);
}

void OnTraySelectionChanged(const MismatchReport& report, const TextCatalogue& catalogue,
                            PaperCheckControls& controls, const PaperCheckState& state) {
  const int selected = controls.ComboGetCurSel(IDC_TRAY_COMBO);
  const TextBuffer selectedText = CutTrayText(controls.ComboGetText(IDC_TRAY_COMBO, selected), state.codePage);

  if (state.traySelectable == 0) return;
  if (!HasTwoTrays(report)) return;

  TextBuffer rows[kMaxItems];
  if (selectedText == FieldString(state.currentTrayText)) {
    for (std::uint32_t i = 0; i < kMaxItems; ++i) {
      rows[i] = FieldCodeText(catalogue, report.items[i].printerValue);
    }
  } else {
    // The other tray: paper path, size and media, in the order of the rows.
    const bool firstIsUpper = FieldCode(report.items[0].printerValue) == kSourceUpperTray;
    rows[0] = Text(catalogue, firstIsUpper ? kTextLowerTray : kTextUpperTray);
    rows[1] = FieldCodeText(catalogue, report.otherTraySize);
    rows[2] = FieldCodeText(catalogue, report.otherTrayMedia);
  }

  // Only the rows the report filled, so every column keeps the same length.
  const int rowCount = ReportRowCount(report);
  for (int row = 0; row < rowCount; ++row) {
    controls.ListDelete(IDC_PRINTER_LIST, row);
    controls.ListInsert(IDC_PRINTER_LIST, row, rows[row].c_str());
  }
}

}  // namespace paperchk
