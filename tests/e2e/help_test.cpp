// Help: "?" hands the driver's help file to the help engine, and a decision
// closes it again. Under Wine the engine is winhlp32.exe: it appears as a
// process of its own, with a "Cannot find" box when the file is missing
// (the test below lets it do that). The other tests put a stand-in engine
// window in place, which records exactly what the program asked for. For
// HTML Help (a PCHKHELP.CHM present) a stand-in hhctrl.ocx does the same.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "help_engine_stand_in.h"

namespace e2e {
namespace {

std::wstring WindowsDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
  return std::wstring(buffer, length < MAX_PATH ? length : 0);
}

std::wstring DriverHelpPath() {
  return WindowsDirectory() + L"\\System32\\spool\\drivers\\w32x86\\2\\PCHKHELP.HLP";
}

// Visible top-level windows of any help viewer process.
std::vector<HWND> HelpViewerWindows() {
  std::vector<HWND> windows;
  for (DWORD viewer : drv::ProcessIdsByName(kHelpViewer)) {
    for (HWND window : drv::TopLevelWindows(viewer, nullptr, true)) windows.push_back(window);
  }
  return windows;
}

bool NoHelpViewer() { return drv::ProcessIdsByName(kHelpViewer).empty(); }

using drv::HelpEngineStandIn;
using drv::HelpRequest;

void ExpectRequest(const HelpRequest& request, UINT command, std::uint32_t data) {
  EXPECT_EQ(request.command, command);
  if (command == HELP_CONTEXT) {
    EXPECT_EQ(request.data, data);
  }
  EXPECT_EQ(drv::Widen(request.path), DriverHelpPath());
  EXPECT_EQ(request.owner, 0u) << "the help engine was given an owner window";
}

// The stand-in hhctrl.ocx (built beside these tests) in the prefix's system
// folder while the object lives, with the DLL override that makes paperchk
// load it instead of Wine's own, and its log. Made before the session and
// ended after it, so that no paperchk holds it when the original comes back.
class HtmlHelpStandIn {
 public:
  HtmlHelpStandIn() : logs_(L"paperchk-hhctrl") {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    target_ = std::wstring(system, length < MAX_PATH ? length : 0) + L"\\hhctrl.ocx";
    const wchar_t native[] = L"native";
    ok_ = logs_.ok() && CopyFileW(target_.c_str(), (target_ + L".saved").c_str(), FALSE) &&
          CopyFileW(Built().c_str(), target_.c_str(), FALSE) &&
          RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\paperchk.exe\\DllOverrides", 0,
                          nullptr, 0, KEY_SET_VALUE, nullptr, &overrides_, nullptr) == ERROR_SUCCESS &&
          RegSetValueExW(overrides_, L"hhctrl.ocx", 0, REG_SZ, reinterpret_cast<const BYTE*>(native),
                         sizeof native) == ERROR_SUCCESS &&
          SetEnvironmentVariableW(L"PAPERCHK_HTML_HELP_LOG", logs_.File(L"calls.log").c_str());
  }
  ~HtmlHelpStandIn() {
    if (overrides_ != nullptr) RegDeleteValueW(overrides_, L"hhctrl.ocx");
    if (overrides_ != nullptr) RegCloseKey(overrides_);
    MoveFileExW((target_ + L".saved").c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  HtmlHelpStandIn(const HtmlHelpStandIn&) = delete;
  HtmlHelpStandIn& operator=(const HtmlHelpStandIn&) = delete;
  bool ok() const { return ok_; }
  static bool Available() { return drv::FileExists(Built()); }
  std::string LoadedLine() const { return "loaded " + drv::Utf8(target_); }
  std::vector<std::string> Lines() const {
    const auto bytes = drv::ReadWholeFile(logs_.File(L"calls.log"));
    std::vector<std::string> lines(1);
    for (std::uint8_t byte : bytes.value_or(std::vector<std::uint8_t>())) {
      if (byte == '\n') lines.emplace_back();
      else lines.back() += static_cast<char>(byte);
    }
    lines.pop_back();
    return lines;
  }

 private:
  static std::wstring Built() { return drv::DirectoryOfThisProgram() + L"\\hhctrl.ocx"; }

  drv::ScratchDirectory logs_;
  std::wstring target_;
  HKEY overrides_ = nullptr;
  bool ok_ = false;
};

// "?" asks for topic 4608 of the driver's help file, with no owner window;
// a second press asks again; the decision closes the file once.
// With the stand-in hhctrl.ocx in place but no .CHM anywhere, HTML Help is
// never loaded.
// (The stand-in hhctrl.ocx is the test program's, under Wine: the kit,
// which does not ship it, checks the WinHelp requests alone.)
TEST(Help, QuestionMarkOpensTheTopicAndIgnoraClosesIt) {
  HelpEngineStandIn engine;
  std::optional<HtmlHelpStandIn> htmlHelp;
  if (drv::RunningUnderWine() && HtmlHelpStandIn::Available()) htmlHelp.emplace();
  ASSERT_TRUE(engine.ok() && (!htmlHelp || htmlHelp->ok()));
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));
  ASSERT_TRUE(engine.WaitForRequests(1, 5000)) << "no help request";
  ExpectRequest(engine.Requests()[0], HELP_CONTEXT, 4608);
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));

  ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));
  ASSERT_TRUE(engine.WaitForRequests(2, 5000));
  ExpectRequest(engine.Requests()[1], HELP_CONTEXT, 4608);

  ASSERT_TRUE(drv::ClickButton(dialog, IDC_IGNORE));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(PAPERCHK_DECISION_IGNORE, 0));
  const std::vector<HelpRequest> requests = engine.Requests();
  ASSERT_EQ(requests.size(), 3u);
  ExpectRequest(requests[2], HELP_QUIT, 0);
  if (htmlHelp) {
    EXPECT_TRUE(htmlHelp->Lines().empty());
  }
}

