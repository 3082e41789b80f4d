// The paper-check dialog as the user sees it: its texts for one, two and
// three items, the port lines, the tray selector, focus, tab order, the
// keys that must do nothing and its place on the screen.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "e2e_support.h"

#include <oleacc.h>

namespace e2e {
namespace {

using Rows = std::vector<std::wstring>;

const std::wstring kUpperTrayEntry = L"Stampante:Vassoio carta  ";
const std::wstring kLowerTrayEntry = L"Stampante:Vassoio carta (inferiore)";

void ExpectFixedTexts(HWND dialog) {
  EXPECT_EQ(drv::ControlText(dialog, IDC_PORT_LABEL), L"Porta : ");
  EXPECT_EQ(drv::ControlText(dialog, IDC_UPPER_MESSAGE), kUpperMessageText);
  EXPECT_EQ(drv::ControlText(dialog, IDC_LOWER_MESSAGE), kLowerMessageText);
  EXPECT_EQ(drv::ControlText(dialog, IDC_SETTING_HEADER), L"Impostazioni");
  EXPECT_EQ(drv::ControlText(dialog, IDC_APPLICATION_HEADER), L"Applicazione");
  EXPECT_EQ(drv::ControlText(dialog, IDC_RETRY), L"Riprova");
  EXPECT_EQ(drv::ControlText(dialog, IDC_IGNORE), L"Ignora");
  EXPECT_EQ(drv::ControlText(dialog, IDC_CANCEL_PRINTING), L"Annulla");
  EXPECT_EQ(drv::ControlText(dialog, IDC_HELP_BUTTON), L"?");
}

// ---------------------------------------------------------------------------
// Population

TEST(Population, ThreeItemReport) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::WindowText(dialog), L"Verifica carta Stampante Ufficio 2");
  EXPECT_EQ(drv::ListRows(dialog, IDC_SETTING_LIST), (Rows{L"Percorso carta ", L"Formato carta", L"Tipo supporto"}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_APPLICATION_LIST), (Rows{L"Vassoio carta  ", L"A4", L"Carta Comune"}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), CurrentTrayRows());
  EXPECT_EQ(drv::ComboEntries(dialog, IDC_TRAY_COMBO), (Rows{kLowerTrayEntry, kUpperTrayEntry}));
  EXPECT_EQ(drv::ComboSelection(dialog, IDC_TRAY_COMBO), 0);
  EXPECT_EQ(drv::ControlText(dialog, IDC_PORT_LINE1), L"LPT1:");
  EXPECT_EQ(drv::ControlText(dialog, IDC_PORT_LINE2), L"");
  ExpectFixedTexts(dialog);
  // Nothing is written before the user decides.
  EXPECT_FALSE(drv::FileExists(session.exchangePath()));
}

// The printer column keeps to the item count, even with a second tray.
TEST(Population, TwoItemReport) {
  Session session;
  HWND dialog = session.Open(WithItems(ThreeItemReport(), 2));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ListRows(dialog, IDC_SETTING_LIST), (Rows{L"Percorso carta ", L"Formato carta"}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_APPLICATION_LIST), (Rows{L"Vassoio carta  ", L"A4"}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), (Rows{L"Vassoio carta (inferiore)", L"A3"}));
  EXPECT_EQ(drv::ComboEntries(dialog, IDC_TRAY_COMBO), (Rows{kLowerTrayEntry, kUpperTrayEntry}));
  ExpectFixedTexts(dialog);
}

TEST(Population, OneItemReport) {
  Session session;
  HWND dialog = session.Open(WithItems(ThreeItemReport(), 1));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ListRows(dialog, IDC_SETTING_LIST), (Rows{L"Percorso carta "}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_APPLICATION_LIST), (Rows{L"Vassoio carta  "}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), (Rows{L"Vassoio carta (inferiore)"}));
  ExpectFixedTexts(dialog);
}

// Codes without a catalogue text: empty rows, except "Altro" in the
// application column; an empty-looking code (not a number) names text 0.
TEST(Population, CodesWithoutText) {
  Session session;
  paperchk_client::Request request = ThreeItemReport();
  request.items[0] = {258, 258, 258};
  request.items[1].printerValue = 50009;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(request, tail));
  ASSERT_TRUE(ReplaceOnce(tail, L"\\40002\\50009\\", L"\\40002\\x\\"));  // item 2's application value
  ASSERT_TRUE(session.StartWithTail(tail));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ListRows(dialog, IDC_SETTING_LIST), (Rows{L"", L"Formato carta", L"Tipo supporto"}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_APPLICATION_LIST), (Rows{L"Altro", L"Altro", L"Carta Comune"}));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), (Rows{L"", L"A4", L"Carta patinata lucida 720 dpi"}));
}

