// Filling the paper-check dialog from a mismatch report.

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "dialog/paper_check_logic.h"
#include "help/help_file.h"
#include "resources/resource_ids.h"
#include "resources/text_catalogue.h"
#include "support/code_pages.h"
#include "support/fake_controls.h"
#include "support/fakes.h"

namespace paperchk {
namespace {

using fakes::FakeControls;
using fakes::FakeTextCatalogue;
using fakes::MakeReport;
using fakes::ReportItemCodes;
using fakes::SetField;
using Rows = std::vector<std::string>;

const ReportItemCodes kPathItem{"40001", "30001", "30002"};   // paper path: manual feed vs upper tray
const ReportItemCodes kSizeItem{"40002", "50009", "2048"};    // paper size: A4 vs Letter
const ReportItemCodes kMediaItem{"40003", "20004", "20001"};  // media: photo paper vs plain

// A report with the given items on a printer without a second tray.
MismatchReport SimpleReport(const std::vector<ReportItemCodes>& items, const std::string& port = "LPT1:") {
  return MakeReport("Ufficio", port, items, "30006", "0", "768", "20001");
}

class PopulationTest : public ::testing::Test {
 protected:
  void Populate(MismatchReport& report) { PopulatePaperCheck(report, catalogue, controls, state); }

  BuiltInTextCatalogue catalogue;
  FakeControls controls;
  PaperCheckState state;
};

// --- Title ---

TEST_F(PopulationTest, TitleIsTheTextThenOneSpaceThenThePrinterName) {
  MismatchReport report = SimpleReport({kPathItem});
  SetField(report.printerName, "Stampante di rete 3");
  Populate(report);
  EXPECT_EQ(controls.title, "Verifica carta Stampante di rete 3");

  FakeControls unnamed;
  PaperCheckState unnamedState;
  MismatchReport noName = SimpleReport({kPathItem});
  SetField(noName.printerName, "");
  PopulatePaperCheck(noName, catalogue, unnamed, unnamedState);
  EXPECT_EQ(unnamed.title, "Verifica carta ");
}

// --- The three columns ---

TEST_F(PopulationTest, ThreeItemReportFillsThreeRowsPerColumnInItemOrder) {
  MismatchReport report = SimpleReport({kPathItem, kSizeItem, kMediaItem});
  Populate(report);

  EXPECT_EQ(controls.Rows(IDC_SETTING_LIST), (Rows{"Percorso carta ", "Formato carta", "Tipo supporto"}));
  EXPECT_EQ(controls.Rows(IDC_APPLICATION_LIST),
            (Rows{"Alimentazione Manuale", "A4", "Carta speciale fotografica"}));
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"}));
}

TEST_F(PopulationTest, ColumnsAreFilledByInsertionAtExplicitPositionsOneColumnAfterTheOther) {
  MismatchReport report = SimpleReport({kPathItem, kSizeItem, kMediaItem});
  Populate(report);

  std::vector<FakeControls::Call> inserts;
  for (const auto& call : controls.calls) {
    if (call.operation == "ListInsert") inserts.push_back(call);
  }
  const std::vector<FakeControls::Call> expected = {
      {"ListInsert", IDC_SETTING_LIST, 0, "Percorso carta "},
      {"ListInsert", IDC_SETTING_LIST, 1, "Formato carta"},
      {"ListInsert", IDC_SETTING_LIST, 2, "Tipo supporto"},
      {"ListInsert", IDC_APPLICATION_LIST, 0, "Alimentazione Manuale"},
      {"ListInsert", IDC_APPLICATION_LIST, 1, "A4"},
      {"ListInsert", IDC_APPLICATION_LIST, 2, "Carta speciale fotografica"},
      {"ListInsert", IDC_PRINTER_LIST, 0, "Vassoio carta  "},
      {"ListInsert", IDC_PRINTER_LIST, 1, "Letter"},
      {"ListInsert", IDC_PRINTER_LIST, 2, "Carta Comune"},
  };
  EXPECT_EQ(inserts, expected);
}

TEST_F(PopulationTest, OneAndTwoItemReportsFillOnlyTheirRows) {
  MismatchReport one = SimpleReport({kSizeItem});
  Populate(one);
  EXPECT_EQ(controls.Rows(IDC_SETTING_LIST), (Rows{"Formato carta"}));
  EXPECT_EQ(controls.Rows(IDC_APPLICATION_LIST), (Rows{"A4"}));
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Letter"}));

  FakeControls twoControls;
  PaperCheckState twoState;
  MismatchReport two = SimpleReport({kSizeItem, kMediaItem});
  PopulatePaperCheck(two, catalogue, twoControls, twoState);
  EXPECT_EQ(twoControls.Rows(IDC_SETTING_LIST), (Rows{"Formato carta", "Tipo supporto"}));
  EXPECT_EQ(twoControls.Rows(IDC_APPLICATION_LIST), (Rows{"A4", "Carta speciale fotografica"}));
  EXPECT_EQ(twoControls.Rows(IDC_PRINTER_LIST), (Rows{"Letter", "Carta Comune"}));
}

TEST_F(PopulationTest, ItemsBeyondTheItemCountAreNotShownEvenWhenFilled) {
  MismatchReport report = SimpleReport({kPathItem});
  SetField(report.items[1].settingName, "40002");
  SetField(report.items[2].settingName, "40003");
  Populate(report);
  EXPECT_EQ(controls.Rows(IDC_SETTING_LIST), (Rows{"Percorso carta "}));
}

TEST_F(PopulationTest, CodeWithoutTextShowsAltroOnlyInTheApplicationColumn) {
  // 258 lies between two catalogue numbers and has no text.
  MismatchReport report = SimpleReport({{"258", "258", "258"}});
  Populate(report);
  EXPECT_EQ(controls.Rows(IDC_SETTING_LIST), (Rows{""}));
  EXPECT_EQ(controls.Rows(IDC_APPLICATION_LIST), (Rows{"Altro"}));
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{""}));
}

