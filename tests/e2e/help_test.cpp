// Help: "?" hands the driver's help file to the help engine, and a decision
// closes it again. Under Wine the engine is winhlp32.exe: it appears as a
// process of its own, with a "Cannot find" box when the file is missing
// (the test below lets it do that). The other tests put a stand-in engine
// window in place, which records exactly what the program asked for. For
// HTML Help (a PCHKHELP.CHM present) a stand-in hhctrl.ocx does the same.

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
          CopyFileW((drv::DirectoryOfThisProgram() + L"\\hhctrl.ocx").c_str(), target_.c_str(), FALSE) &&
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
  drv::ScratchDirectory logs_;
  std::wstring target_;
  HKEY overrides_ = nullptr;
  bool ok_ = false;
};

// "?" asks for topic 4608 of the driver's help file, with no owner window;
// a second press asks again; the decision closes the file once.
// With the stand-in hhctrl.ocx in place but no .CHM anywhere, HTML Help is
// never loaded.
TEST(Help, QuestionMarkOpensTheTopicAndIgnoraClosesIt) {
  HelpEngineStandIn engine;
  HtmlHelpStandIn htmlHelp;
  ASSERT_TRUE(engine.ok() && htmlHelp.ok());
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
  EXPECT_TRUE(htmlHelp.Lines().empty());
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

}  // namespace
}  // namespace e2e
