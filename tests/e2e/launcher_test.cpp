// The client library's launcher with the real program: each decision, a
// retry with the driver's callback (C++ and C), a request it refuses (the
// program never starts), an exchange folder that is not there (nothing
// starts), the start-up error (the process ends without a decision), a
// decision that never comes, a driver that dies while the dialog is up, and
// a launcher on a thread whose window another thread sends to. After each
// run nothing of paperchk is left: no process, no handle.

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "client/paperchk_client.hpp"
#include "client/paperchk_client.h"
#include "e2e_support.h"
#include "sample_requests.h"

namespace e2e {
namespace {

namespace client = paperchk_client;
using Bytes = std::vector<std::uint8_t>;

std::string ProgramPath() { return drv::Ansi(g_paperchkPath); }

// The stand-in's network-port sample, with the test's exchange file.
client::Request SampleRequest(const std::wstring& exchangePath) {
  client::Request request = *::SampleRequest("network-port");
  request.exchangePath = drv::Ansi(exchangePath);
  return request;
}

HWND VisibleDialogOf(std::uint32_t processId, const std::function<bool(HWND)>& accept) {
  for (HWND window : drv::TopLevelWindows(processId, drv::kDialogClass, true)) {
    if (accept(window)) return window;
  }
  return nullptr;
}

bool IsMainDialog(HWND window) { return drv::WindowText(window).rfind(kTitle, 0) == 0; }
bool IsWaitBox(HWND window) { return GetDlgItem(window, IDC_WAIT_MESSAGE) != nullptr; }

// Presses a button of the dialog once it shows (from the launcher's start
// hook, so the launcher then waits for the decision as with a person).
bool PressWhenShown(std::uint32_t processId, int button) {
  HWND dialog = nullptr;
  drv::WaitUntil([&] { return (dialog = VisibleDialogOf(processId, IsMainDialog)) != nullptr; }, kStartTimeoutMs);
  return dialog != nullptr && drv::ClickButton(dialog, button);
}

bool ProcessHasEnded(std::uint32_t processId) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (process == nullptr) return true;
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

// A press that did not happen must fail the test, not hang it.
constexpr std::uint32_t kDecisionTimeoutMs = 60000;

DWORD OpenHandles() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

struct DecisionCase {
  int button;
  std::uint32_t decision;
};

TEST(Launcher, IgnoreAndCancelPrintingEndWithTheirRecordAndStatusZero) {
  for (const DecisionCase& c : {DecisionCase{IDC_IGNORE, 2}, DecisionCase{IDC_CANCEL_PRINTING, 3}}) {
    drv::ScratchDirectory scratch(L"paperchk-launcher");
    ASSERT_TRUE(scratch.ok());
    const std::wstring exchange = scratch.File(L"exchange.bin");
    std::uint32_t processId = 0;
    bool pressed = false;
    client::LaunchOptions options;
    options.decisionTimeoutMs = kDecisionTimeoutMs;
    options.keepExchangeFile = true;
    options.started = [&](std::uint32_t id) {
      processId = id;
      pressed = PressWhenShown(id, c.button);
    };
    bool called = false;
    options.rereadPrinter = [&] { return called = true; };
    const DWORD handlesBefore = OpenHandles();

    const client::LaunchResult result = client::Launch(ProgramPath(), SampleRequest(exchange), options);
    ASSERT_TRUE(pressed) << "decision " << c.decision;
    EXPECT_EQ(result.ending, client::LaunchEnding::Decided);
    EXPECT_EQ(result.decision, c.decision);
    EXPECT_FALSE(called) << "the callback belongs to a retry only";
    EXPECT_FALSE(result.completionFlagWritten);
    EXPECT_TRUE(result.exitStatusKnown);
    EXPECT_EQ(result.exitStatus, 0u);
    EXPECT_FALSE(result.terminated) << "paperchk ends by itself after 2 and 3";
    EXPECT_TRUE(ProcessHasEnded(processId));
    EXPECT_EQ(OpenHandles(), handlesBefore) << "the launcher keeps no handle";
    EXPECT_EQ(drv::ReadWholeFile(exchange), (Bytes{static_cast<std::uint8_t>(c.decision), 0, 0, 0, 0, 0, 0, 0}));
  }
}

TEST(Launcher, RetryCallsBackWhileTheWaitBoxShowsThenWritesTheFlagAndWaitsForTheEnd) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  const std::wstring exchange = scratch.File(L"exchange.bin");
  ASSERT_TRUE(drv::WriteWholeFile(exchange, {3, 0, 0, 0, 1, 0, 0, 0, 0xEE}));  // an old run's record
  std::uint32_t processId = 0;
  bool pressed = false;
  bool waitBoxShown = false;
  bool runningDuringCallback = false;
  Bytes recordDuringCallback;
  client::LaunchOptions options;
  options.decisionTimeoutMs = kDecisionTimeoutMs;
  options.keepExchangeFile = true;
  options.started = [&](std::uint32_t id) {
    processId = id;
    pressed = PressWhenShown(id, IDC_RETRY);
  };
  options.rereadPrinter = [&] {
    runningDuringCallback = !ProcessHasEnded(processId);
    waitBoxShown = drv::WaitUntil([&] { return VisibleDialogOf(processId, IsWaitBox) != nullptr; }, kStartTimeoutMs);
    recordDuringCallback = drv::ReadWholeFile(exchange).value_or(Bytes{});
    return true;
  };
  const DWORD handlesBefore = OpenHandles();

