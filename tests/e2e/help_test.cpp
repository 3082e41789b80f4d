// Help: "?" hands the driver's help file to the help engine, and a decision
// closes it again. Under Wine the engine is winhlp32.exe: it appears as a
// process of its own, with a "Cannot find" box when the file is missing
// (the test below lets it do that). The other tests put a stand-in engine
// window in place, which records exactly what the program asked for. For
// HTML Help (a PCHKHELP.CHM present) a stand-in hhctrl.ocx does the same.

#include <cwctype>
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

std::wstring DriverHelpFolder() { return WindowsDirectory() + L"\\System32\\spool\\drivers\\w32x86\\2"; }

std::wstring DriverHelpPath() { return DriverHelpFolder() + L"\\PCHKHELP.HLP"; }

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

// "?" asks for topic 4608 of the driver's help file, with no owner window;
// a second press asks again; the decision closes the file once.
TEST(Help, QuestionMarkOpensTheTopicAndIgnoraClosesIt) {
  HelpEngineStandIn engine;
  ASSERT_TRUE(engine.ok());
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(engine.WaitForRequests(1, 5000)) << "no help request";
  ExpectRequest(engine.Requests()[0], HELP_CONTEXT, 4608);
  EXPECT_TRUE(StaysOpenAndUntouched(session, dialog));

  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(engine.WaitForRequests(2, 5000));
  ExpectRequest(engine.Requests()[1], HELP_CONTEXT, 4608);

  ASSERT_TRUE(drv::ClickButton(dialog, kIgnore));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(2, 0));
  const std::vector<HelpRequest> requests = engine.Requests();
  ASSERT_EQ(requests.size(), 3u);
  ExpectRequest(requests[2], HELP_QUIT, 0);
}

TEST(Help, AnnullaClosesTheHelpFile) {
  HelpEngineStandIn engine;
  ASSERT_TRUE(engine.ok());
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(engine.WaitForRequests(1, 5000));
  ASSERT_TRUE(drv::ClickButton(dialog, kCancelPrinting));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(3, 0));
  const std::vector<HelpRequest> requests = engine.Requests();
  ASSERT_EQ(requests.size(), 2u);
  ExpectRequest(requests[0], HELP_CONTEXT, 4608);
  ExpectRequest(requests[1], HELP_QUIT, 0);
}

// Without "?" no decision talks to the help engine.
TEST(Help, NoRequestWithoutTheQuestionMark) {
  HelpEngineStandIn engine;
  ASSERT_TRUE(engine.ok());
  for (int button : {kIgnore, kCancelPrinting}) {
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
  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(engine.WaitForRequests(1, 5000));
  ASSERT_TRUE(drv::ClickButton(dialog, kRetry));
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
  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(engine.WaitForRequests(1, 5000));
  ASSERT_TRUE(drv::ClickButton(dialog, kRetry));
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
  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));

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
  ASSERT_TRUE(drv::ClickButton(dialog, kIgnore));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(2, 0));
}

// ---------------------------------------------------------------------------
// HTML Help

std::wstring SystemDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  return std::wstring(buffer, length < MAX_PATH ? length : 0);
}

std::string Lower(const std::wstring& text) {
  std::wstring lower;
  for (wchar_t c : text) lower += static_cast<wchar_t>(std::towlower(c));
  return drv::Utf8(lower);
}

// The stand-in hhctrl.ocx (built beside these tests) in the prefix's system
// folder while the object lives, with the DLL override that makes paperchk
// load it instead of Wine's own, and its log.
class HtmlHelpStandIn {
 public:
  static constexpr const wchar_t* kOverridesKey = L"Software\\Wine\\AppDefaults\\paperchk.exe\\DllOverrides";

