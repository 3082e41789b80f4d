// Shared pieces of the end-to-end tests: the session that starts paperchk
// for one test and cleans up after it, the texts the program must show, and
// small helpers. Each test gets a fresh scratch directory and exchange file.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "test_automation.h"

namespace drv = paperchk_driver;

namespace e2e {

// Path of paperchk.exe (a Windows path), set by main.
extern std::wstring g_paperchkPath;
// The stand-in driver, and a help file for HTML Help to open (empty: none
// given); set by main.
extern std::wstring g_standinPath;
extern std::wstring g_chmPath;

// Real keyboard and mouse input, chosen once by main (SetInput).
drv::RealInput& Input();
void SetInput(std::unique_ptr<drv::RealInput> input);

// The test program's own start: the paths from the arguments (--paperchk=,
// --standin=, --chm=; a Unix path under Wine is turned into a Windows one),
// by default paperchk.exe and standin.exe beside this program. False, with
// the reason, when paperchk is not there.
bool TakePaths(int argc, char** argv, std::string& why);

// Texts the user must see.
extern const wchar_t kTitle[];
extern const wchar_t kUpperMessageText[];
extern const wchar_t kLowerMessageText[];
extern const wchar_t kWaitMessageText[];
extern const wchar_t kStartupErrorCaption[];
extern const wchar_t kStartupErrorText[];

// How long things may take under Wine.
constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kEndTimeoutMs = 5000;
// Pause after input that must have no effect, before looking again.
constexpr DWORD kSettleMs = 700;

// One run of paperchk for one test.
class Session {
 public:
  Session();
  ~Session();

  const std::wstring& exchangePath() const { return exchangePath_; }
  drv::ScratchDirectory& scratch() { return scratch_; }
  drv::ProgramProcess& process() { return process_; }

  // The client library's tail for the request and this session's exchange
  // path; a failure naming the library's reason when it refuses.
  ::testing::AssertionResult ClientTail(const paperchk_client::Request& request, std::wstring& tail) const;
  // Starts paperchk with the client library's line for the request.
  ::testing::AssertionResult Start(const paperchk_client::Request& request);
  // Starts paperchk with this text after the program path.
  ::testing::AssertionResult StartWithTail(const std::wstring& tail);
  // Starts paperchk with exactly this command line.
  ::testing::AssertionResult StartWithCommandLine(const std::wstring& commandLine);

  // The paper-check dialog once it is visible (null on timeout).
  HWND WaitForMainDialog(DWORD timeoutMs = kStartTimeoutMs);
  // Starts the request and waits for the dialog.
  HWND Open(const paperchk_client::Request& request);
  // The wait box (the caption-less dialog with control 107).
  HWND WaitForWaitBox(DWORD timeoutMs = kStartTimeoutMs);
  // A visible message box of paperchk with this caption.
  HWND WaitForMessageBox(const std::wstring& caption, DWORD timeoutMs = kStartTimeoutMs);
  std::vector<HWND> VisibleMessageBoxes(const std::wstring& caption);
  // The captions of paperchk's visible dialogs, for a failure's message.
  std::vector<std::wstring> VisibleDialogCaptions();

  // Ends normally within the time with status 0.
  ::testing::AssertionResult EndsWithStatusZero(DWORD timeoutMs = kEndTimeoutMs);

 private:
  drv::ScratchDirectory scratch_;
  std::wstring exchangePath_;
  drv::ProgramProcess process_;
  std::vector<DWORD> helpViewersBefore_;
};

// The three-item sample of the stand-in driver: current tray the lower one.
paperchk_client::Request ThreeItemReport();
paperchk_client::Request WithItems(paperchk_client::Request request, std::size_t count);

// For a line the client library refuses, made from one of its lines: the
// one place where `from` stands in `text` replaced by `to`; a failure when
// `from` stands there not exactly once.
::testing::AssertionResult ReplaceOnce(std::wstring& text, const std::wstring& from, const std::wstring& to);

// Printer-column texts of ThreeItemReport for its current and other tray.
std::vector<std::wstring> CurrentTrayRows();
std::vector<std::wstring> OtherTrayRows();

// The dialog as a person sees it.
bool IsVisible(HWND window);
::testing::AssertionResult StaysOpenAndUntouched(Session& session, HWND dialog);

// The window's centre lies on the centre of the screen's work area (within
// a pixel either way, for odd sizes).
::testing::AssertionResult CentredOnTheWorkArea(HWND window);

// Decision record bytes {decision, flag}.
std::vector<std::uint8_t> RecordBytes(std::uint32_t decision, std::uint32_t flag);

// The help viewer Wine starts for WinHelp.
constexpr const wchar_t kHelpViewer[] = L"winhlp32.exe";

}  // namespace e2e