TEST(Help, AnnullaClosesTheHelpFile) {
  HelpEngineStandIn engine;
  ASSERT_TRUE(engine.ok());
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));
  ASSERT_TRUE(engine.WaitForRequests(1, 5000));
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_CANCEL_PRINTING));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(PAPERCHK_DECISION_CANCEL_PRINTING, 0));
  const std::vector<HelpRequest> requests = engine.Requests();
  ASSERT_EQ(requests.size(), 2u);
  ExpectRequest(requests[0], HELP_CONTEXT, 4608);
  ExpectRequest(requests[1], HELP_QUIT, 0);
}

// Without "?" no decision talks to the help engine.
TEST(Help, NoRequestWithoutTheQuestionMark) {
  HelpEngineStandIn engine;
  ASSERT_TRUE(engine.ok());
  for (int button : {IDC_IGNORE, IDC_CANCEL_PRINTING}) {
    Session session;
    HWND dialog = session.Open(ThreeItemReport());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(drv::ClickButton(dialog, button));
    EXPECT_TRUE(session.EndsWithStatusZero());
  }
  EXPECT_TRUE(engine.Requests().empty());
}

// A retry that the driver completes ends the process without closing help.
TEST(Help, CompletedRetryLeavesHelpAlone) {
  HelpEngineStandIn engine;
  ASSERT_TRUE(engine.ok());
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));
  ASSERT_TRUE(engine.WaitForRequests(1, 5000));
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_RETRY));
  ASSERT_NE(session.WaitForWaitBox(), nullptr);
  ASSERT_TRUE(drv::WriteCompletionFlag(session.exchangePath(), 1));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(engine.Requests().size(), 1u);
}

// A retry dismissed with Esc in the wait box closes help before the end.
TEST(Help, DismissedRetryClosesHelp) {
  HelpEngineStandIn engine;
  ASSERT_TRUE(engine.ok());
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));
  ASSERT_TRUE(engine.WaitForRequests(1, 5000));
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_RETRY));
  HWND box = session.WaitForWaitBox();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(drv::WaitUntil([&] { return GetForegroundWindow() == box; }, 3000) ||
              drv::ActivateByClick(Input(), box));
  ASSERT_TRUE(Input().Press(drv::Key::Escape));
  EXPECT_TRUE(session.EndsWithStatusZero());
  const std::vector<HelpRequest> requests = engine.Requests();
  ASSERT_EQ(requests.size(), 2u);
  ExpectRequest(requests[1], HELP_QUIT, 0);
}