// A printer name with spaces and non-quote first and last characters: the
// first and last characters go whatever they are.
TEST(Population, PrinterNameLosesItsFirstAndLastCharacter) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  ASSERT_TRUE(ReplaceOnce(tail, L"\"Stampante Ufficio 2\"", L"XLaser di reparto 3Y"));
  ASSERT_TRUE(session.StartWithTail(tail));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::WindowText(dialog), L"Verifica carta Laser di reparto 3");
}

// A port as the driver knows it (a network path with its backslashes) and
// the two lines the dialog shows.
struct PortCase {
  const wchar_t* name;  // cppcheck-suppress unusedStructMember ; read through GetParam()
  std::string port;  // cppcheck-suppress unusedStructMember ; read through GetParam()
  std::wstring line1;  // cppcheck-suppress unusedStructMember ; read through GetParam()
  std::wstring line2;  // cppcheck-suppress unusedStructMember ; read through GetParam()
};

class PortLines : public ::testing::TestWithParam<PortCase> {};

TEST_P(PortLines, SplitIntoTwoLines) {
  Session session;
  paperchk_client::Request request = ThreeItemReport();
  request.port = GetParam().port;
  HWND dialog = session.Open(request);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ControlText(dialog, IDC_PORT_LABEL), L"Porta : ");
  EXPECT_EQ(drv::ControlText(dialog, IDC_PORT_LINE1), GetParam().line1);
  EXPECT_EQ(drv::ControlText(dialog, IDC_PORT_LINE2), GetParam().line2);
}

INSTANTIATE_TEST_SUITE_P(
    E2E, PortLines,
    ::testing::Values(PortCase{L"Short", "USB 001", L"USB 001", L""},
                      PortCase{L"Exactly15", "ABCDEFGHIJKLMNO", L"ABCDEFGHIJKLMNO", L""},
                      PortCase{L"Of16", "ABCDEFGHIJKLMNOP", L"ABCDEFGHIJKLMNO", L"P"},
                      PortCase{L"Of27", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0", L"ABCDEFGHIJKLMNO", L"PQRSTUVWXYZ0"},
                      PortCase{L"Of28", "ABCDEFGHIJKLMNOPQRSTUVWXYZ01", L"ABCDEFGHIJKLMNO", L"PQRSTUVWXYZ0..."},
                      PortCase{L"NetworkPath", "\\\\printserver01\\office-laser-2", L"\\\\printserver01",
                               L"\\office-lase..."},
                      PortCase{L"ShortNetworkPath", "\\\\srv\\q", L"\\\\srv\\q", L""},
                      PortCase{L"OneLeadingComma", ",lpt1,x", L",lpt1,x", L""}),
    [](const ::testing::TestParamInfo<PortCase>& testCase) { return drv::Utf8(testCase.param.name); });

// ---------------------------------------------------------------------------
// Tray selector

TEST(TraySelector, OtherTrayAndBack) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  const Rows settings = drv::ListRows(dialog, IDC_SETTING_LIST);
  const Rows application = drv::ListRows(dialog, IDC_APPLICATION_LIST);

  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 1));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), OtherTrayRows());
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 0));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), CurrentTrayRows());
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 1));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), OtherTrayRows());

  EXPECT_EQ(drv::ListRows(dialog, IDC_SETTING_LIST), settings);
  EXPECT_EQ(drv::ListRows(dialog, IDC_APPLICATION_LIST), application);
  EXPECT_FALSE(drv::FileExists(session.exchangePath()));
}

// The same with the keyboard: a click opens the list, Esc closes it, the
// arrow keys change the selection.
TEST(TraySelector, OtherTrayAndBackWithTheKeyboard) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  HWND combo = GetDlgItem(dialog, IDC_TRAY_COMBO);
  ASSERT_TRUE(drv::ClickWindowCentre(Input(), combo));
  ASSERT_TRUE(drv::WaitUntil([&] { return drv::KeyboardFocus(dialog) == combo; }, 3000))
      << "the click did not give the tray selector the focus";
  ASSERT_TRUE(Input().Press(drv::Key::Escape));
  ASSERT_TRUE(Input().Press(drv::Key::Down));
  EXPECT_TRUE(drv::WaitUntil([&] { return drv::ListRows(dialog, IDC_PRINTER_LIST) == OtherTrayRows(); }, 3000))
      << ::testing::PrintToString(drv::ListRows(dialog, IDC_PRINTER_LIST));
  EXPECT_EQ(drv::ComboSelection(dialog, IDC_TRAY_COMBO), 1);
  ASSERT_TRUE(Input().Press(drv::Key::Up));
  EXPECT_TRUE(drv::WaitUntil([&] { return drv::ListRows(dialog, IDC_PRINTER_LIST) == CurrentTrayRows(); }, 3000))
      << ::testing::PrintToString(drv::ListRows(dialog, IDC_PRINTER_LIST));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
}

