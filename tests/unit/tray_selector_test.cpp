// The tray selector: the printer column shows the current or the other tray.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialog/paper_check_logic.h"
#include "resources/resource_ids.h"
#include "resources/text_catalogue.h"
#include "support/fake_controls.h"
#include "support/fakes.h"

namespace paperchk {
namespace {

using fakes::FakeControls;
using fakes::MakeReport;
using fakes::ReportItemCodes;
using fakes::SetField;
using Rows = std::vector<std::string>;

const ReportItemCodes kPathItem{"40001", "30001", "30002"};     // printer: upper tray
const ReportItemCodes kLowerPathItem{"40001", "30001", "30005"};  // printer: lower tray
const ReportItemCodes kSizeItem{"40002", "50009", "2048"};      // A4 vs Letter
const ReportItemCodes kMediaItem{"40003", "20004", "20001"};    // photo paper vs plain

// Other tray: B5, "Carta speciale 360 dpi".
constexpr char kOtherSize[] = "1024";
constexpr char kOtherMedia[] = "20002";

class TraySelectorTest : public ::testing::Test {
 protected:
  void Start(const std::vector<ReportItemCodes>& items, const char* source, const char* twoTrayFlag) {
    report = MakeReport("P", "LPT1:", items, source, twoTrayFlag, kOtherSize, kOtherMedia);
    PopulatePaperCheck(report, catalogue, controls, state);
    settingRows = controls.Rows(IDC_SETTING_LIST);
    applicationRows = controls.Rows(IDC_APPLICATION_LIST);
  }

  // The user picks an entry; the platform then notifies the change.
  void Pick(int entry) {
    controls.SelectEntry(IDC_TRAY_COMBO, entry);
    OnTraySelectionChanged(report, catalogue, controls, state);
  }

  void ExpectOtherColumnsUnchanged() {
    EXPECT_EQ(controls.Rows(IDC_SETTING_LIST), settingRows);
    EXPECT_EQ(controls.Rows(IDC_APPLICATION_LIST), applicationRows);
  }

  BuiltInTextCatalogue catalogue;
  FakeControls controls;
  PaperCheckState state;
  MismatchReport report{};
  Rows settingRows;
  Rows applicationRows;
};

TEST_F(TraySelectorTest, UpperTraySwitchesToTheLowerTrayAndBack) {
  Start({kPathItem, kSizeItem, kMediaItem}, "30002", "1");
  const Rows reportValues{"Vassoio carta  ", "Letter", "Carta Comune"};
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), reportValues);

  Pick(1);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)", "B5", "Carta speciale 360 dpi"}));
  ExpectOtherColumnsUnchanged();

  Pick(0);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), reportValues);
  ExpectOtherColumnsUnchanged();
}

TEST_F(TraySelectorTest, LowerTraySwitchesToTheUpperTray) {
  Start({kLowerPathItem, kSizeItem, kMediaItem}, "30005", "1");
  Pick(1);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "B5", "Carta speciale 360 dpi"}));
  Pick(0);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)", "Letter", "Carta Comune"}));
}

TEST_F(TraySelectorTest, OtherTraysPathIsDecidedFromItemOnesPrinterValue) {
  // The selector offers the lower tray (source 30002), but item 1's printer
  // value is not 30002, so the other tray's path reads as the upper tray.
  Start({kLowerPathItem, kSizeItem, kMediaItem}, "30002", "1");
  ASSERT_EQ(controls.Entries(IDC_TRAY_COMBO)[1], "Stampante:Vassoio carta (inferiore)");
  Pick(1);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST)[0], "Vassoio carta  ");

  // The first row is the paper path whatever item 1's setting is.
  FakeControls sizeFirst;
  PaperCheckState sizeFirstState;
  MismatchReport sizeReport = MakeReport("P", "", {kSizeItem, kMediaItem}, "30002", "1", kOtherSize, kOtherMedia);
  PopulatePaperCheck(sizeReport, catalogue, sizeFirst, sizeFirstState);
  sizeFirst.SelectEntry(IDC_TRAY_COMBO, 1);
  OnTraySelectionChanged(sizeReport, catalogue, sizeFirst, sizeFirstState);
  EXPECT_EQ(sizeFirst.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "B5"}));
}

TEST_F(TraySelectorTest, ManualFeedIgnoresTheSelector) {
  for (const char* source : {"30001", "30004"}) {
    FakeControls manual;
    PaperCheckState manualState;
    MismatchReport manualReport =
        MakeReport("P", "LPT1:", {kPathItem, kSizeItem, kMediaItem}, source, "1", kOtherSize, kOtherMedia);
    PopulatePaperCheck(manualReport, catalogue, manual, manualState);
    const std::size_t callsBefore = manual.calls.size();

    manual.SelectEntry(IDC_TRAY_COMBO, 0);
    OnTraySelectionChanged(manualReport, catalogue, manual, manualState);
    EXPECT_EQ(manual.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"})) << source;
    // Only the selection was read.
    ASSERT_EQ(manual.calls.size(), callsBefore + 2) << source;
    EXPECT_EQ(manual.calls[callsBefore].operation, "ComboGetCurSel");
    EXPECT_EQ(manual.calls[callsBefore + 1].operation, "ComboGetText");
  }
}

TEST_F(TraySelectorTest, OneTrayIgnoresTheSelector) {
  Start({kPathItem, kSizeItem, kMediaItem}, "30006", "0");
  ASSERT_EQ(controls.Entries(IDC_TRAY_COMBO).size(), 1u);
  Pick(0);
  EXPECT_EQ(controls.CountCalls("ListDelete", IDC_PRINTER_LIST), 0);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"}));
}

TEST_F(TraySelectorTest, SourceWithoutTextStartsOnTheOtherTray) {
  Start({kPathItem, kSizeItem, kMediaItem}, "29999", "1");
  ASSERT_EQ(controls.Selected(IDC_TRAY_COMBO), 1);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)", "B5", "Carta speciale 360 dpi"}));

  Pick(0);  // "Stampante:" alone
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"}));
  ExpectOtherColumnsUnchanged();
}