// The help file must be absent for this test: then the engine names the
// path it was given in its own box.
TEST(Help, RealViewerIsAskedForTheDriverHelpFile) {
  ASSERT_FALSE(drv::FileExists(DriverHelpPath())) << "a help file is installed in this prefix";
  ASSERT_TRUE(NoHelpViewer());
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));

  HWND box = nullptr;
  ASSERT_TRUE(drv::WaitUntil(
      [&] {
        for (HWND window : HelpViewerWindows()) {
          if (drv::ClassNameOf(window) == drv::kDialogClass) box = window;
        }
        return box != nullptr;
      },
      kStartTimeoutMs))
      << "no help viewer box appeared";
  std::wstring message;
  for (const std::wstring& text : drv::ChildTexts(box, L"Static")) message += text;
  EXPECT_NE(message.find(DriverHelpPath()), std::wstring::npos) << drv::Utf8(message);

  // Answer "No": the viewer gives up and ends.
  ASSERT_TRUE(drv::ClickButton(box, IDNO));
  EXPECT_TRUE(drv::WaitUntil(NoHelpViewer, kEndTimeoutMs)) << "the help viewer did not end";
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));

  // The dialog still works: a decision after help.
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_IGNORE));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(PAPERCHK_DECISION_IGNORE, 0));
}

// ---------------------------------------------------------------------------
// HTML Help

// A .CHM beside the program (started from a copy) goes to the system's
// hhctrl.ocx, with no owner window: "?" asks for topic 4608 and, since this
// file maps none, its default topic, twice; Ignora closes all. WinHelp is
// never asked.
TEST(Help, HtmlHelpFileBesideTheProgramOpensTwiceAndIgnoraClosesAll) {
  HelpEngineStandIn winHelp;
  HtmlHelpStandIn htmlHelp;
  ASSERT_TRUE(winHelp.ok() && htmlHelp.ok());
  Session session;
  const std::wstring program = session.scratch().File(L"paperchk.exe");
  const std::string chm = drv::Utf8(session.scratch().File(L"PCHKHELP.CHM"));
  ASSERT_TRUE(CopyFileW(g_paperchkPath.c_str(), program.c_str(), FALSE));
  ASSERT_TRUE(drv::WriteWholeFile(drv::Widen(chm), {'I', 'T', 'S', 'F'}));
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  ASSERT_TRUE(session.StartWithCommandLine(drv::BuildCommandLine(program, tail)));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  for (std::size_t lines : {3u, 5u}) {
    ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));
    ASSERT_TRUE(drv::WaitUntil([&] { return htmlHelp.Lines().size() >= lines; }, 5000)) << "no HTML Help call";
  }
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_IGNORE));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(PAPERCHK_DECISION_IGNORE, 0));
  const std::string context = "15 4608 " + chm + " 0";
  const std::string topic = "0 0 " + chm + " 0";
  const std::vector<std::string> expected = {htmlHelp.LoadedLine(), context, topic, context, topic, "18 0 - 0"};
  EXPECT_EQ(htmlHelp.Lines(), expected);
  EXPECT_TRUE(winHelp.Requests().empty());
}

// ---------------------------------------------------------------------------
// What only Windows answers

constexpr char kWineHasNoRealHtmlHelp[] =
    "Wine's hhctrl.ocx shows no HTML Help window a test can check; here the stand-in engine "
    "(Help.HtmlHelpFileBesideTheProgramOpensTwiceAndIgnoraClosesAll) is the check";

// Visible top-level windows of the process of this class.
std::vector<HWND> WindowsOfClass(DWORD processId, const wchar_t* className) {
  return drv::TopLevelWindows(processId, className, true);
}