// With the upper tray current, the other tray is the lower one.
TEST(TraySelector, UpperTrayCurrent) {
  Session session;
  paperchk_client::Request request = ThreeItemReport();
  request.items[0].printerValue = 30002;
  request.paperSource = 30002;
  request.otherTraySize = 256;
  request.otherTrayMedia = 20005;
  HWND dialog = session.Open(request);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ComboEntries(dialog, IDC_TRAY_COMBO), (Rows{kUpperTrayEntry, kLowerTrayEntry}));
  EXPECT_EQ(drv::ComboSelection(dialog, IDC_TRAY_COMBO), 0);
  const Rows current{L"Vassoio carta  ", L"A3", L"Carta patinata lucida 720 dpi"};
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), current);
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 1));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST),
            (Rows{L"Vassoio carta (inferiore)", L"A3", L"Carta patinata lucida 720 dpi"}));
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 0));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), current);
}

class ManualFeed : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(ManualFeed, SingleEntryAndChoosingItChangesNothing) {
  Session session;
  paperchk_client::Request request = ThreeItemReport();
  request.paperSource = GetParam();
  request.items[0].printerValue = GetParam();
  HWND dialog = session.Open(request);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ComboEntries(dialog, IDC_TRAY_COMBO), (Rows{L"Stampante:Alimentazione Manuale"}));
  EXPECT_EQ(drv::ComboSelection(dialog, IDC_TRAY_COMBO), 0);
  const Rows printer{L"Alimentazione Manuale", L"A3", L"Carta patinata lucida 720 dpi"};
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), printer);
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 0));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), printer);
}

INSTANTIATE_TEST_SUITE_P(E2E, ManualFeed, ::testing::Values(30001u, 30004u),
                         [](const ::testing::TestParamInfo<std::uint32_t>& testCase) {
                           return "Source" + std::to_string(testCase.param);
                         });

TEST(TraySelector, OneTrayPrinterChangesNothing) {
  Session session;
  HWND dialog = session.Open(*SampleRequest("auto-select"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ComboEntries(dialog, IDC_TRAY_COMBO), (Rows{L"Stampante:Selezione automatica"}));
  const Rows printer{L"Selezione automatica", L"A3", L"Carta patinata lucida 720 dpi"};
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), printer);
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 0));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), printer);
}

// A paper source without text: the bare prefix is the first entry, the
// second entry is selected and the other tray is shown from the start.
TEST(TraySelector, UnknownPaperSourceShowsTheOtherTrayFirst) {
  Session session;
  HWND dialog = session.Open(*SampleRequest("unknown-source"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ComboEntries(dialog, IDC_TRAY_COMBO), (Rows{L"Stampante:", kUpperTrayEntry}));
  EXPECT_EQ(drv::ComboSelection(dialog, IDC_TRAY_COMBO), 1);
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), OtherTrayRows());
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 0));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), CurrentTrayRows());
}

// The one-item report's printer column keeps one row for either tray.
TEST(TraySelector, OneItemReportKeepsOneRow) {
  Session session;
  HWND dialog = session.Open(WithItems(ThreeItemReport(), 1));
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 1));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), (Rows{L"Vassoio carta  "}));
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 0));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), (Rows{L"Vassoio carta (inferiore)"}));
}

// A paper source naming the 250-character text 115 makes an entry of 260
// characters: it is cut to 255, and still counts as the current tray.
TEST(TraySelector, OverlongEntryIsCutTo255Characters) {
  Session session;
  paperchk_client::Request request = ThreeItemReport();
  request.paperSource = 115;
  HWND dialog = session.Open(request);
  ASSERT_NE(dialog, nullptr);
  const std::wstring full = std::wstring(L"Stampante:") + kLowerMessageText;
  ASSERT_EQ(full.size(), 260u);
  EXPECT_EQ(drv::ComboEntries(dialog, IDC_TRAY_COMBO), (Rows{full.substr(0, 255), kUpperTrayEntry}));
  EXPECT_EQ(drv::ComboSelection(dialog, IDC_TRAY_COMBO), 0);
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), CurrentTrayRows());
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 1));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), OtherTrayRows());
  ASSERT_TRUE(drv::ChooseComboEntry(dialog, IDC_TRAY_COMBO, 0));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), CurrentTrayRows());
}

