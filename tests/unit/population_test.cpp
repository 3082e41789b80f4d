// What the paper-check dialog shows for a mismatch report.

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "dialog/paper_check_logic.h"
#include "help/help_file.h"
#include "resources/text_catalogue.h"
#include "support/code_pages.h"
#include "support/fakes.h"
#include "support/view_texts.h"

namespace paperchk {
namespace {

using fakes::FakeTextCatalogue;
using fakes::MakeReport;
using fakes::ReportItemCodes;
using fakes::EntriesOf;
using fakes::Rows;
using fakes::RowsOf;
using fakes::SetField;

const ReportItemCodes kPathItem{"40001", "30001", "30002"};   // paper path: manual feed vs upper tray
const ReportItemCodes kSizeItem{"40002", "50009", "2048"};    // paper size: A4 vs Letter
const ReportItemCodes kMediaItem{"40003", "20004", "20001"};  // media: photo paper vs plain

// A report with the given items on a printer without a second tray.
MismatchReport SimpleReport(const std::vector<ReportItemCodes>& items, const std::string& port = "LPT1:") {
  return MakeReport("Ufficio", port, items, "30006", "0", "768", "20001");
}

class PopulationTest : public ::testing::Test {
 protected:
  PaperCheckView Populate(MismatchReport& report) { return ViewPaperCheck(report, catalogue, state); }
  PaperCheckView Populate(MismatchReport& report, const TextCatalogue& other) {
    return ViewPaperCheck(report, other, state);
  }

