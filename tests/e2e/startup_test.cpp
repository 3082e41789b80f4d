// Start-up: the command lines paperchk must refuse with its start-up error,
// and the ones it must accept.

#include <string>

#include "e2e_support.h"

namespace e2e {
namespace {

// Expects the start-up error box, closes it (by pressing Enter, as a person
// would), and checks that the process ends with status 0 without ever
// showing the dialog or touching the scratch directory.
void ExpectStartupError(Session& session) {
  HWND box = session.WaitForMessageBox(kStartupErrorCaption);
  ASSERT_NE(box, nullptr) << "no start-up error box; paperchk's dialogs came with the captions "
                         << ::testing::PrintToString(session.VisibleDialogCaptions());
  EXPECT_EQ(drv::WindowText(box), kStartupErrorCaption);
  const std::vector<std::wstring> statics = drv::ChildTexts(box, L"Static");
  EXPECT_NE(std::find(statics.begin(), statics.end(), std::wstring(kStartupErrorText)), statics.end())
      << "texts of the box: " << ::testing::PrintToString(statics);
  // One OK button and nothing else to press.
  const std::vector<std::wstring> buttons = drv::ChildTexts(box, L"Button");
  EXPECT_EQ(buttons.size(), 1u) << ::testing::PrintToString(buttons);
  EXPECT_EQ(session.WaitForMainDialog(0), nullptr);

  ASSERT_TRUE(drv::ActivateByClick(Input(), box));
  ASSERT_TRUE(Input().Press(drv::Key::Return));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_TRUE(session.scratch().List().empty()) << "files were created next to the exchange path";
}

std::wstring Repeat(wchar_t c, std::size_t n) { return std::wstring(n, c); }

TEST(StartupError, OnlyTheProgramPath) {
  Session session;
  ASSERT_TRUE(session.StartWithCommandLine(g_paperchkPath));
  ExpectStartupError(session);
}

TEST(StartupError, ProgramPathAndOneSpace) {
  Session session;
  ASSERT_TRUE(session.StartWithCommandLine(g_paperchkPath + L" "));
  ExpectStartupError(session);
}

TEST(StartupError, ItemCountWordOfFour) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  tail.replace(0, 6, L"4_Item");
  ASSERT_TRUE(session.StartWithTail(tail));
  ExpectStartupError(session);
}

TEST(StartupError, ItemCountWordWithoutUnderscore) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  tail.replace(0, 6, L"3Item");
  ASSERT_TRUE(session.StartWithTail(tail));
  ExpectStartupError(session);
}

TEST(StartupError, NothingAfterTheItemCountWord) {
  Session session;
  ASSERT_TRUE(session.StartWithTail(L"1_Item"));
  ExpectStartupError(session);
}

// A three-item word with the fields of a one-item report: the exchange path
// lands in a field and the path slot stays empty. The path is a bare name:
// each folder of a full path would fill one more field (backslashes part
// them), so a deep temporary folder could fill all sixteen.
TEST(StartupError, TooFewFieldsForTheItemCount) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(WithItems(ThreeItemReport(), 1), tail));
  tail.replace(0, 6, L"3_Item");
  ASSERT_TRUE(ReplaceOnce(tail, L"\\" + session.exchangePath(), L"\\exchange.bin"));
  ASSERT_TRUE(session.StartWithTail(tail));
  ExpectStartupError(session);
}

TEST(StartupError, MissingExchangePath) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  ASSERT_TRUE(ReplaceOnce(tail, L"\\" + session.exchangePath(), L""));  // the path and its separator
  ASSERT_TRUE(session.StartWithTail(tail));
  ExpectStartupError(session);
}

TEST(StartupError, CodeFieldLongerThan255Characters) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  ASSERT_TRUE(ReplaceOnce(tail, L"\\50009\\", L"\\" + Repeat(L'7', 256) + L"\\"));  // item 2's application value
  ASSERT_TRUE(session.StartWithTail(tail));
  ExpectStartupError(session);
}

TEST(StartupError, PortLongerThan511Characters) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  ASSERT_TRUE(ReplaceOnce(tail, L"\\LPT1:\\", L"\\" + Repeat(L'P', 512) + L"\\"));
  ASSERT_TRUE(session.StartWithTail(tail));
  ExpectStartupError(session);
}

// Every field within its limit, the whole line beyond 4095 characters.
TEST(StartupError, CommandLineLongerThan4095Characters) {
  Session session;
  std::wstring tail = L"3_Item \"" + Repeat(L'N', 1000) + L"\"\\" + Repeat(L'P', 500);
  for (int item = 0; item < 3; ++item) {
    tail += L"\\" + Repeat(L'4', 255) + L"\\" + Repeat(L'5', 255) + L"\\" + Repeat(L'7', 255);
  }
  tail += L"\\" + Repeat(L'3', 255) + L"\\1\\" + Repeat(L'7', 255) + L"\\" + Repeat(L'2', 255) + L"\\" +
          session.exchangePath();
  ASSERT_GT(drv::BuildCommandLine(g_paperchkPath, tail).size(), 4095u);
  ASSERT_TRUE(session.StartWithTail(tail));
  ExpectStartupError(session);
}

TEST(Startup, CodeFieldOf255CharactersIsAccepted) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  // Item 2's application value: a number without text.
  ASSERT_TRUE(ReplaceOnce(tail, L"\\50009\\", L"\\" + Repeat(L'7', 255) + L"\\"));
  ASSERT_TRUE(session.StartWithTail(tail));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ListRows(dialog, IDC_APPLICATION_LIST),
            (std::vector<std::wstring>{L"Vassoio carta  ", L"Altro", L"Carta Comune"}));
}

TEST(Startup, ItemCountWordInCapitalsIsAccepted) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(WithItems(ThreeItemReport(), 2), tail));
  tail.replace(0, 6, L"2_ITEM");
  ASSERT_TRUE(session.StartWithTail(tail));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ListRows(dialog, IDC_SETTING_LIST).size(), 2u);
}

// Words after the exchange path are ignored: the decision still goes to the
// path, and no file is made for the extra words.
TEST(Startup, WordsAfterTheExchangePathAreIgnored) {
  Session session;
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(WithItems(ThreeItemReport(), 1), tail));
  ASSERT_TRUE(session.StartWithTail(tail + L" extra words here"));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(drv::ListRows(dialog, IDC_SETTING_LIST), (std::vector<std::wstring>{L"Percorso carta "}));
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_IGNORE));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(PAPERCHK_DECISION_IGNORE, 0));
  EXPECT_EQ(session.scratch().List(), (std::vector<std::wstring>{L"exchange.bin"}));
}

}  // namespace
}  // namespace e2e