  const client::LaunchResult result = client::Launch(ProgramPath(), SampleRequest(exchange), options);
  ASSERT_TRUE(pressed);
  EXPECT_EQ(result.ending, client::LaunchEnding::Decided);
  EXPECT_EQ(result.decision, PAPERCHK_DECISION_RETRY);
  EXPECT_TRUE(result.rereadCalled);
  EXPECT_TRUE(result.rereadSucceeded);
  EXPECT_TRUE(runningDuringCallback) << "paperchk waits while the driver reads the printer";
  EXPECT_TRUE(waitBoxShown);
  EXPECT_EQ(recordDuringCallback, (Bytes{1, 0, 0, 0, 0, 0, 0, 0})) << "the file was prepared {0, 0} first";
  EXPECT_TRUE(result.completionFlagWritten);
  EXPECT_TRUE(result.exitStatusKnown);
  EXPECT_EQ(result.exitStatus, 0u);
  EXPECT_FALSE(result.terminated) << "the flag ends paperchk's wait";
  EXPECT_TRUE(ProcessHasEnded(processId));
  EXPECT_EQ(OpenHandles(), handlesBefore);
  EXPECT_EQ(drv::ReadWholeFile(exchange), (Bytes{1, 0, 0, 0, 1, 0, 0, 0}));
}

// The C interface, as client/example/driver_example.c uses it; a person's
// press comes from another thread, since the C launcher has no start hook.
int CountRead(void* context) {
  ++*static_cast<int*>(context);
  return 1;
}

TEST(Launcher, RetryThroughTheCInterfaceCallsTheCCallback) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  const std::string exchange = drv::Ansi(scratch.File(L"exchange.bin"));
  const std::vector<DWORD> runningBefore = drv::ProcessIdsByName(L"paperchk.exe");
  std::atomic<bool> pressed{false};
  std::atomic<bool> stop{false};
  std::thread person([&] {
    drv::WaitUntil(
        [&] {
          for (DWORD id : drv::ProcessIdsByName(L"paperchk.exe")) {
            if (HWND dialog = VisibleDialogOf(id, IsMainDialog)) return pressed = drv::ClickButton(dialog, IDC_RETRY);
          }
          return stop.load();
        },
        kStartTimeoutMs);
  });

  paperchk_request request{};
  request.printer_name = "Stampante Ufficio 2";
  request.port = "LPT1:";
  request.item_count = 1;
  request.items[0] = {40002, 50009, 256};
  request.paper_source = 30005;
  request.second_tray_shown = 1;
  request.other_tray_size = 768;
  request.other_tray_media = 20001;
  request.exchange_path = exchange.c_str();
  int reads = 0;
  paperchk_launch_options options{};
  options.reread_printer = CountRead;
  options.decision_timeout_ms = kDecisionTimeoutMs;
  options.context = &reads;
  paperchk_launch_result result;
  const int status = paperchk_launch(ProgramPath().c_str(), &request, &options, &result);
  stop = true;
  person.join();