  // Made before the session and ended after it, so that no paperchk holds
  // the stand-in when the original comes back.
  explicit HtmlHelpStandIn(bool topicMapped)
      : target_(SystemDirectory() + L"\\hhctrl.ocx"),
        saved_(target_ + L".e2e-saved"),
        logs_(L"paperchk-hhctrl"),
        logPath_(logs_.File(L"calls.log")) {
    if (!logs_.ok()) return;
    const bool hadOriginal = drv::FileExists(target_);
    if (hadOriginal && !CopyFileW(target_.c_str(), saved_.c_str(), FALSE)) return;
    if (!CopyFileW((drv::DirectoryOfThisProgram() + L"\\hhctrl.ocx").c_str(), target_.c_str(), FALSE)) return;
    // Wine takes a DLL override for one program from the registry.
    const wchar_t native[] = L"native";
    installed_ = RegCreateKeyExW(HKEY_CURRENT_USER, kOverridesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                 &overrides_, nullptr) == ERROR_SUCCESS &&
                 RegSetValueExW(overrides_, L"hhctrl.ocx", 0, REG_SZ, reinterpret_cast<const BYTE*>(native),
                                sizeof native) == ERROR_SUCCESS &&
                 SetEnvironmentVariableW(L"PAPERCHK_HTML_HELP_LOG", logPath_.c_str()) &&
                 SetEnvironmentVariableW(L"PAPERCHK_HTML_HELP_UNMAPPED", topicMapped ? nullptr : L"1");
  }
  ~HtmlHelpStandIn() {
    if (overrides_ != nullptr) {
      RegDeleteValueW(overrides_, L"hhctrl.ocx");
      RegCloseKey(overrides_);
    }
    SetEnvironmentVariableW(L"PAPERCHK_HTML_HELP_LOG", nullptr);
    SetEnvironmentVariableW(L"PAPERCHK_HTML_HELP_UNMAPPED", nullptr);
    if (drv::FileExists(saved_)) {
      CopyFileW(saved_.c_str(), target_.c_str(), FALSE);
      DeleteFileW(saved_.c_str());
    }
  }
  HtmlHelpStandIn(const HtmlHelpStandIn&) = delete;
  HtmlHelpStandIn& operator=(const HtmlHelpStandIn&) = delete;

  bool ok() const { return installed_; }
  std::string LoadedLine() const { return "loaded " + Lower(target_); }

  // The log's lines, paths in lower case.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    const auto bytes = drv::ReadWholeFile(logPath_);
    if (!bytes) return lines;
    std::string line;
    for (std::uint8_t byte : *bytes) {
      if (byte != '\n') {
        line += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
        continue;
      }
      lines.push_back(line);
      line.clear();
    }
    return lines;
  }
  bool WaitForLines(std::size_t count) const {
    return drv::WaitUntil([&] { return Lines().size() >= count; }, 5000);
  }

 private:
  std::wstring target_;
  std::wstring saved_;
  drv::ScratchDirectory logs_;
  std::wstring logPath_;
  HKEY overrides_ = nullptr;
  bool installed_ = false;
};