  BuiltInTextCatalogue catalogue;
  PaperCheckState state;
};

// --- Title ---

TEST_F(PopulationTest, TitleIsTheTextThenOneSpaceThenThePrinterName) {
  MismatchReport report = SimpleReport({kPathItem});
  SetField(report.printerName, "Stampante di rete 3");
  EXPECT_EQ(Populate(report).title, "Verifica carta Stampante di rete 3");

  MismatchReport noName = SimpleReport({kPathItem});
  SetField(noName.printerName, "");
  EXPECT_EQ(Populate(noName).title, "Verifica carta ");
}

// --- The three columns ---

// Each column shows one row per item, in item order: the row text of the
// item's code, or for a code without text the empty text (the setting and
// printer columns) or "Altro" (the application column).
TEST_F(PopulationTest, ColumnsShowTheRowTextOfEachItemsCodes) {
  const struct {
    std::vector<ReportItemCodes> items;
    Rows settings, application, printer;
  } kCases[] = {
      {{kPathItem, kSizeItem, kMediaItem},
       {"Percorso carta ", "Formato carta", "Tipo supporto"},
       {"Alimentazione Manuale", "A4", "Carta speciale fotografica"},
       {"Vassoio carta  ", "Letter", "Carta Comune"}},
      {{kSizeItem}, {"Formato carta"}, {"A4"}, {"Letter"}},
      {{kSizeItem, kMediaItem}, {"Formato carta", "Tipo supporto"}, {"A4", "Carta speciale fotografica"},
       {"Letter", "Carta Comune"}},
      {{{"258", "258", "258"}}, {""}, {"Altro"}, {""}},  // 258 lies between two numbers and has no text
      {{{"", "abc", " +0"}}, {"Altro"}, {"Altro"}, {"Altro"}},  // empty and non-numeric codes name text 0
  };
  for (const auto& c : kCases) {
    MismatchReport report = SimpleReport(c.items);
    const PaperCheckView view = Populate(report);
    EXPECT_EQ(RowsOf(view.settings), c.settings) << c.items.size() << " items, " << c.items[0].settingName;
    EXPECT_EQ(RowsOf(view.applicationValues), c.application) << c.items[0].applicationValue;
    EXPECT_EQ(RowsOf(view.printerValues), c.printer) << c.items[0].printerValue;
  }
}

TEST_F(PopulationTest, ItemsBeyondTheItemCountAreNotShownEvenWhenFilled) {
  MismatchReport report = SimpleReport({kPathItem});
  SetField(report.items[1].settingName, "40002");
  SetField(report.items[2].settingName, "40003");
  EXPECT_EQ(RowsOf(Populate(report).settings), (Rows{"Percorso carta "}));
}

TEST_F(PopulationTest, ApplicationFallbackIsTheCatalogueTextOfNumberZero) {
  FakeTextCatalogue small({{0, "Fallback"}, {40002, "Size"}});
  MismatchReport report = SimpleReport({{"40002", "99999", "99999"}});
  const PaperCheckView view = Populate(report, small);
  EXPECT_EQ(RowsOf(view.settings), (Rows{"Size"}));
  EXPECT_EQ(RowsOf(view.applicationValues), (Rows{"Fallback"}));
  EXPECT_EQ(RowsOf(view.printerValues), (Rows{""}));
}

// --- Tray selector entries and selection ---

struct TrayCase {
  const char* source;
  const char* twoTrayFlag;
  std::vector<std::string> entries;
  int selected;
  std::uint32_t traySelectable;
  const char* currentTrayText;
};

std::ostream& operator<<(std::ostream& out, const TrayCase& tray) {
  return out << "source \"" << tray.source << "\", two-tray flag \"" << tray.twoTrayFlag << "\"";
}

class TraySelectorEntriesTest : public PopulationTest, public ::testing::WithParamInterface<TrayCase> {};

TEST_P(TraySelectorEntriesTest, EntriesSelectionAndState) {
  const TrayCase& tray = GetParam();
  MismatchReport report =
      MakeReport("P", "LPT1:", {kPathItem, kSizeItem, kMediaItem}, tray.source, tray.twoTrayFlag, "1024", "20002");
  const PaperCheckView view = Populate(report);

  EXPECT_EQ(EntriesOf(view.trays), tray.entries);
  EXPECT_EQ(view.trays.chosen, tray.selected);
  EXPECT_EQ(state.traySelectable, tray.traySelectable);
  EXPECT_STREQ(state.currentTrayText, tray.currentTrayText);
  EXPECT_EQ(std::string(state.firstTrayEntry), tray.entries.front());
}

INSTANTIATE_TEST_SUITE_P(
    PaperSources, TraySelectorEntriesTest,
    ::testing::Values(
        // Manual feed: one entry, not selectable, whatever the two-tray flag says.
        TrayCase{"30001", "1", {"Stampante:Alimentazione Manuale"}, 0, 0, "Stampante:Alimentazione Manuale"},
        TrayCase{"30004", "1", {"Stampante:Alimentazione Manuale"}, 0, 0, "Stampante:Alimentazione Manuale"},
        TrayCase{"30004", "0", {"Stampante:Alimentazione Manuale"}, 0, 0, "Stampante:Alimentazione Manuale"},
        // Two trays: the current one first and selected, the other one second.
        TrayCase{"30002", "1",
                 {"Stampante:Vassoio carta  ", "Stampante:Vassoio carta (inferiore)"}, 0, 1,
                 "Stampante:Vassoio carta  "},
        TrayCase{"30005", "1",
                 {"Stampante:Vassoio carta (inferiore)", "Stampante:Vassoio carta  "}, 0, 1,
                 "Stampante:Vassoio carta (inferiore)"},
        // Any other source offers the upper tray as the other one.
        TrayCase{"30003", "1",
                 {"Stampante:Alimentazione a Trattore", "Stampante:Vassoio carta  "}, 0, 1,
                 "Stampante:Alimentazione a Trattore"},
        // One tray.
        TrayCase{"30006", "0", {"Stampante:Selezione automatica"}, 0, 1, "Stampante:Selezione automatica"},
        TrayCase{"30002", "2", {"Stampante:Vassoio carta  "}, 0, 1, "Stampante:Vassoio carta  "},
        TrayCase{"30002", "", {"Stampante:Vassoio carta  "}, 0, 1, "Stampante:Vassoio carta  "},
        // The flag converts like a code: white space, sign and trailing text.
        TrayCase{"30002", " +1 tray", {"Stampante:Vassoio carta  ", "Stampante:Vassoio carta (inferiore)"}, 0,
                 1, "Stampante:Vassoio carta  "},
        // A source without text: the bare prefix is a prefix of the second
        // entry, which the search after entry 0 finds first.
        TrayCase{"29999", "1", {"Stampante:", "Stampante:Vassoio carta  "}, 1, 1, "Stampante:"},
        TrayCase{"29999", "0", {"Stampante:"}, 0, 1, "Stampante:"}));

TEST_F(PopulationTest, PrinterColumnFollowsTheSelectedTrayFromTheStart) {
  // A source without text selects the other tray at once.
  MismatchReport other =
      MakeReport("P", "LPT1:", {kPathItem, kSizeItem, kMediaItem}, "29999", "1", "1024", "20002");
  const PaperCheckView otherView = Populate(other);
  EXPECT_EQ(RowsOf(otherView.printerValues), (Rows{"Vassoio carta (inferiore)", "B5", "Carta speciale 360 dpi"}));
  EXPECT_EQ(otherView.settings.count, 3);

  // The current tray selected: the report's own printer values.
  MismatchReport current =
      MakeReport("P", "LPT1:", {kPathItem, kSizeItem, kMediaItem}, "30002", "1", "1024", "20002");
  EXPECT_EQ(RowsOf(Populate(current).printerValues), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"}));
}

TEST_F(PopulationTest, ShortReportsKeepOneRowPerItemInThePrinterColumn) {
  // With a second tray the printer rows follow the tray at once, within the
  // report's rows.
  MismatchReport one = MakeReport("P", "LPT1:", {kPathItem}, "30002", "1", "1024", "20002");
  EXPECT_EQ(RowsOf(Populate(one).printerValues), (Rows{"Vassoio carta  "}));

  MismatchReport two = MakeReport("P", "LPT1:", {kPathItem, kSizeItem}, "29999", "1", "1024", "20002");
  const PaperCheckView twoView = Populate(two);
  EXPECT_EQ(RowsOf(twoView.printerValues), (Rows{"Vassoio carta (inferiore)", "B5"}));
  EXPECT_EQ(twoView.settings.count, 2);
  EXPECT_EQ(twoView.applicationValues.count, 2);
}

TEST_F(PopulationTest, OverlongTrayEntriesAreCutTo255Characters) {
  // Text 115 has 250 characters; with the 10-character prefix the entry
  // would have 260.
  TextBuffer longTextBuffer;
  ASSERT_TRUE(catalogue.Lookup(115, longTextBuffer));
  const std::string longText = longTextBuffer.c_str();
  ASSERT_EQ(longText.size(), 250u);
  const std::string cut = ("Stampante:" + longText).substr(0, 255);

  MismatchReport report =
      MakeReport("P", "LPT1:", {kPathItem, kSizeItem, kMediaItem}, "115", "1", "1024", "20002");
  const PaperCheckView view = Populate(report);

  EXPECT_EQ(EntriesOf(view.trays), (Rows{cut, "Stampante:Vassoio carta  "}));
  EXPECT_EQ(std::string(state.firstTrayEntry), cut);
  EXPECT_EQ(std::string(state.currentTrayText), cut);
  EXPECT_EQ(state.firstTrayEntry[255], '\0');
  EXPECT_EQ(state.currentTrayText[255], '\0');
  EXPECT_EQ(view.trays.chosen, 0);
  // The cut entry still reads as the current tray.
  EXPECT_EQ(RowsOf(view.printerValues), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"}));
}

TEST_F(PopulationTest, EntryOfExactly255CharactersIsKeptWhole) {
  FakeTextCatalogue small({{0, "Altro"}, {112, "Stampante:"}, {30002, "Vassoio carta  "}});
  const std::string source(245, 'x');
  small.Set(7, source);
  MismatchReport report = MakeReport("P", "LPT1:", {kPathItem}, "7", "0", "0", "0");
  EXPECT_EQ(EntriesOf(Populate(report, small).trays), (Rows{"Stampante:" + source}));
  EXPECT_EQ(std::string(state.currentTrayText), "Stampante:" + source);
}

// 10 + 244 + 2 bytes: the cut at 255 would split the last character.
TEST_F(PopulationTest, TrayEntryCutKeepsDoubleByteCharactersWhole) {
  FakeTextCatalogue small({{0, "Altro"}, {112, "Stampante:"}, {30002, "Vassoio carta  "}});
  small.Set(7, std::string(244, 'x') + "\x83\x5C");
  state.codePage = fakes::KnownLeadBytes(932);
  MismatchReport report = MakeReport("P", "LPT1:", {kPathItem}, "7", "1", "0", "0");
  const PaperCheckView view = Populate(report, small);
  const std::string cut = "Stampante:" + std::string(244, 'x');
  EXPECT_EQ(EntriesOf(view.trays), (Rows{cut, "Stampante:Vassoio carta  "}));
  EXPECT_EQ(std::string(state.currentTrayText), cut);
  EXPECT_EQ(RowsOf(view.printerValues), (Rows{"Vassoio carta  "}));  // still the current tray
}

// --- Port ---

struct PortCase {
  const char* port;
  const char* line1;
  const char* line2;
  unsigned codePage = 0;  // a double-byte one: no line ends inside a character
};

std::ostream& operator<<(std::ostream& out, const PortCase& port) {
  return out << "port \"" << port.port << "\"";
}

class PortLinesTest : public PopulationTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortLinesTest, SplitsThePortIntoTwoLines) {
  const PortCase& port = GetParam();
  state.codePage = fakes::KnownLeadBytes(port.codePage);
  MismatchReport report = SimpleReport({kPathItem}, port.port);
  const PaperCheckView view = Populate(report);
  EXPECT_EQ(view.portFirstLine, port.line1);
  EXPECT_EQ(view.portSecondLine, port.line2);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PortLinesTest,
    ::testing::Values(PortCase{"", "", ""},  // both lines cleared, not the placeholder
                      PortCase{"LPT1:", "LPT1:", ""},
                      PortCase{"123456789012345", "123456789012345", ""},               // 15
                      PortCase{"1234567890123456", "123456789012345", "6"},              // 16
                      PortCase{"123456789012345678901234567", "123456789012345", "678901234567"},  // 27
                      PortCase{"1234567890123456789012345678", "123456789012345", "678901234567..."},  // 28
                      PortCase{"123456789012345ABCDEFGHIJKLMNOPQRSTUVWXYZ", "123456789012345", "ABCDEFGHIJKL..."},
                      // One leading comma: the commas stay.
                      PortCase{",srv,q", ",srv,q", ""},
                      PortCase{"a,,b", "a,,b", ""},
                      // Two leading commas: a network path.
                      PortCase{",,srv,q", "\\\\srv\\q", ""},
                      PortCase{",,printserver01,queue,x", "\\\\printserver01", "\\queue\\x"},
                      PortCase{",,", "\\\\", ""},
                      // The 15th byte starts "\x83\x5C": the line ends one byte earlier.
                      PortCase{"ABCDEFGHIJKLMN\x83\x5CXYZ", "ABCDEFGHIJKLMN", "\x83\x5CXYZ", 932},
                      PortCase{"ABCDEFGHIJKLMN\x83\x7C", "ABCDEFGHIJKLMN", "\x83\x7C", 932},
                      PortCase{"123456789012345ABCDEFGHIJK\x95\x5CZ", "123456789012345", "ABCDEFGHIJK...", 932},
                      PortCase{"ABCDEFGHIJKLMN\xBF\xDD", "ABCDEFGHIJKLMN\xBF", "\xDD", 932},  // half-width kana
                      PortCase{"ABCDEFGHIJKLMN\x81\x5CZ", "ABCDEFGHIJKLMN", "\x81\x5CZ", 936},
                      PortCase{"ABCDEFGHIJKLMN\xC7\xC1", "ABCDEFGHIJKLMN", "\xC7\xC1", 949},
                      PortCase{"ABCDEFGHIJKLMN\xB3\x5C", "ABCDEFGHIJKLMN", "\xB3\x5C", 950}));

TEST_F(PopulationTest, NetworkPortIsRewrittenInTheReportItself) {
  MismatchReport report = SimpleReport({kPathItem}, ",,server,queue");
  Populate(report);
  EXPECT_STREQ(report.port, "\\\\server\\queue");

  MismatchReport oneComma = SimpleReport({kPathItem}, ",server,queue");
  Populate(oneComma);
  EXPECT_STREQ(oneComma.port, ",server,queue");
}

// --- Fixed texts and the help file name ---

// Each fixed text is its catalogue number's text (checked with a catalogue
// that names each number) and reads in Italian with the built-in one.
TEST_F(PopulationTest, FixedTextsComeFromTheirCatalogueNumbers) {
  const struct {
    TextBuffer PaperCheckView::*part;
    int number;
    const char* italian;  // the start of it
  } kTexts[] = {
      {&PaperCheckView::printerHeader, 112, "Stampante:"},
      {&PaperCheckView::portLabel, 113, "Porta : "},
      {&PaperCheckView::upperMessage, 114, "Alcune impostazioni sulla stampante"},
      {&PaperCheckView::lowerMessage, 115, "Tentate di modificare"},
      {&PaperCheckView::settingsHeader, 116, "Impostazioni"},
      {&PaperCheckView::applicationHeader, 117, "Applicazione"},
      {&PaperCheckView::retry, 118, "Riprova"},
      {&PaperCheckView::ignore, 119, "Ignora"},
      {&PaperCheckView::cancelPrinting, 120, "Annulla"},
      {&PaperCheckView::help, 121, "?"},
  };
  FakeTextCatalogue numbered;
  for (int number = 111; number <= 122; ++number) numbered.Set(number, "text" + std::to_string(number));
  MismatchReport report = SimpleReport({kPathItem});
  const PaperCheckView fromNumbers = Populate(report, numbered);
  const PaperCheckView italian = Populate(report);
  EXPECT_EQ(fromNumbers.title, "text111 Ufficio");
  for (const auto& text : kTexts) {
    EXPECT_EQ(fromNumbers.*text.part, ("text" + std::to_string(text.number)).c_str());
    const std::string shown = (italian.*text.part).c_str();
    EXPECT_EQ(shown.rfind(text.italian, 0), 0u) << text.number << ": " << shown;
  }
  EXPECT_EQ(italian.lowerMessage.size(), 250u);
}

TEST_F(PopulationTest, HelpFileNameIsSet) {
  MismatchReport report = SimpleReport({kPathItem});
  Populate(report);
  EXPECT_STREQ(state.helpFileName, "PCHKHELP.HLP");
  EXPECT_STREQ(state.helpFileName, kHelpFileName);
}

}  // namespace
}  // namespace paperchk