  ASSERT_TRUE(pressed);
  EXPECT_EQ(status, PAPERCHK_OK);
  EXPECT_EQ(result.ending, PAPERCHK_DECIDED);
  EXPECT_EQ(result.decision, PAPERCHK_DECISION_RETRY);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(result.reread_called, 1);
  EXPECT_EQ(result.completion_flag_written, 1);
  EXPECT_EQ(result.exit_status_known, 1);
  EXPECT_EQ(result.exit_status, 0u);
  EXPECT_EQ(result.terminated, 0);
  EXPECT_EQ(result.ends_with_driver, 1) << "paperchk ran in the launcher's job";
  EXPECT_EQ(result.exchange_file_removed, 1);
  EXPECT_TRUE(scratch.List().empty()) << "the launcher removes the exchange file unless told to keep it";
  // The platform's own answers, as the launcher found them (Wine has no
  // GetPrintExecutionData: the context cannot be told there).
  DWORD session = 0;
  ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
  EXPECT_EQ(result.place.session, session);
  HMODULE winspool = LoadLibraryA("winspool.drv");
  if (winspool != nullptr && GetProcAddress(winspool, "GetPrintExecutionData") == nullptr) {
    EXPECT_EQ(result.place.execution_context, PAPERCHK_CONTEXT_UNKNOWN);
  }
  if (winspool != nullptr) FreeLibrary(winspool);
  std::printf("launched in session %lu, context %d\n", static_cast<unsigned long>(session),
              result.place.execution_context);
  RecordProperty("session check", "session " + std::to_string(session) + ", execution context " +
                                      std::to_string(result.place.execution_context));
  EXPECT_EQ(drv::ProcessIdsByName(L"paperchk.exe"), runningBefore);
}

// A folder that is not there: paperchk would show "CreateFile ERROR!!!"
// after the user decided and the decision would be lost, so nothing starts,
// whether the launcher or paperchk was to create the file.
TEST(Launcher, AMissingExchangeFolderStartsNothingAndSaysWhyWithTheSystemsCode) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  const std::string exchange = drv::Ansi(scratch.File(L"no-such-folder\\exchange.bin"));
  const std::vector<DWORD> runningBefore = drv::ProcessIdsByName(L"paperchk.exe");
  for (const int create : {0, 1}) {
    paperchk_request request{};
    request.printer_name = "Stampante Ufficio 2";
    request.port = "LPT1:";
    request.item_count = 1;
    request.items[0] = {40002, 50009, 256};
    request.exchange_path = exchange.c_str();
    int started = 0;
    paperchk_launch_options options{};
    options.create_exchange_file = create;
    options.decision_timeout_ms = 3000;  // should it start after all, the test ends
    options.context = &started;
    options.started = [](void* context, std::uint32_t) { *static_cast<int*>(context) = 1; };
    paperchk_launch_result result;
    const int status = paperchk_launch(ProgramPath().c_str(), &request, &options, &result);
    EXPECT_EQ(status, PAPERCHK_FILE_ERROR) << create;
    EXPECT_EQ(result.ending, PAPERCHK_FILE_FAILED) << create;
    EXPECT_EQ(result.error.field, PAPERCHK_FIELD_EXCHANGE_PATH) << create;
    EXPECT_EQ(result.error.rule, PAPERCHK_RULE_SYSTEM_FAILURE) << create;
    EXPECT_EQ(result.error.system_error, static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND)) << create;
    EXPECT_NE(std::string(result.error.message).find("system error 3"), std::string::npos) << result.error.message;
    EXPECT_EQ(started, 0) << "nothing was started";
    EXPECT_EQ(drv::ProcessIdsByName(L"paperchk.exe"), runningBefore) << create;
  }
}

// While paperchk's dialog is up for one launch, a second launch on the same
// file under another of its names is refused and starts nothing, and the
// first user's decision is the one that comes back (two launches on one file
// would each take the other's). The spellings the real program and Wine can
// make; the rest are rows of CInterface.ASecondLaunchOnAnExchangePathInUse...

// Under Wine, another drive letter for a folder: Z:, the Unix root, through
// the path Wine gives the file. Empty on Windows.
std::string ThroughUnixRoot(const std::string& windowsPath) {
  using UnixFileName = char* (*)(const wchar_t*);
  const FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
  wchar_t wide[MAX_PATH];
  if (found == nullptr || MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH) == 0) return "";
  const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(found));
  char* name = unixFileName(wide);
  if (name == nullptr) return "";
  std::string spelled = std::string("Z:") + name;
  HeapFree(GetProcessHeap(), 0, name);
  std::replace(spelled.begin(), spelled.end(), '/', '\\');
  return spelled;
}

