// The tray selector: the printer column shows the current or the other tray.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog/paper_check_logic.h"
#include "resources/text_catalogue.h"
#include "support/fakes.h"
#include "support/view_texts.h"

namespace paperchk {
namespace {

using fakes::MakeReport;
using fakes::ReportItemCodes;
using fakes::Rows;
using fakes::RowsOf;
using fakes::SetField;

const ReportItemCodes kPathItem{"40001", "30001", "30002"};       // printer: upper tray
const ReportItemCodes kLowerPathItem{"40001", "30001", "30005"};  // printer: lower tray
const ReportItemCodes kSizeItem{"40002", "50009", "2048"};        // A4 vs Letter
const ReportItemCodes kMediaItem{"40003", "20004", "20001"};      // photo paper vs plain

// Other tray: B5, "Carta speciale 360 dpi".
constexpr char kOtherSize[] = "1024";
constexpr char kOtherMedia[] = "20002";

const Rows kReportValues{"Vassoio carta  ", "Letter", "Carta Comune"};
const Rows kLowerTrayValues{"Vassoio carta (inferiore)", "B5", "Carta speciale 360 dpi"};

class TraySelectorTest : public ::testing::Test {
 protected:
  void Start(const std::vector<ReportItemCodes>& items, const char* source, const char* twoTrayFlag) {
    report = MakeReport("P", "LPT1:", items, source, twoTrayFlag, kOtherSize, kOtherMedia);
    view = ViewPaperCheck(report, catalogue, state);
  }

  // The user picks an entry of the list as it stands (an index outside it
  // chooses none); the printer column follows when the handling says so.
  // Returns whether the column was given new rows.
  bool Pick(int entry) { return Choose(entry >= 0 && entry < view.trays.count ? view.trays.entries[entry] : ""); }
  // As Pick, for an entry the list holds with this text.
  bool Choose(const TextBuffer& entryText) {
    return PrinterColumnForTray(report, catalogue, state, entryText, view.printerValues);
  }

  Rows PrinterRows() const { return RowsOf(view.printerValues); }