// ---------------------------------------------------------------------------
// Window behaviour

TEST(Window, InitialFocusOnIgnora) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(drv::WaitUntil([&] { return drv::FocusedControlId(dialog) == IDC_IGNORE; }, 3000))
      << "focus on control " << drv::FocusedControlId(dialog);
  EXPECT_EQ(GetForegroundWindow(), dialog);
}

TEST(Window, TabCyclesThroughTheFourButtons) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::WaitUntil([&] { return drv::FocusedControlId(dialog) == IDC_IGNORE; }, 3000));
  for (int expected : {IDC_CANCEL_PRINTING, IDC_RETRY, IDC_HELP_BUTTON, IDC_IGNORE, IDC_CANCEL_PRINTING}) {
    ASSERT_TRUE(Input().Press(drv::Key::Tab));
    EXPECT_TRUE(drv::WaitUntil([&] { return drv::FocusedControlId(dialog) == expected; }, 3000))
        << "expected control " << expected << ", focus on " << drv::FocusedControlId(dialog);
  }
  // And backwards.
  for (int expected : {IDC_IGNORE, IDC_HELP_BUTTON}) {
    ASSERT_TRUE(Input().Press(drv::Key::ShiftTab));
    EXPECT_TRUE(drv::WaitUntil([&] { return drv::FocusedControlId(dialog) == expected; }, 3000))
        << "expected control " << expected << ", focus on " << drv::FocusedControlId(dialog);
  }
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
}

// The name a screen reader gives a list or combo box: walking back from it
// (GW_HWNDPREV), the first static control's text if it is a text (a picture
// gives none); none either when a group start with a tab stop comes first.
std::optional<std::wstring> ScreenReaderName(HWND control) {
  for (HWND window = GetWindow(control, GW_HWNDPREV); window; window = GetWindow(window, GW_HWNDPREV)) {
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    if (drv::ClassNameOf(window) == L"Static") {
      const DWORD type = style & SS_TYPEMASK;  // SS_LEFT, SS_CENTER, SS_RIGHT are 0 to 2
      if (type > SS_RIGHT && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) return std::nullopt;
      return drv::WindowText(window);
    }
    if ((style & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP)) return std::nullopt;
  }
  return std::nullopt;
}

TEST(Window, ScreenReaderNamesTheListsAndTheTraySelector) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  for (const auto& [control, name] : {std::pair{IDC_SETTING_LIST, L"Impostazioni"}, {IDC_APPLICATION_LIST, L"Applicazione"},
                                      {IDC_PRINTER_LIST, L"Stampante:"}, {IDC_TRAY_COMBO, L"Stampante:"}}) {
    EXPECT_EQ(ScreenReaderName(GetDlgItem(dialog, control)), std::optional<std::wstring>(name)) << control;
  }
}

// The names the accessibility layer itself gives (what a screen reader
// reads): the three lists, the tray selector and, after "Riprova", the wait
// box. Only Windows walks the controls as described above.
std::optional<std::wstring> AccessibleName(HWND window, LONG object) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(object), IID_IAccessible,
                                        reinterpret_cast<void**>(&accessible))) ||
      accessible == nullptr) {
    return std::nullopt;
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  const HRESULT got = accessible->get_accName(self, &name);
  accessible->Release();
  if (got != S_OK || name == nullptr) return std::nullopt;
  std::wstring text(name, SysStringLen(name));
  SysFreeString(name);
  return text;
}

TEST(Window, AccessibilityLayerNamesTheListsTheTraySelectorAndTheWaitBox) {
  if (drv::RunningUnderWine()) {
    GTEST_SKIP() << "Wine's accessibility layer names a control by its own window text, not by the walk back "
                    "Windows does; Window.ScreenReaderNamesTheListsAndTheTraySelector is the check here";
  }
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  for (const auto& [control, name] : {std::pair{IDC_SETTING_LIST, L"Impostazioni"}, {IDC_APPLICATION_LIST, L"Applicazione"},
                                      {IDC_PRINTER_LIST, L"Stampante:"}, {IDC_TRAY_COMBO, L"Stampante:"}}) {
    EXPECT_EQ(AccessibleName(GetDlgItem(dialog, control), OBJID_CLIENT), std::optional<std::wstring>(name)) << control;
  }
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_RETRY));
  HWND box = session.WaitForWaitBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(AccessibleName(box, OBJID_WINDOW), std::optional<std::wstring>(kWaitMessageText));
  ASSERT_TRUE(drv::WriteCompletionFlag(session.exchangePath(), 1));
  EXPECT_TRUE(session.EndsWithStatusZero());
  if (SUCCEEDED(com)) CoUninitialize();
}