std::string ShortName(const std::string& path) {
  char shortPath[MAX_PATH];
  const DWORD got = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
  return got != 0 && got < sizeof shortPath ? shortPath : "";
}

// Rows of a code page run where the system has it (the code-page entry runs
// this test too); a second launch on another file goes ahead.
TEST(Launcher, OneLaunchPerFileWhateverItsName) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  const std::string folder = drv::Ansi(scratch.path());
  const auto inScratch = [&](const wchar_t* name) { return drv::Ansi(scratch.File(name)); };
  // Under Wine, a folder and a Unix symbolic link to it, made by the test's
  // entry, and the Unix root's drive; rows needing them run only there.
  const char* linked = std::getenv("PAPERCHK_E2E_LINKED_FOLDER");
  const bool wine = drv::RunningUnderWine();
  ASSERT_TRUE(!wine || linked != nullptr)
      << "the ctest entry names a folder holding real/ and link/ (a symbolic link to real/)";
  std::string linkedFolder = std::string("Z:") + (linked != nullptr ? linked : "");
  std::replace(linkedFolder.begin(), linkedFolder.end(), '/', '\\');
  struct Row {
    const char* spelling;
    bool wineOnly;
    unsigned codePage;  // 0: any
    std::string first;
    std::function<std::string(const std::string&)> second;  // made while the first runs
    bool sameFile;
  };
  const Row rows[] = {
      {"\\\\?\\", false, 0, folder + "\\same.bin", [](const std::string& p) { return "\\\\?\\" + p; }, true},
      {"..", false, 0, folder + "\\same.bin", [&](const std::string&) { return folder + "\\sub\\..\\same.bin"; }, true},
      {"the short name", false, 0, folder + "\\a-long-exchange-file-name.bin", ShortName, true},
      {"a symbolic link to the folder", true, 0, linkedFolder + "\\real\\same.bin",
       [&](const std::string&) { return linkedFolder + "\\link\\same.bin"; }, true},
      {"another drive letter", true, 0, folder + "\\same.bin", ThroughUnixRoot, true},
      {"case beyond ASCII (e acute)", false, 1252, inScratch(L"\u00e9.bin"),
       [&](const std::string&) { return inScratch(L"\u00c9.bin"); }, true},
      {"case of full-width letters", false, 932, inScratch(L"\uff41.bin"),
       [&](const std::string&) { return inScratch(L"\uff21.bin"); }, true},
      {"another file whose trail byte is a letter's (83 41, 83 61)", false, 932, inScratch(L"\u30a2.bin"),
       [&](const std::string&) { return inScratch(L"\u30c2.bin"); }, false},
  };
  int ran = 0;
  for (const Row& row : rows) {
    if (row.codePage != 0 && row.codePage != GetACP()) continue;
    if (row.wineOnly && !wine) continue;
    ++ran;
    std::string secondPath;
    client::LaunchResult second;
    bool secondStarted = false;
    bool pressed = false;
    bool readOnly = false;
    client::LaunchOptions options;
    options.decisionTimeoutMs = kDecisionTimeoutMs;
    options.started = [&](std::uint32_t id) {
      HWND dialog = nullptr;
      drv::WaitUntil([&] { return (dialog = VisibleDialogOf(id, IsMainDialog)) != nullptr; }, kStartTimeoutMs);
      secondPath = row.second(row.first);
      client::LaunchOptions secondOptions;
      secondOptions.decisionTimeoutMs = kDecisionTimeoutMs;
      secondOptions.started = [&](std::uint32_t secondId) {
        secondStarted = true;
        PressWhenShown(secondId, IDC_CANCEL_PRINTING);
      };
      client::Request request = *::SampleRequest("network-port");
      request.exchangePath = secondPath;
      if (!secondPath.empty() && secondPath != row.first) {
        second = client::Launch(ProgramPath(), request, secondOptions);
      }
      // Someone makes the file read-only meanwhile: the launcher removes it all the same.
      readOnly = SetFileAttributesA(row.first.c_str(), FILE_ATTRIBUTE_READONLY) != 0;
      pressed = dialog != nullptr && drv::ClickButton(dialog, IDC_IGNORE);
    };
    client::Request request = *::SampleRequest("network-port");
    request.exchangePath = row.first;
    const client::LaunchResult first = client::Launch(ProgramPath(), request, options);
    std::printf("%s: %s and %s: %s\n", row.spelling, row.first.c_str(), secondPath.c_str(),
                row.sameFile ? client::Describe(second.error).c_str() : "both decided");
    ASSERT_TRUE(pressed) << row.spelling;
    ASSERT_NE(secondPath, row.first) << row.spelling << ": no other name could be made";
    ASSERT_FALSE(secondPath.empty()) << row.spelling << ": no other name could be made";
    if (row.sameFile) {
      EXPECT_EQ(second.ending, client::LaunchEnding::ExchangePathInUse) << row.spelling;
      EXPECT_FALSE(secondStarted) << row.spelling;
    } else {
      EXPECT_EQ(second.ending, client::LaunchEnding::Decided) << row.spelling << ": " << client::Describe(second.error);
      EXPECT_EQ(second.decision, PAPERCHK_DECISION_CANCEL_PRINTING) << row.spelling;
    }
    EXPECT_EQ(first.ending, client::LaunchEnding::Decided) << row.spelling << ": " << client::Describe(first.error);
    EXPECT_EQ(first.decision, PAPERCHK_DECISION_IGNORE) << row.spelling << ": the first user's decision";
    EXPECT_TRUE(readOnly) << row.spelling;
    EXPECT_TRUE(first.exchangeFileRemoved) << row.spelling << ": " << client::Describe(first.error);
    EXPECT_EQ(GetFileAttributesA(row.first.c_str()), INVALID_FILE_ATTRIBUTES) << row.spelling;
  }
  EXPECT_GE(ran, wine ? 6 : 3) << "rows for code page " << GetACP();
}