TEST_F(TraySelectorTest, RowsAreReplacedOneAtATimeByDeleteThenInsert) {
  Start({kPathItem, kSizeItem, kMediaItem}, "30002", "1");
  const std::size_t start = controls.calls.size();
  Pick(1);

  std::vector<FakeControls::Call> listCalls;
  for (std::size_t i = start; i < controls.calls.size(); ++i) {
    if (controls.calls[i].id == IDC_PRINTER_LIST) listCalls.push_back(controls.calls[i]);
  }
  const std::vector<FakeControls::Call> expected = {
      {"ListDelete", IDC_PRINTER_LIST, 0, ""}, {"ListInsert", IDC_PRINTER_LIST, 0, "Vassoio carta (inferiore)"},
      {"ListDelete", IDC_PRINTER_LIST, 1, ""}, {"ListInsert", IDC_PRINTER_LIST, 1, "B5"},
      {"ListDelete", IDC_PRINTER_LIST, 2, ""}, {"ListInsert", IDC_PRINTER_LIST, 2, "Carta speciale 360 dpi"},
  };
  EXPECT_EQ(listCalls, expected);
}

TEST_F(TraySelectorTest, RefillStaysWithinTheReportsItems) {
  Start({kPathItem}, "30002", "1");
  Pick(1);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)"}));
  Pick(0);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  "}));
  EXPECT_EQ(controls.Rows(IDC_SETTING_LIST).size(), 1u);

  FakeControls two;
  PaperCheckState twoState;
  MismatchReport twoReport = MakeReport("P", "LPT1:", {kPathItem, kSizeItem}, "30002", "1", kOtherSize, kOtherMedia);
  PopulatePaperCheck(twoReport, catalogue, two, twoState);
  two.SelectEntry(IDC_TRAY_COMBO, 1);
  OnTraySelectionChanged(twoReport, catalogue, two, twoState);
  EXPECT_EQ(two.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)", "B5"}));
  for (const auto& call : two.calls) {
    if (call.id == IDC_PRINTER_LIST) {
      EXPECT_LT(call.position, 2) << call;
    }
  }
}

TEST_F(TraySelectorTest, CodesWithoutTextGiveEmptyRowsNotAltro) {
  report = MakeReport("P", "LPT1:", {{"40001", "30001", "30002"}, {"40002", "258", "258"}, kMediaItem}, "30002",
                      "1", "258", "");
  PopulatePaperCheck(report, catalogue, controls, state);
  EXPECT_EQ(controls.Rows(IDC_APPLICATION_LIST)[1], "Altro");
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST)[1], "");

  Pick(1);
  // Size 258 has no text; empty media names text 0.
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)", "", "Altro"}));
  Pick(0);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "", "Carta Comune"}));
}

TEST_F(TraySelectorTest, CurrentTrayIsRecognisedByExactCaseSensitiveText) {
  Start({kPathItem, kSizeItem, kMediaItem}, "30002", "1");
  // An entry that differs only in case is another tray.
  controls.ComboAdd(IDC_TRAY_COMBO, "STAMPANTE:VASSOIO CARTA  ");
  Pick(2);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST)[0], "Vassoio carta (inferiore)");
  // So is one that only starts with the current tray's text.
  controls.ComboAdd(IDC_TRAY_COMBO, "Stampante:Vassoio carta  x");
  Pick(0);
  Pick(3);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST)[0], "Vassoio carta (inferiore)");
}

TEST_F(TraySelectorTest, SelectedTextIsReadIntoA255CharacterBuffer) {
  Start({kPathItem, kSizeItem, kMediaItem}, "30002", "1");
  const std::string current(255, 'c');
  SetField(state.currentTrayText, current);
  // The platform hands back the whole entry; only 255 characters count.
  controls.ComboAdd(IDC_TRAY_COMBO, (current + "tail beyond the buffer").c_str());
  Pick(2);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta  ", "Letter", "Carta Comune"}));

  controls.ComboAdd(IDC_TRAY_COMBO, std::string(254, 'c').c_str());
  Pick(3);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST)[0], "Vassoio carta (inferiore)");
}

TEST_F(TraySelectorTest, NothingSelectedReadsAsAnotherTray) {
  Start({kPathItem, kSizeItem, kMediaItem}, "30002", "1");
  Pick(-1);
  EXPECT_EQ(controls.Rows(IDC_PRINTER_LIST), (Rows{"Vassoio carta (inferiore)", "B5", "Carta speciale 360 dpi"}));
}

}  // namespace
}  // namespace paperchk