TEST(Window, CentredOnTheScreen) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(CentredOnTheWorkArea(dialog));
}

// The window menu's Move is grayed: choosing it from the keyboard (Alt+Space,
// M, arrows) must not move the dialog. (Another process cannot read
// the menu under Wine, so the menu is checked through what it does.)
TEST(Window, WindowMenuCannotMoveTheDialog) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  RECT before, after;
  ASSERT_TRUE(GetWindowRect(dialog, &before));
  ASSERT_TRUE(drv::ActivateByClick(Input(), dialog));
  ASSERT_TRUE(Input().Press(drv::Key::AltSpace));
  ASSERT_TRUE(drv::WaitUntil([&] { return !drv::TopLevelWindows(session.process().id(), L"#32768", true).empty(); },
                             3000))
      << "Alt+Space opened no window menu";
  ASSERT_TRUE(Input().PressCharacter('m'));
  // Move would start the keyboard move loop, in which arrow keys move the
  // window; refused, the loop never starts.
  EXPECT_FALSE(drv::WaitUntil([&] { return drv::InMoveOrSize(dialog); }, 1000)) << "the move loop started";
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Input().Press(drv::Key::Down));
  Sleep(kSettleMs);
  ASSERT_TRUE(GetWindowRect(dialog, &after));
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top) << "the dialog moved by " << (after.top - before.top) << " pixels";
  // Leave whatever menu or mode is still open.
  ASSERT_TRUE(Input().Press(drv::Key::Escape));
  ASSERT_TRUE(Input().Press(drv::Key::Escape));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
}

// Close from the window menu (Alt+Space, C) does nothing either.
TEST(Window, WindowMenuCannotCloseTheDialog) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ActivateByClick(Input(), dialog));
  ASSERT_TRUE(Input().Press(drv::Key::AltSpace));
  ASSERT_TRUE(drv::WaitUntil([&] { return !drv::TopLevelWindows(session.process().id(), L"#32768", true).empty(); },
                             3000))
      << "Alt+Space opened no window menu";
  ASSERT_TRUE(Input().PressCharacter('c'));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
  ASSERT_TRUE(Input().Press(drv::Key::Escape));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
}

TEST(Window, AltF4DoesNothing) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ActivateByClick(Input(), dialog));
  ASSERT_TRUE(Input().Press(drv::Key::AltF4));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
}

TEST(Window, CloseCommandDoesNothing) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
  ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
}

TEST(Window, EscapeDoesNothing) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ActivateByClick(Input(), dialog));
  ASSERT_TRUE(Input().Press(drv::Key::Escape));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
  EXPECT_EQ(drv::FocusedControlId(dialog), IDC_IGNORE);
}

// Enter while the tray selector (no push button) has the focus.
TEST(Window, EnterWithTheTraySelectorFocusedDoesNothing) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  HWND combo = GetDlgItem(dialog, IDC_TRAY_COMBO);
  ASSERT_TRUE(drv::ClickWindowCentre(Input(), combo));
  ASSERT_TRUE(drv::WaitUntil([&] { return drv::KeyboardFocus(dialog) == combo; }, 3000));
  ASSERT_TRUE(Input().Press(drv::Key::Escape));  // closes the open list only
  ASSERT_TRUE(StaysOpenAndUntouched(session, dialog));
  ASSERT_EQ(drv::KeyboardFocus(dialog), combo);
  ASSERT_TRUE(Input().Press(drv::Key::Return));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
  EXPECT_EQ(drv::ListRows(dialog, IDC_PRINTER_LIST), CurrentTrayRows());
}

// A click into any list hands the focus back to "Ignora", wherever it was.
TEST(Window, ClickIntoAListLeavesTheFocusOnIgnora) {
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ActivateByClick(Input(), dialog));
  for (int list : {IDC_SETTING_LIST, IDC_APPLICATION_LIST, IDC_PRINTER_LIST}) {
    ASSERT_TRUE(Input().Press(drv::Key::Tab));
    ASSERT_TRUE(drv::WaitUntil([&] { return drv::FocusedControlId(dialog) != IDC_IGNORE; }, 3000));
    ASSERT_TRUE(drv::ClickWindowCentre(Input(), GetDlgItem(dialog, list)));
    Sleep(300);
    EXPECT_TRUE(drv::WaitUntil([&] { return drv::FocusedControlId(dialog) == IDC_IGNORE; }, 3000))
        << "list " << list << ": focus on control " << drv::FocusedControlId(dialog);
  }
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
}

}  // namespace
}  // namespace e2e