// The stand-in driver, killed while paperchk's dialog waits for the user:
// the launcher's job ends paperchk with it.
TEST(Launcher, ADriverThatDiesTakesPaperchkWithIt) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  const std::wstring paperchk = g_paperchkPath;
  const std::wstring standin = g_standinPath;
  const std::vector<DWORD> runningBefore = drv::ProcessIdsByName(L"paperchk.exe");
  drv::ProgramProcess driver;
  ASSERT_TRUE(driver.Start(L"\"" + standin + L"\" --paperchk \"" + paperchk + L"\" --exchange \"" +
                           scratch.File(L"exchange.bin") + L"\""));
  DWORD dialogOf = 0;
  ASSERT_TRUE(drv::WaitUntil(
      [&] {
        for (DWORD id : drv::ProcessIdsByName(L"paperchk.exe")) {
          const bool old = std::find(runningBefore.begin(), runningBefore.end(), id) != runningBefore.end();
          if (!old && VisibleDialogOf(id, IsMainDialog) != nullptr) dialogOf = id;
        }
        return dialogOf != 0;
      },
      kStartTimeoutMs))
      << "the stand-in's paperchk never showed its dialog";

  // The stand-in holds its exchange file: a launch of another process on it
  // is refused, and nothing is started.
  paperchk_launch_result second;
  paperchk_request request{};
  request.printer_name = "Laser";
  request.port = "LPT1:";
  request.item_count = 1;
  request.items[0] = {40002, 50009, 256};
  const std::string heldPath = drv::Ansi(scratch.File(L"exchange.bin"));
  request.exchange_path = heldPath.c_str();
  EXPECT_EQ(paperchk_launch(ProgramPath().c_str(), &request, nullptr, &second), PAPERCHK_REFUSED);
  EXPECT_EQ(second.ending, PAPERCHK_EXCHANGE_PATH_IN_USE) << second.error.message;
  std::vector<DWORD> running = drv::ProcessIdsByName(L"paperchk.exe");
  EXPECT_EQ(running.size(), runningBefore.size() + 1) << "only the stand-in's paperchk runs";

  driver.Kill();
  const bool ended = drv::WaitUntil([&] { return ProcessHasEnded(dialogOf); }, 10000);
  if (!ended) drv::KillProcessId(dialogOf);  // it is this test's to end
  EXPECT_TRUE(ended) << "paperchk outlived its driver";
  EXPECT_EQ(drv::ProcessIdsByName(L"paperchk.exe"), runningBefore);
}

// A driver that calls the launcher from its window's thread: another thread
// (a broadcast, a driver's own worker) sends that window a message while the
// dialog is up. The launcher handles it, so the sender goes on and the
// person's press comes; posted messages stay for the driver's own loop.
std::atomic<int> g_sentToDriverWindow{0};

