#include "dialog/paper_check_logic.h"

#include <cstring>

#include "dialog/prefix_search.h"
#include "help/help_file.h"
#include "report/code.h"

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

ColumnRows Column(const MismatchReport& report, const TextCatalogue& catalogue, ItemField field,
                  bool otherOnMissing) {
  ColumnRows column;
  column.count = ReportRowCount(report);
  for (int row = 0; row < column.count; ++row) {
    TextBuffer& text = column.rows[row];
    if (!catalogue.Lookup(FieldCode(report.items[row].*field), text)) {
      text = otherOnMissing ? Text(catalogue, kTextOther) : TextBuffer();
    }
  }
  return column;
}

TrayEntries Trays(const MismatchReport& report, const TextCatalogue& catalogue, const TextBuffer& prefix,
                  PaperCheckState& state) {
  const std::int32_t source = FieldCode(report.paperSource);
  const bool manualFeed = source == kSourceManualFeed || source == kSourceManualFeedAlt;

  // Both manual-feed numbers are shown with the first one's text.
  const TextBuffer sourceText = Text(catalogue, manualFeed ? kSourceManualFeed : source);
  state.traySelectable = manualFeed ? 0 : 1;

  const LeadBytes& codePage = state.codePage;
  TrayEntries trays;
  trays.entries[trays.count++] = TrayEntry(prefix, sourceText, codePage);
  CopyCut(trays.entries[0], state.firstTrayEntry, codePage);

  if (state.traySelectable == 1 && HasTwoTrays(report)) {
    // The other tray: the lower one when the upper one is current, else the upper one.
    const std::int32_t otherTray = source == kSourceUpperTray ? kTextLowerTray : kTextUpperTray;
    trays.entries[trays.count++] = TrayEntry(prefix, Text(catalogue, otherTray), codePage);
  }

  CopyCut(TrayEntry(prefix, Text(catalogue, source), codePage), state.currentTrayText, codePage);

  // The list starts on the entry its select-by-text search finds for the
  // first entry, searching after entry 0: the second entry wins only when
  // the first is the bare prefix (a source without text).
  trays.chosen = FindEntryByPrefix(trays.entries.data(), trays.count, 0, FieldString(state.firstTrayEntry));
  return trays;
}

void PortLines(MismatchReport& report, const LeadBytes& codePage, TextBuffer& first, TextBuffer& second) {
  // Nothing to show leaves both lines empty rather than the placeholder.
  const std::size_t length = BoundedLength(report.port, kPortSize);
  if (length == 0) return;

  // A network path arrives with commas for backslashes, which cannot travel
  // inside a backslash-separated command line.
  if (length >= 2 && report.port[0] == ',' && report.port[1] == ',') {
    for (std::size_t i = 0; i < length; i += codePage.CharacterLength(report.port + i, length - i)) {
      if (report.port[i] == ',') report.port[i] = '\\';
    }
  }

  const TextBuffer port(report.port, length);
  if (length <= kPortFirstLineLength) {
    first = port;
    return;
  }
  // Both lines end between characters: the second starts where the first ends.
  const std::size_t firstLine = codePage.CutLength(port.c_str(), length, kPortFirstLineLength);
  first = port.Substring(0, firstLine);
  second = port.Substring(firstLine, length);
  if (second.size() > kPortSecondLineLength) {
    CutWhole(second, kPortSecondLineLength, codePage);
    second.Append(kPortEllipsis);
  }
}

}  // namespace

PaperCheckView ViewPaperCheck(MismatchReport& report, const TextCatalogue& catalogue, PaperCheckState& state) {
  PaperCheckView view;
  view.title = Text(catalogue, kTextTitle);
  view.title.Append(" ");
  view.title.Append(FieldString(report.printerName));

  view.settings = Column(report, catalogue, &MismatchItem::settingName, false);
  view.applicationValues = Column(report, catalogue, &MismatchItem::applicationValue, true);
  view.printerValues = Column(report, catalogue, &MismatchItem::printerValue, false);

  view.printerHeader = Text(catalogue, kTextPrinterPrefix);
  view.trays = Trays(report, catalogue, view.printerHeader, state);
  // The printer column follows the chosen tray from the start.
  const TrayEntries& trays = view.trays;
  const TextBuffer chosen = trays.chosen >= 0 ? trays.entries[trays.chosen] : TextBuffer();
  PrinterColumnForTray(report, catalogue, state, chosen, view.printerValues);

  view.portLabel = Text(catalogue, kTextPort);
  PortLines(report, state.codePage, view.portFirstLine, view.portSecondLine);

  static const struct {
    TextBuffer PaperCheckView::*part;
    TextId text;
  } kFixedTexts[] = {
      {&PaperCheckView::upperMessage, kTextUpperMessage},
      {&PaperCheckView::lowerMessage, kTextLowerMessage},
      {&PaperCheckView::settingsHeader, kTextSettingsHeader},
      {&PaperCheckView::applicationHeader, kTextApplicationHeader},
      {&PaperCheckView::retry, kTextRetry},
      {&PaperCheckView::ignore, kTextIgnore},
      {&PaperCheckView::cancelPrinting, kTextCancel},
      {&PaperCheckView::help, kTextHelp},
  };
  for (const auto& fixed : kFixedTexts) view.*fixed.part = Text(catalogue, fixed.text);

  CopyCut(kHelpFileName, state.helpFileName, state.codePage);
  return view;
}

bool PrinterColumnForTray(const MismatchReport& report, const TextCatalogue& catalogue, const PaperCheckState& state,
                          const TextBuffer& chosenEntry, ColumnRows& rows) {
  if (state.traySelectable == 0) return false;
  if (!HasTwoTrays(report)) return false;

  // The list's text is read into a buffer of a tray text's size.
  const TextBuffer chosenText = CutTrayText(chosenEntry, state.codePage);
  TextBuffer values[kMaxItems];
  if (chosenText == FieldString(state.currentTrayText)) {
    for (std::uint32_t i = 0; i < kMaxItems; ++i) {
      values[i] = FieldCodeText(catalogue, report.items[i].printerValue);
    }
  } else {
    // The other tray: paper path, size and media, in the order of the rows.
    const bool firstIsUpper = FieldCode(report.items[0].printerValue) == kSourceUpperTray;
    values[0] = Text(catalogue, firstIsUpper ? kTextLowerTray : kTextUpperTray);
    values[1] = FieldCodeText(catalogue, report.otherTraySize);
    values[2] = FieldCodeText(catalogue, report.otherTrayMedia);
  }

  // Only the rows the report filled, so every column keeps the same length.
  rows.count = ReportRowCount(report);
  for (int row = 0; row < rows.count; ++row) rows.rows[row] = values[row];
  return true;
}

}  // namespace paperchk