  BuiltInTextCatalogue catalogue;
  PaperCheckState state;
  MismatchReport report{};
  PaperCheckView view;
};

TEST_F(TraySelectorTest, UpperTraySwitchesToTheLowerTrayAndBack) {
  Start({kPathItem, kSizeItem, kMediaItem}, "30002", "1");
  EXPECT_EQ(PrinterRows(), kReportValues);
  EXPECT_TRUE(Pick(1));
  EXPECT_EQ(PrinterRows(), kLowerTrayValues);
  EXPECT_TRUE(Pick(0));
  EXPECT_EQ(PrinterRows(), kReportValues);
}

TEST_F(TraySelectorTest, LowerTraySwitchesToTheUpperTray) {
  Start({kLowerPathItem, kSizeItem, kMediaItem}, "30005", "1");
  Pick(1);
  EXPECT_EQ(PrinterRows(), (Rows{"Vassoio carta  ", "B5", "Carta speciale 360 dpi"}));
  Pick(0);
  EXPECT_EQ(PrinterRows(), (Rows{"Vassoio carta (inferiore)", "Letter", "Carta Comune"}));
}

TEST_F(TraySelectorTest, OtherTraysPathIsDecidedFromItemOnesPrinterValue) {
  // The selector offers the lower tray (source 30002), but item 1's printer
  // value is not 30002, so the other tray's path reads as the upper tray.
  Start({kLowerPathItem, kSizeItem, kMediaItem}, "30002", "1");
  ASSERT_EQ(view.trays.entries[1], "Stampante:Vassoio carta (inferiore)");
  Pick(1);
  EXPECT_EQ(PrinterRows()[0], "Vassoio carta  ");

  // The first row is the paper path whatever item 1's setting is.
  Start({kSizeItem, kMediaItem}, "30002", "1");
  Pick(1);
  EXPECT_EQ(PrinterRows(), (Rows{"Vassoio carta  ", "B5"}));
}

TEST_F(TraySelectorTest, ManualFeedOrOneTrayLeavesThePrinterColumnAlone) {
  for (const char* source : {"30001", "30004"}) {
    Start({kPathItem, kSizeItem, kMediaItem}, source, "1");
    EXPECT_FALSE(Pick(0)) << source;
    EXPECT_FALSE(Choose("Stampante:Vassoio carta (inferiore)")) << source;
    EXPECT_EQ(PrinterRows(), kReportValues) << source;
  }
  for (const char* flag : {"0", "2", ""}) {
    Start({kPathItem, kSizeItem, kMediaItem}, "30002", flag);
    EXPECT_FALSE(Pick(0)) << flag;
    EXPECT_FALSE(Choose("Stampante:Vassoio carta (inferiore)")) << flag;
    EXPECT_EQ(PrinterRows(), kReportValues) << flag;
  }
}

TEST_F(TraySelectorTest, SourceWithoutTextStartsOnTheOtherTray) {
  Start({kPathItem, kSizeItem, kMediaItem}, "29999", "1");
  ASSERT_EQ(view.trays.chosen, 1);
  EXPECT_EQ(PrinterRows(), kLowerTrayValues);
  Pick(0);  // "Stampante:" alone
  EXPECT_EQ(PrinterRows(), kReportValues);
}

TEST_F(TraySelectorTest, RefillStaysWithinTheReportsItems) {
  Start({kPathItem}, "30002", "1");
  Pick(1);
  EXPECT_EQ(PrinterRows(), (Rows{"Vassoio carta (inferiore)"}));
  Pick(0);
  EXPECT_EQ(PrinterRows(), (Rows{"Vassoio carta  "}));

  Start({kPathItem, kSizeItem}, "30002", "1");
  Pick(1);
  EXPECT_EQ(PrinterRows(), (Rows{"Vassoio carta (inferiore)", "B5"}));
}

TEST_F(TraySelectorTest, CodesWithoutTextGiveEmptyRowsNotAltro) {
  report = MakeReport("P", "LPT1:", {{"40001", "30001", "30002"}, {"40002", "258", "258"}, kMediaItem}, "30002",
                      "1", "258", "");
  view = ViewPaperCheck(report, catalogue, state);
  EXPECT_EQ(view.applicationValues.rows[1], "Altro");
  EXPECT_EQ(PrinterRows()[1], "");

  Pick(1);
  // Size 258 has no text; empty media names text 0.
  EXPECT_EQ(PrinterRows(), (Rows{"Vassoio carta (inferiore)", "", "Altro"}));
  Pick(0);
  EXPECT_EQ(PrinterRows(), (Rows{"Vassoio carta  ", "", "Carta Comune"}));
}

// Which tray an entry's text stands for: the current one only for exactly
// its text, as read into a 255-character buffer.
TEST_F(TraySelectorTest, CurrentTrayIsRecognisedByExactCaseSensitiveText) {
  Start({kPathItem, kSizeItem, kMediaItem}, "30002", "1");
  const struct {
    std::string entry;
    bool current;
  } kEntries[] = {
      {"Stampante:Vassoio carta  ", true},
      {"STAMPANTE:VASSOIO CARTA  ", false},   // differs only in case
      {"Stampante:Vassoio carta  x", false},  // only starts with it
      {"", false},                            // nothing chosen
  };
  for (const auto& entry : kEntries) {
    ASSERT_TRUE(Choose(entry.entry.c_str())) << entry.entry;
    EXPECT_EQ(PrinterRows(), entry.current ? kReportValues : kLowerTrayValues) << entry.entry;
  }

  const std::string current(255, 'c');
  SetField(state.currentTrayText, current);
  Choose((current + "tail beyond the buffer").c_str());  // only 255 characters count
  EXPECT_EQ(PrinterRows(), kReportValues);
  Choose(std::string(254, 'c').c_str());
  EXPECT_EQ(PrinterRows(), kLowerTrayValues);
}

}  // namespace
}  // namespace paperchk