LRESULT CALLBACK DriverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) return ++g_sentToDriverWindow;
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Launcher, OnAThreadThatOwnsAWindowMessagesSentToItAreHandledDuringTheWait) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DriverWindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"paperchk-test-driver-window";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"driver", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(PostMessageW(window, WM_APP + 1, 0, 0));
  g_sentToDriverWindow = 0;

  std::atomic<std::uint32_t> processId{0};
  std::atomic<bool> pressed{false};
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] {
    HWND dialog = nullptr;
    drv::WaitUntil([&] { return processId != 0 && (dialog = VisibleDialogOf(processId, IsMainDialog)) != nullptr; },
                   kStartTimeoutMs);
    if (dialog == nullptr) return;
    // Returns once the window's thread has handled it; the time limit only
    // keeps a launcher that does not handle it from hanging the test.
    DWORD_PTR handled = 0;
    if (SendMessageTimeoutW(window, WM_APP, 0, 0, SMTO_NORMAL, 15000, &handled) != 0) {
      answer = static_cast<LRESULT>(handled);
    }
    pressed = drv::ClickButton(dialog, IDC_IGNORE);
  });
  client::LaunchOptions options;
  options.decisionTimeoutMs = 10000;  // without the handling the sender waits, and no press comes
  options.started = [&](std::uint32_t id) { processId = id; };
  const client::LaunchResult result =
      client::Launch(ProgramPath(), SampleRequest(scratch.File(L"exchange.bin")), options);
  sender.join();

  EXPECT_EQ(answer, 1) << "the sent message was handled during the wait";
  EXPECT_TRUE(pressed);
  EXPECT_EQ(result.ending, client::LaunchEnding::Decided);
  EXPECT_EQ(result.decision, PAPERCHK_DECISION_IGNORE);
  MSG posted;
  EXPECT_TRUE(PeekMessageW(&posted, window, WM_APP + 1, WM_APP + 1, PM_REMOVE)) << "a posted message stays queued";
  DestroyWindow(window);
  EXPECT_TRUE(ProcessHasEnded(processId));
}

TEST(Launcher, ARefusedRequestNeverStartsTheProgram) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  client::Request request = SampleRequest(scratch.File(L"exchange.bin"));
  request.printerName = "\\\\server\\Laser 2";
  bool started = false;
  client::LaunchOptions options;
  options.started = [&](std::uint32_t) { started = true; };
  const std::vector<DWORD> runningBefore = drv::ProcessIdsByName(L"paperchk.exe");

  const client::LaunchResult result = client::Launch(ProgramPath(), request, options);
  EXPECT_EQ(result.ending, client::LaunchEnding::RequestRefused);
  EXPECT_EQ(result.error.field, client::Field::PrinterName);
  EXPECT_EQ(result.error.rule, client::Rule::PrinterConnection);
  EXPECT_FALSE(started);
  EXPECT_TRUE(result.commandLine.empty());
  EXPECT_FALSE(result.exitStatusKnown);
  EXPECT_TRUE(scratch.List().empty()) << "not even the exchange file is prepared";
  EXPECT_EQ(drv::ProcessIdsByName(L"paperchk.exe"), runningBefore);
}

TEST(Launcher, StartUpErrorEndsWithoutADecisionAndSaysTheProcessIsGone) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  const std::wstring exchange = scratch.File(L"exchange.bin");
  // A line the builder would never write: four items.
  client::Request request = ThreeItemReport();
  request.exchangePath = drv::Ansi(exchange);
  std::string tail;
  ASSERT_TRUE(client::BuildCommandLineTail(request, tail).ok());
  tail.replace(0, 6, "4_Item");
  const std::string program = ProgramPath();
  bool closed = false;
  client::LaunchOptions options;
  options.decisionTimeoutMs = kDecisionTimeoutMs;
  options.keepExchangeFile = true;
  options.started = [&](std::uint32_t id) {
    HWND box = nullptr;
    drv::WaitUntil(
        [&] {
          return (box = VisibleDialogOf(id, [](HWND w) { return drv::WindowText(w) == kStartupErrorCaption; })) !=
                 nullptr;
        },
        kStartTimeoutMs);
    closed = box != nullptr && drv::ClickButton(box, IDOK);
  };

  const client::LaunchResult result =
      client::LaunchCommandLine(program, program + " " + tail, request.exchangePath, options);
  ASSERT_TRUE(closed) << "no start-up error box";
  EXPECT_EQ(result.ending, client::LaunchEnding::ProcessGone);
  EXPECT_EQ(client::Describe(result.error), "paperchk's process ended without writing a decision (exit status 0)");
  std::printf("process gone: %s\n", client::Describe(result.error).c_str());
  EXPECT_EQ(result.decision, 0u);
  EXPECT_TRUE(result.exitStatusKnown);
  EXPECT_EQ(result.exitStatus, 0u);
  EXPECT_FALSE(result.terminated);
  EXPECT_EQ(drv::ReadWholeFile(exchange), Bytes(8, 0)) << "the prepared file stays {0, 0}";
}