TEST_F(PopulationTest, ApplicationFallbackIsTheCatalogueTextOfNumberZero) {
  FakeTextCatalogue small({{0, "Fallback"}, {40002, "Size"}});
  MismatchReport report = SimpleReport({{"40002", "99999", "99999"}});
  PopulatePaperCheck(report, small, controls, state);
  EXPECT_EQ(controls.Rows(IDC_SETTING_LIST), (Rows{"Size"}));
  EXPECT_EQ(controls.Rows(IDC_APPLICATION_LIST), (Rows{"Fallback"}));
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{""}));
}

TEST_F(PopulationTest, EmptyAndNonNumericCodesNameTextZero) {
  MismatchReport report = SimpleReport({{"", "abc", " +0"}});
  Populate(report);
  EXPECT_EQ(controls.Rows(IDC_SETTING_LIST), (Rows{"Altro"}));
  EXPECT_EQ(controls.Rows(IDC_APPLICATION_LIST), (Rows{"Altro"}));
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Altro"}));
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
  Populate(report);

  EXPECT_EQ(controls.Entries(IDC_TRAY_COMBO), tray.entries);
  EXPECT_EQ(controls.Selected(IDC_TRAY_COMBO), tray.selected);
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

TEST_F(PopulationTest, SelectionSearchesForTheFirstEntryAfterEntryZero) {
  MismatchReport report = MakeReport("P", "LPT1:", {kPathItem}, "30002", "1", "1024", "20002");
  Populate(report);
  const int call = controls.FirstCall("ComboSelectString", IDC_TRAY_COMBO);
  ASSERT_GE(call, 0);
  EXPECT_EQ(controls.calls[static_cast<std::size_t>(call)].position, 0);
  EXPECT_EQ(controls.calls[static_cast<std::size_t>(call)].text, "Stampante:Vassoio carta  ");
  EXPECT_EQ(controls.CountCalls("ComboSelectString", IDC_TRAY_COMBO), 1);
}

TEST_F(PopulationTest, PrinterColumnFollowsTheSelectedTrayFromTheStart) {
  // A source without text selects the other tray at once.
  MismatchReport other =
      MakeReport("P", "LPT1:", {kPathItem, kSizeItem, kMediaItem}, "29999", "1", "1024", "20002");
  Populate(other);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)", "B5", "Carta speciale 360 dpi"}));
  EXPECT_EQ(controls.Rows(IDC_SETTING_LIST).size(), 3u);

  // The current tray selected: the report's own printer values.
  FakeControls currentControls;
  PaperCheckState currentState;
  MismatchReport current =
      MakeReport("P", "LPT1:", {kPathItem, kSizeItem, kMediaItem}, "30002", "1", "1024", "20002");
  PopulatePaperCheck(current, catalogue, currentControls, currentState);
  EXPECT_EQ(currentControls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"}));
}

TEST_F(PopulationTest, ShortReportsKeepOneRowPerItemInThePrinterColumn) {
  // With a second tray the printer rows are refilled at once; the refill
  // stays within the report's rows.
  MismatchReport one = MakeReport("P", "LPT1:", {kPathItem}, "30002", "1", "1024", "20002");
  Populate(one);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  "}));
  EXPECT_EQ(controls.CountCalls("ListDelete", IDC_PRINTER_LIST), 1);

  FakeControls twoControls;
  PaperCheckState twoState;
  MismatchReport two = MakeReport("P", "LPT1:", {kPathItem, kSizeItem}, "29999", "1", "1024", "20002");
  PopulatePaperCheck(two, catalogue, twoControls, twoState);
  EXPECT_EQ(twoControls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)", "B5"}));
  EXPECT_EQ(twoControls.Rows(IDC_SETTING_LIST).size(), 2u);
  EXPECT_EQ(twoControls.Rows(IDC_APPLICATION_LIST).size(), 2u);
}

TEST_F(PopulationTest, ManualFeedOrOneTrayLeavesThePrinterColumnAlone) {
  for (const char* source : {"30001", "30004"}) {
    FakeControls manual;
    PaperCheckState manualState;
    MismatchReport report = MakeReport("P", "LPT1:", {kPathItem, kSizeItem}, source, "1", "1024", "20002");
    PopulatePaperCheck(report, catalogue, manual, manualState);
    EXPECT_EQ(manual.CountCalls("ListDelete", IDC_PRINTER_LIST), 0) << source;
    EXPECT_EQ(manual.CountCalls("ListInsert", IDC_PRINTER_LIST), 2) << source;
    // The change handling still ran once and read the selection.
    EXPECT_EQ(manual.CountCalls("ComboGetCurSel", IDC_TRAY_COMBO), 1) << source;
  }
  MismatchReport oneTray = MakeReport("P", "LPT1:", {kPathItem}, "30006", "0", "1024", "20002");
  Populate(oneTray);
  EXPECT_EQ(controls.CountCalls("ListDelete", IDC_PRINTER_LIST), 0);
  EXPECT_EQ(controls.CountCalls("ComboGetCurSel", IDC_TRAY_COMBO), 1);
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
  Populate(report);

  ASSERT_EQ(controls.Entries(IDC_TRAY_COMBO).size(), 2u);
  EXPECT_EQ(controls.Entries(IDC_TRAY_COMBO)[0], cut);
  EXPECT_EQ(controls.Entries(IDC_TRAY_COMBO)[1], "Stampante:Vassoio carta  ");
  EXPECT_EQ(std::string(state.firstTrayEntry), cut);
  EXPECT_EQ(std::string(state.currentTrayText), cut);
  EXPECT_EQ(state.firstTrayEntry[255], '\0');
  EXPECT_EQ(state.currentTrayText[255], '\0');
  EXPECT_EQ(controls.Selected(IDC_TRAY_COMBO), 0);
  // The cut entry still reads as the current tray.
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"}));
}

TEST_F(PopulationTest, EntryOfExactly255CharactersIsKeptWhole) {
  FakeTextCatalogue small({{0, "Altro"}, {112, "Stampante:"}, {30002, "Vassoio carta  "}});
  const std::string source(245, 'x');
  small.Set(7, source);
  MismatchReport report = MakeReport("P", "LPT1:", {kPathItem}, "7", "0", "0", "0");
  PopulatePaperCheck(report, small, controls, state);
  ASSERT_EQ(controls.Entries(IDC_TRAY_COMBO).size(), 1u);
  EXPECT_EQ(controls.Entries(IDC_TRAY_COMBO)[0], "Stampante:" + source);
  EXPECT_EQ(std::string(state.currentTrayText), "Stampante:" + source);
}

// 10 + 244 + 2 bytes: the cut at 255 would split the last character.
TEST_F(PopulationTest, TrayEntryCutKeepsDoubleByteCharactersWhole) {
  FakeTextCatalogue small({{0, "Altro"}, {112, "Stampante:"}, {30002, "Vassoio carta  "}});
  small.Set(7, std::string(244, 'x') + "\x83\x5C");
  state.codePage = fakes::KnownLeadBytes(932);
  MismatchReport report = MakeReport("P", "LPT1:", {kPathItem}, "7", "1", "0", "0");
  PopulatePaperCheck(report, small, controls, state);
  const std::string cut = "Stampante:" + std::string(244, 'x');
  EXPECT_EQ(controls.Entries(IDC_TRAY_COMBO), (Rows{cut, "Stampante:Vassoio carta  "}));
  EXPECT_EQ(std::string(state.currentTrayText), cut);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  "}));  // still the current tray
}

// --- Port ---

struct PortCase {
  const char* port;
  const char* line1;
  bool line2Written;
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
  Populate(report);
  EXPECT_EQ(controls.TextOf(IDC_PORT_LINE1), port.line1);
  EXPECT_EQ(controls.HasText(IDC_PORT_LINE2), port.line2Written);
  EXPECT_EQ(controls.TextOf(IDC_PORT_LINE2), port.line2);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PortLinesTest,
    ::testing::Values(PortCase{"LPT1:", "LPT1:", false, ""},
                      PortCase{"123456789012345", "123456789012345", false, ""},               // 15
                      PortCase{"1234567890123456", "123456789012345", true, "6"},              // 16
                      PortCase{"123456789012345678901234567", "123456789012345", true,
                               "678901234567"},                                                 // 27
                      PortCase{"1234567890123456789012345678", "123456789012345", true,
                               "678901234567..."},                                              // 28
                      PortCase{"123456789012345ABCDEFGHIJKLMNOPQRSTUVWXYZ", "123456789012345", true,
                               "ABCDEFGHIJKL..."},
                      // One leading comma: the commas stay.
                      PortCase{",srv,q", ",srv,q", false, ""},
                      PortCase{"a,,b", "a,,b", false, ""},
                      // Two leading commas: a network path.
                      PortCase{",,srv,q", "\\\\srv\\q", false, ""},
                      PortCase{",,printserver01,queue,x", "\\\\printserver01", true, "\\queue\\x"},
                      PortCase{",,", "\\\\", false, ""},
                      // The 15th byte starts "\x83\x5C": the line ends one byte earlier.
                      PortCase{"ABCDEFGHIJKLMN\x83\x5CXYZ", "ABCDEFGHIJKLMN", true, "\x83\x5CXYZ", 932},
                      PortCase{"ABCDEFGHIJKLMN\x83\x7C", "ABCDEFGHIJKLMN", true, "\x83\x7C", 932},
                      PortCase{"123456789012345ABCDEFGHIJK\x95\x5CZ", "123456789012345", true, "ABCDEFGHIJK...", 932},
                      PortCase{"ABCDEFGHIJKLMN\xBF\xDD", "ABCDEFGHIJKLMN\xBF", true, "\xDD", 932},  // half-width kana
                      PortCase{"ABCDEFGHIJKLMN\x81\x5CZ", "ABCDEFGHIJKLMN", true, "\x81\x5CZ", 936},
                      PortCase{"ABCDEFGHIJKLMN\xC7\xC1", "ABCDEFGHIJKLMN", true, "\xC7\xC1", 949},
                      PortCase{"ABCDEFGHIJKLMN\xB3\x5C", "ABCDEFGHIJKLMN", true, "\xB3\x5C", 950}));

TEST_F(PopulationTest, NetworkPortIsRewrittenInTheReportItself) {
  MismatchReport report = SimpleReport({kPathItem}, ",,server,queue");
  Populate(report);
  EXPECT_STREQ(report.port, "\\\\server\\queue");

  MismatchReport oneComma = SimpleReport({kPathItem}, ",server,queue");
  FakeControls other;
  PaperCheckState otherState;
  PopulatePaperCheck(oneComma, catalogue, other, otherState);
  EXPECT_STREQ(oneComma.port, ",server,queue");
}

TEST_F(PopulationTest, EmptyPortClearsBothPortLines) {
  MismatchReport report = SimpleReport({kPathItem}, "");
  controls.texts[IDC_PORT_LINE1] = "PORT1";
  Populate(report);
  EXPECT_TRUE(controls.HasText(IDC_PORT_LINE1));
  EXPECT_TRUE(controls.HasText(IDC_PORT_LINE2));
  EXPECT_EQ(controls.TextOf(IDC_PORT_LINE1), "");
  EXPECT_EQ(controls.TextOf(IDC_PORT_LINE2), "");
}

TEST_F(PopulationTest, PortLabelIsText113) {
  MismatchReport report = SimpleReport({kPathItem});
  Populate(report);
  EXPECT_EQ(controls.TextOf(IDC_PORT_LABEL), "Porta : ");
}

// --- Fixed texts, help file name and the order of the steps ---

TEST_F(PopulationTest, MessagesHeadersAndButtonsComeFromTheirCatalogueNumbers) {
  FakeTextCatalogue numbered;
  for (int number = 111; number <= 122; ++number) numbered.Set(number, "text" + std::to_string(number));
  MismatchReport report = SimpleReport({kPathItem});
  PopulatePaperCheck(report, numbered, controls, state);

  EXPECT_EQ(controls.TextOf(IDC_UPPER_MESSAGE), "text114");
  EXPECT_EQ(controls.TextOf(IDC_LOWER_MESSAGE), "text115");
  EXPECT_EQ(controls.TextOf(IDC_SETTING_HEADER), "text116");
  EXPECT_EQ(controls.TextOf(IDC_APPLICATION_HEADER), "text117");
  EXPECT_EQ(controls.TextOf(IDC_RETRY), "text118");
  EXPECT_EQ(controls.TextOf(IDC_IGNORE), "text119");
  EXPECT_EQ(controls.TextOf(IDC_CANCEL_PRINTING), "text120");
  EXPECT_EQ(controls.TextOf(IDC_HELP_BUTTON), "text121");
  EXPECT_EQ(controls.TextOf(IDC_PORT_LABEL), "text113");
  EXPECT_EQ(controls.title, "text111 Ufficio");
}

TEST_F(PopulationTest, ButtonCaptionsAreItalian) {
  MismatchReport report = SimpleReport({kPathItem});
  Populate(report);
  EXPECT_EQ(controls.TextOf(IDC_RETRY), "Riprova");
  EXPECT_EQ(controls.TextOf(IDC_IGNORE), "Ignora");
  EXPECT_EQ(controls.TextOf(IDC_CANCEL_PRINTING), "Annulla");
  EXPECT_EQ(controls.TextOf(IDC_HELP_BUTTON), "?");
  EXPECT_EQ(controls.TextOf(IDC_SETTING_HEADER), "Impostazioni");
  EXPECT_EQ(controls.TextOf(IDC_APPLICATION_HEADER), "Applicazione");
  EXPECT_EQ(controls.TextOf(IDC_UPPER_MESSAGE).rfind("Alcune impostazioni sulla stampante", 0), 0u);
  EXPECT_EQ(controls.TextOf(IDC_LOWER_MESSAGE).size(), 250u);
}

TEST_F(PopulationTest, StepsRunInTheirFixedOrder) {
  MismatchReport report =
      MakeReport("P", "1234567890123456789", {kPathItem, kSizeItem, kMediaItem}, "30002", "1", "1024", "20002");
  Populate(report);

  // Every control text, in the order written.
  std::vector<int> textIds;
  for (const auto& call : controls.calls) {
    if (call.operation == "SetControlText") textIds.push_back(call.id);
  }
  EXPECT_EQ(textIds, (std::vector<int>{IDC_PORT_LABEL, IDC_PORT_LINE1, IDC_PORT_LINE2, IDC_UPPER_MESSAGE,
                                       IDC_LOWER_MESSAGE, IDC_SETTING_HEADER, IDC_APPLICATION_HEADER, IDC_RETRY,
                                       IDC_IGNORE, IDC_CANCEL_PRINTING, IDC_HELP_BUTTON}));

  // Title, then the columns, then the selector, its change handling, the port.
  const int title = controls.FirstCall("SetTitle", 0);
  const int lastSetting = controls.LastCall("ListInsert", IDC_SETTING_LIST);
  const int firstApplication = controls.FirstCall("ListInsert", IDC_APPLICATION_LIST);
  const int lastApplication = controls.LastCall("ListInsert", IDC_APPLICATION_LIST);
  const int firstPrinter = controls.FirstCall("ListInsert", IDC_PRINTER_LIST);
  const int firstEntry = controls.FirstCall("ComboAdd", IDC_TRAY_COMBO);
  const int secondEntry = controls.LastCall("ComboAdd", IDC_TRAY_COMBO);
  const int select = controls.FirstCall("ComboSelectString", IDC_TRAY_COMBO);
  const int readSelection = controls.FirstCall("ComboGetCurSel", IDC_TRAY_COMBO);
  const int refill = controls.FirstCall("ListDelete", IDC_PRINTER_LIST);
  const int lastRefill = controls.LastCall("ListInsert", IDC_PRINTER_LIST);
  const int portLabel = controls.FirstCall("SetControlText", IDC_PORT_LABEL);

  EXPECT_EQ(title, 0);
  EXPECT_LT(title, controls.FirstCall("ListInsert", IDC_SETTING_LIST));
  EXPECT_LT(lastSetting, firstApplication);
  EXPECT_LT(lastApplication, firstPrinter);
  EXPECT_LT(firstPrinter, firstEntry);
  EXPECT_LT(firstEntry, secondEntry);
  EXPECT_LT(secondEntry, select);
  EXPECT_LT(select, readSelection);
  EXPECT_LT(readSelection, refill);
  EXPECT_LT(lastRefill, portLabel);
}

TEST_F(PopulationTest, HelpFileNameIsSet) {
  MismatchReport report = SimpleReport({kPathItem});
  Populate(report);
  EXPECT_STREQ(state.helpFileName, "PCHKHELP.HLP");
  EXPECT_STREQ(state.helpFileName, kHelpFileName);
}

}  // namespace
}  // namespace paperchk