// A file that exists while the object lives.
class PresentFile {
 public:
  explicit PresentFile(std::wstring path) : path_(std::move(path)) {
    ok_ = drv::WriteWholeFile(path_, {'I', 'T', 'S', 'F'});
  }
  ~PresentFile() { DeleteFileW(path_.c_str()); }
  PresentFile(const PresentFile&) = delete;
  PresentFile& operator=(const PresentFile&) = delete;
  bool ok() const { return ok_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  bool ok_ = false;
};

// paperchk copied into the session's folder, started from there.
std::wstring CopyOfTheProgram(Session& session) {
  const std::wstring copy = session.scratch().File(L"paperchk.exe");
  return CopyFileW(g_paperchkPath.c_str(), copy.c_str(), FALSE) ? copy : std::wstring();
}

bool MakeDriverHelpFolder() {
  std::wstring folder;
  for (const wchar_t* part : {L"\\System32", L"\\spool", L"\\drivers", L"\\w32x86", L"\\2"}) {
    folder += part;
    const std::wstring path = WindowsDirectory() + folder;
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

// HH_HELP_CONTEXT, HH_DISPLAY_TOPIC and HH_CLOSE_ALL as the stand-in logs them.
std::string ContextLine(const std::wstring& path) { return "15 4608 " + Lower(path) + " 0"; }
std::string TopicLine(const std::wstring& path) { return "0 0 " + Lower(path) + " 0"; }
const char kCloseAllLine[] = "18 0 - 0";

// A .CHM in the help folder wins over one beside the program: "?" twice
// opens its topic twice, from the system's hhctrl.ocx, and Ignora closes all;
// WinHelp is never asked.
TEST(Help, HtmlHelpFileInTheHelpFolderOpensItsTopicAndIgnoraClosesIt) {
  HelpEngineStandIn winHelp;
  ASSERT_TRUE(winHelp.ok());
  HtmlHelpStandIn htmlHelp(true);
  ASSERT_TRUE(htmlHelp.ok());
  Session session;
  ASSERT_TRUE(MakeDriverHelpFolder());
  PresentFile inFolder(DriverHelpFolder() + L"\\PCHKHELP.CHM");
  PresentFile beside(session.scratch().File(L"PCHKHELP.CHM"));
  ASSERT_TRUE(inFolder.ok() && beside.ok());
  const std::wstring program = CopyOfTheProgram(session);
  ASSERT_FALSE(program.empty());
  ASSERT_TRUE(session.StartWithCommandLine(
      drv::BuildCommandLine(program, drv::CommandLineTail(ThreeItemReport(), session.exchangePath()))));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);

  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(htmlHelp.WaitForLines(2)) << "hhctrl.ocx was not asked";
  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(htmlHelp.WaitForLines(3));
  ASSERT_TRUE(drv::ClickButton(dialog, kIgnore));
  EXPECT_TRUE(session.EndsWithStatusZero());
  EXPECT_EQ(drv::ReadWholeFile(session.exchangePath()), RecordBytes(2, 0));
  const std::vector<std::string> expected = {htmlHelp.LoadedLine(), ContextLine(inFolder.path()),
                                             ContextLine(inFolder.path()), kCloseAllLine};
  EXPECT_EQ(htmlHelp.Lines(), expected);
  EXPECT_TRUE(winHelp.Requests().empty());
}

// Only beside the program, and without topic 4608 in its map: the file's
// default topic; Annulla closes all.
TEST(Help, HtmlHelpFileBesideTheProgramWithoutTheTopicOpensItsDefaultTopic) {
  HtmlHelpStandIn htmlHelp(false);
  ASSERT_TRUE(htmlHelp.ok());
  Session session;
  ASSERT_FALSE(drv::FileExists(DriverHelpFolder() + L"\\PCHKHELP.CHM"));
  PresentFile beside(session.scratch().File(L"PCHKHELP.CHM"));
  ASSERT_TRUE(beside.ok());
  const std::wstring program = CopyOfTheProgram(session);
  ASSERT_FALSE(program.empty());
  ASSERT_TRUE(session.StartWithCommandLine(
      drv::BuildCommandLine(program, drv::CommandLineTail(ThreeItemReport(), session.exchangePath()))));
  HWND dialog = session.WaitForMainDialog();
  ASSERT_NE(dialog, nullptr);

  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(htmlHelp.WaitForLines(3));
  ASSERT_TRUE(drv::ClickButton(dialog, kCancelPrinting));
  EXPECT_TRUE(session.EndsWithStatusZero());
  const std::vector<std::string> expected = {htmlHelp.LoadedLine(), ContextLine(beside.path()),
                                             TopicLine(beside.path()), kCloseAllLine};
  EXPECT_EQ(htmlHelp.Lines(), expected);
}

// Without a .CHM, "?" goes to WinHelp as it always did, and hhctrl.ocx is
// never loaded.
TEST(Help, WithoutAnHtmlHelpFileWinHelpIsAskedAndHtmlHelpNeverLoaded) {
  HelpEngineStandIn winHelp;
  ASSERT_TRUE(winHelp.ok());
  HtmlHelpStandIn htmlHelp(true);
  ASSERT_TRUE(htmlHelp.ok());
  Session session;
  HWND dialog = session.Open(ThreeItemReport());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(drv::ClickButton(dialog, kHelp));
  ASSERT_TRUE(winHelp.WaitForRequests(1, 5000)) << "no help request";
  ASSERT_TRUE(drv::ClickButton(dialog, kIgnore));
  EXPECT_TRUE(session.EndsWithStatusZero());
  const std::vector<HelpRequest> requests = winHelp.Requests();
  ASSERT_EQ(requests.size(), 2u);
  ExpectRequest(requests[0], HELP_CONTEXT, 4608);
  ExpectRequest(requests[1], HELP_QUIT, 0);
  EXPECT_TRUE(htmlHelp.Lines().empty());
}

}  // namespace
}  // namespace e2e