TEST(Launcher, NoDecisionWithinTheTimeEndsTheProgram) {
  drv::ScratchDirectory scratch(L"paperchk-launcher");
  ASSERT_TRUE(scratch.ok());
  std::uint32_t processId = 0;
  bool shown = false;
  client::LaunchOptions options;
  options.decisionTimeoutMs = 1500;
  options.preparation = client::Preparation::RemoveOld;
  options.started = [&](std::uint32_t id) {
    processId = id;
    shown = drv::WaitUntil([&] { return VisibleDialogOf(id, IsMainDialog) != nullptr; }, kStartTimeoutMs);
  };

  const client::LaunchResult result =
      client::Launch(ProgramPath(), SampleRequest(scratch.File(L"exchange.bin")), options);
  ASSERT_TRUE(shown);
  EXPECT_EQ(result.ending, client::LaunchEnding::TimedOut);
  EXPECT_EQ(client::Describe(result.error),
            "decision timeout ran out before a decision came, and paperchk was ended (1500 ms)");
  std::printf("timed out: %s\n", client::Describe(result.error).c_str());
  EXPECT_TRUE(result.terminated);
  EXPECT_TRUE(ProcessHasEnded(processId));
  EXPECT_TRUE(scratch.List().empty()) << "the old file was removed and paperchk wrote none";
}

// The platform's files, but the driver's opens of an existing file fail for a
// while (as when another program holds the file for a moment), or for good.
class FlakyFiles final : public client::ProtocolFileSystem {
 public:
  explicit FlakyFiles(int failures) : failuresLeft_(failures) {}
  std::unique_ptr<client::ProtocolFile> Open(const char* path, client::OpenMode mode,
                                             client::FileStatus& status) override {
    if (mode == client::OpenMode::OpenExisting && failuresLeft_ != 0) {
      if (failuresLeft_ > 0) --failuresLeft_;
      ++failedOpens;
      status = client::FileStatus::Failed;
      return nullptr;
    }
    return native_->Open(path, mode, status);
  }
  client::FileStatus Remove(const char* path) override { return native_->Remove(path); }
  int failedOpens = 0;

 private:
  int failuresLeft_;  // -1: for good
  std::unique_ptr<client::ProtocolFileSystem> native_ = client::MakeNativeProtocolFileSystem();
};

TEST(Launcher, AFileErrorOfAMomentIsWaitedOutOneThatLastsEndsTheProgram) {
  for (const int failures : {5, -1}) {
    drv::ScratchDirectory scratch(L"paperchk-launcher");
    ASSERT_TRUE(scratch.ok());
    FlakyFiles files(failures);
    std::uint32_t processId = 0;
    bool pressed = true;
    client::LaunchOptions options;
    options.decisionTimeoutMs = kDecisionTimeoutMs;
    options.files = &files;
    options.started = [&](std::uint32_t id) {
      processId = id;
      // With a lasting error the dialog stays up until the launcher gives up.
      if (failures > 0) pressed = PressWhenShown(id, IDC_IGNORE);
    };
    const client::LaunchResult result =
        client::Launch(ProgramPath(), SampleRequest(scratch.File(L"exchange.bin")), options);
    ASSERT_TRUE(pressed);
    if (failures > 0) {
      EXPECT_EQ(result.ending, client::LaunchEnding::Decided);
      EXPECT_EQ(result.decision, PAPERCHK_DECISION_IGNORE);
      EXPECT_EQ(files.failedOpens, failures);
      EXPECT_FALSE(result.terminated);
    } else {
      EXPECT_EQ(result.ending, client::LaunchEnding::FileFailed);
      EXPECT_EQ(files.failedOpens, 21) << "the check for a device, then one second of polls";
      EXPECT_TRUE(result.terminated);
    }
    EXPECT_TRUE(ProcessHasEnded(processId));
  }
}

}  // namespace
}  // namespace e2e