// A real .chm (--chm FILE) beside a copy of the program: "?" opens an HTML
// Help window in paperchk's process, and "Ignora" closes it before the end.
TEST(Help, RealHtmlHelpWindowOpensAndTheDecisionClosesIt) {
  if (drv::RunningUnderWine()) GTEST_SKIP() << kWineHasNoRealHtmlHelp;
  if (g_chmPath.empty()) GTEST_SKIP() << "no .chm given: run the kit with --chm FILE (the driver's help file)";
  Session session;
  const std::wstring program = session.scratch().File(L"paperchk.exe");
  ASSERT_TRUE(CopyFileW(g_paperchkPath.c_str(), program.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(g_chmPath.c_str(), session.scratch().File(L"PCHKHELP.CHM").c_str(), FALSE));
  std::wstring tail;
  ASSERT_TRUE(session.ClientTail(ThreeItemReport(), tail));
  ASSERT_TRUE(session.StartWithCommandLine(drv::BuildCommandLine(program, tail)));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));
  std::vector<HWND> help;
  ASSERT_TRUE(drv::WaitUntil([&] { return !(help = WindowsOfClass(session.process().id(), L"HH Parent")).empty(); },
                             kStartTimeoutMs))
      << "no HTML Help window (class HH Parent) of paperchk's process appeared";
  RecordProperty("help window", drv::Utf8(drv::WindowText(help.front())));
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_IGNORE));
  // HH_CLOSE_ALL comes before the dialog ends, while the process still runs.
  EXPECT_TRUE(drv::WaitUntil([&] { return !IsWindow(help.front()) || !IsWindowVisible(help.front()); }, kEndTimeoutMs))
      << "the help window is still open";
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(PAPERCHK_DECISION_IGNORE, 0));
}

// "?" with no .chm goes to WinHelp, which Windows 10 and 11 no longer show:
// what this Windows does is written down, not judged.
TEST(Help, WinHelpAnswerOnThisWindows) {
  if (drv::RunningUnderWine()) {
    GTEST_SKIP() << "Wine answers WinHelp with its own viewer; Help.RealViewerIsAskedForTheDriverHelpFile checks it";
  }
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  const std::vector<DWORD> viewersBefore = drv::ProcessIdsByName(kHelpViewer);
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_HELP_BUTTON));
  Sleep(3000);  // long enough for a viewer to start and show something
  std::string seen;
  for (DWORD viewer : drv::ProcessIdsByName(kHelpViewer)) {
    if (std::find(viewersBefore.begin(), viewersBefore.end(), viewer) != viewersBefore.end()) continue;
    seen += "winhlp32.exe runs (" + std::to_string(viewer) + ")";
    for (HWND window : drv::TopLevelWindows(viewer, nullptr, true)) {
      std::wstring texts = drv::WindowText(window);
      for (const std::wstring& text : drv::ChildTexts(window, L"Static")) texts += L" / " + text;
      seen += "; window " + drv::Utf8(drv::ClassNameOf(window)) + ": " + drv::Utf8(texts);
    }
  }
  for (HWND window : drv::TopLevelWindows(session.process().id(), nullptr, true)) {
    if (window == dialog) continue;
    std::wstring texts = drv::WindowText(window);
    for (const std::wstring& text : drv::ChildTexts(window, L"Static")) texts += L" / " + text;
    seen += (seen.empty() ? "" : "; ") + std::string("paperchk shows ") + drv::Utf8(drv::ClassNameOf(window)) + ": " +
            drv::Utf8(texts);
    PostMessageW(window, WM_CLOSE, 0, 0);  // a box of its own would keep the dialog from deciding
  }
  RecordProperty("what \"?\" without a .chm did", seen.empty() ? "nothing visible" : seen);
  // Whatever came, the dialog still decides; the session ends any viewer.
  ASSERT_TRUE(drv::ClickButton(dialog, IDC_IGNORE));
  EXPECT_TRUE(session.EndsWithStatusZero(kStartTimeoutMs));
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(PAPERCHK_DECISION_IGNORE, 0));
}

}  // namespace
}  // namespace e2e
