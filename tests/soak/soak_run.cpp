#include "soak_run.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "expected_file.h"
#include "program_watch.h"
#include "random_source.h"
#include "resources/resource_ids.h"

namespace soak {
namespace {

constexpr wchar_t kTitlePrefix[] = L"Verifica carta ";
constexpr wchar_t kTrayPrefix[] = L"Stampante:";
constexpr wchar_t kOpenError[] = L"CreateFile ERROR!!!";
constexpr char kHelpFolderAndName[] = "\\System32\\spool\\drivers\\w32x86\\2\\PCHKHELP.HLP";
constexpr std::uint32_t kHelpTopic = 4608;
constexpr std::size_t kTrayEntryMaxLength = 255;

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kEndTimeoutMs = 5000;
constexpr DWORD kReactionTimeoutMs = 5000;  // a box, a help request, a focus change
constexpr DWORD kRecreateTimeoutMs = 3000;  // a poll comes once a second
constexpr DWORD kEndPollMs = 15;
// A poll that failed just before the driver let go of the file may still be
// putting up its box: after this long it would be there.
constexpr DWORD kAfterReleaseMs = 1500;
constexpr int kMaxTabs = 8;

int ButtonOf(std::uint32_t decision) {
  switch (decision) {
    case drv::kRetry: return IDC_RETRY;
    case drv::kIgnore: return IDC_IGNORE;
    default: return IDC_CANCEL_PRINTING;
  }
}

std::string HelpPath() {
  char directory[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
  return std::string(directory, length < MAX_PATH ? length : 0) + kHelpFolderAndName;
}

class SoakRun {
 public:
  SoakRun(const RunPlan& plan, const SoakContext& context)
      : plan_(plan),
        context_(context),
        input_(*context.input),
        pauses_(plan.seed ^ 0x70617573ULL),
        scratch_(L"paperchk-soak"),
        helpRequestsBefore_(context.help->Requests().size()) {}

  ~SoakRun() {
    hold_.reset();
    process_.Kill();
    for (const ProcessEntry& process : context_.processes->Newcomers()) {
      if (process.id != GetCurrentProcessId()) drv::KillProcessId(process.id);
    }
  }

  SoakRun(const SoakRun&) = delete;
  SoakRun& operator=(const SoakRun&) = delete;

  void Go() {
    const bool ended = Prepare() && Start() && CheckPopulation() && ActBeforeDeciding() && Decide() &&
                       (plan_.decision == drv::kRetry ? Wait() : ExpectEnd());
    Release();
    if (!ended) {
      // What the run was left with, for the report.
      watch_.Fail("exchange file then: " + Hex(drv::ReadWholeFile(path_)) + ", expected " + Hex(expected_.bytes()) +
                  "; windows then: " + WindowsOfTheProgram() + "; help requests: " + HelpRequestsOfTheRun());
      return;
    }
    CheckFile("at the end");
    CheckHelp();
    CheckNothingLeft();
  }

  const std::vector<std::string>& failures() const { return watch_.failures(); }

  std::string WindowsOfTheProgram() const {
    if (!process_.IsRunning()) return "none (ended)";
    std::string list;
    for (HWND window : drv::TopLevelWindows(process_.id(), nullptr, false)) {
      list += (list.empty() ? "" : ", ") + drv::Utf8(drv::ClassNameOf(window)) +
              (IsWindowVisible(window) ? " visible " : " hidden ") + Description(window);
    }
    return list;
  }

  std::string HelpRequestsOfTheRun() const {
    const std::vector<HelpRequest> all = context_.help->Requests();
    std::string list;
    for (std::size_t i = helpRequestsBefore_; i < all.size(); ++i) {
      list += (list.empty() ? "" : ", ") + std::to_string(all[i].command);
    }
    return list.empty() ? "none" : list;
  }
  double flagToEndMs() const { return flagToEndMs_; }
  double releaseToEndMs() const { return releaseToEndMs_; }
  bool tickInHold() const { return tickInHold_; }

 private:
  bool Pause() { return watch_.Watch(pauses_.Between(0, plan_.thinkMs)); }

  // --- Real input ------------------------------------------------------------

  bool Click(HWND control, const char* what) {
    if (control == nullptr || !drv::ClickWindowCentre(input_, control))
      return watch_.Fail(std::string("could not click ") + what);
    return true;
  }

  bool Press(drv::Key key, const char* what) {
    if (!input_.Press(key)) return watch_.Fail(std::string("could not press ") + what);
    return true;
  }

  // Keys go to the window a click has made active, as a user clicks a window
  // before typing into it. (Under Wine without a window manager a window
  // shown while another is hidden can be active without the X keyboard
  // focus, and the keys would be lost.)
  bool ActivateForKeys(HWND window) {
    if (!drv::ActivateByClick(input_, window)) return watch_.Fail("could not make a window of paperchk active");
    return true;
  }

  // Tab until the control has the focus, as a user does from wherever it is.
  bool FocusByTab(HWND dialog, int control) {
    for (int tabs = 0; tabs <= kMaxTabs; ++tabs) {
      const int focused = drv::FocusedControlId(dialog);
      if (focused == control) return true;
      if (!Press(drv::Key::Tab, "Tab")) return false;
      if (!watch_.Observe([&](const Windows&) { return drv::FocusedControlId(dialog) != focused; },
                          kReactionTimeoutMs)) {
        if (!watch_.failed()) watch_.Fail("Tab did not move the focus from control " + std::to_string(focused));
        return false;
      }
    }
    return watch_.Fail("Tab did not reach control " + std::to_string(control));
  }

  // A click on the button, or Tab to it and Enter.
  bool PressButton(HWND dialog, int button, Way way) {
    if (way == Way::Mouse) return Click(GetDlgItem(dialog, button), "a button");
    return ActivateForKeys(dialog) && FocusByTab(dialog, button) && Press(drv::Key::Return, "Enter");
  }

  // --- The exchange file -----------------------------------------------------

  bool Hold() {
    // paperchk may have the file open for a poll at this very moment.
    for (int attempt = 0; attempt < 50 && !hold_; ++attempt) {
      hold_ = std::make_unique<drv::ExclusiveHold>(path_);
      if (!hold_->ok()) {
        hold_.reset();
        Sleep(20);
      }
    }
    if (!hold_) return watch_.Fail("could not hold the exchange file");
    expected_.OpenAlways();
    // The hold must keep out an open that shares everything, as paperchk's does.
    HANDLE other = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (other != INVALID_HANDLE_VALUE) {
      CloseHandle(other);
      return watch_.Fail("the exclusive hold does not keep other opens out");
    }
    return true;
  }

  void Release() { hold_.reset(); }

  bool CutFile(std::uint32_t size) {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return watch_.Fail("could not open the exchange file to cut it");
    const bool cut = SetFilePointer(file, static_cast<LONG>(size), nullptr, FILE_BEGIN) == size && SetEndOfFile(file);
    CloseHandle(file);
    if (!cut) return watch_.Fail("could not cut the exchange file");
    expected_.CutTo(size);
    return true;
  }

  bool DeleteFileDuringPolls() {
    // paperchk does not share deletion while it has the file open.
    bool deleted = false;
    for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {
      deleted = DeleteFileW(path_.c_str()) != 0;
      if (!deleted) Sleep(20);
    }
    if (!deleted) return watch_.Fail("could not delete the exchange file");
    expected_.Delete();
    if (!watch_.Await([&](const Windows&) { return drv::FileExists(path_); }, kRecreateTimeoutMs,
                      "new exchange file from the next poll")) {
      return false;
    }
    expected_.OpenAlways();
    return true;
  }

  bool CheckFile(const char* when) {
    const std::optional<Bytes> actual = drv::ReadWholeFile(path_);
    const std::optional<Bytes>& expected = expected_.bytes();
    if (actual == expected) return true;
    std::string what = std::string("exchange file ") + when + ": " + Hex(actual) + ", expected " + Hex(expected);
    if (actual && expected && actual->size() >= 8 && expected->size() >= 8) {
      const std::uint32_t written = drv::DecodeRecord(*actual).value_or(drv::ExchangeRecord{}).decision;
      if (written != drv::DecodeRecord(*expected).value_or(drv::ExchangeRecord{}).decision) {
        what += " (decision " + std::to_string(written) + ", the button pressed was " +
                drv::Utf8(drv::DecisionName(plan_.decision)) + ")";
      }
    }
    return watch_.Fail(what);
  }

  // --- The run's steps -------------------------------------------------------

  bool Prepare() {
    if (!scratch_.ok()) return watch_.Fail("no scratch directory");
    path_ = scratch_.File(L"exchange.bin");
    if (plan_.fileBefore) {
      if (!drv::WriteWholeFile(path_, plan_.initialBytes)) return watch_.Fail("could not create the exchange file");
      expected_.Set(plan_.initialBytes);
    }
    return true;
  }

  bool Start() {
    std::string refusal;
    const std::optional<std::wstring> tail = drv::ClientTail(plan_.report, path_, &refusal);
    if (!tail) return watch_.Fail("the client library refuses the plan's request: " + refusal);
    const std::wstring commandLine = drv::BuildCommandLine(context_.paperchkPath, *tail);
    std::wstring error;
    if (!process_.Start(commandLine, &error)) return watch_.Fail("could not start paperchk: " + drv::Utf8(error));
    auto shown = [&](const Windows& windows) {
      dialog_ = windows.main;
      return dialog_ != nullptr;
    };
    return watch_.Await(shown, kStartTimeoutMs, "paper-check dialog");
  }

  bool CheckPopulation() {
    const paperchk_client::Request& report = plan_.report;
    const std::wstring title = drv::WindowText(dialog_);
    if (title != kTitlePrefix + drv::FromAnsi(report.printerName)) {
      return watch_.Fail("title '" + drv::Utf8(title) + "'");
    }
    if (!CheckRowCounts()) return false;
    const std::vector<std::wstring> entries = drv::ComboEntries(dialog_, IDC_TRAY_COMBO);
    if (entries.empty() || entries.size() > 2) return watch_.Fail(std::to_string(entries.size()) + " tray entries");
    for (const std::wstring& entry : entries) {
      if (entry.rfind(kTrayPrefix, 0) != 0 || entry.size() > kTrayEntryMaxLength) {
        return watch_.Fail("tray entry '" + drv::Utf8(entry) + "'");
      }
    }
    const PortLines expected = ExpectedPortLines(drv::FromAnsi(report.port));
    const std::wstring first = drv::ControlText(dialog_, IDC_PORT_LINE1);
    const std::wstring second = drv::ControlText(dialog_, IDC_PORT_LINE2);
    if (first != expected.first || second != expected.second) {
      return watch_.Fail("port lines '" + drv::Utf8(first) + "' '" + drv::Utf8(second) + "', expected '" +
                         drv::Utf8(expected.first) + "' '" + drv::Utf8(expected.second) + "'");
    }
    return true;
  }

  bool CheckRowCounts() {
    const std::size_t items = plan_.report.items.size();
    for (int list : {IDC_SETTING_LIST, IDC_APPLICATION_LIST, IDC_PRINTER_LIST}) {
      const std::size_t rows = drv::ListRows(dialog_, list).size();
      if (rows != items) {
        return watch_.Fail("list " + std::to_string(list) + " holds " + std::to_string(rows) + " rows for " +
                           std::to_string(items) + " items");
      }
    }
    return true;
  }

  bool ActBeforeDeciding() {
    if (plan_.help && plan_.traySwitch && !plan_.helpBeforeTray) {
      return SwitchTray() && Pause() && PressHelp() && Pause();
    }
    if (plan_.help && !(PressHelp() && Pause())) return false;
    if (plan_.traySwitch && !(SwitchTray() && Pause())) return false;
    return true;
  }

  bool PressHelp() {
    const std::size_t before = context_.help->Requests().size();
    if (!PressButton(dialog_, IDC_HELP_BUTTON, plan_.helpWay)) return false;
    if (!watch_.Await([&](const Windows&) { return context_.help->Requests().size() > before; }, kReactionTimeoutMs,
                      "help request after \"?\"")) {
      return false;
    }
    const HelpRequest request = context_.help->Requests()[before];
    if (request.command != HELP_CONTEXT || request.data != kHelpTopic || request.path != HelpPath() ||
        request.owner != 0) {
      return watch_.Fail("\"?\" asked the help engine for command " + std::to_string(request.command) + ", topic " +
                         std::to_string(request.data) + ", file '" + request.path + "', owner " +
                         std::to_string(request.owner));
    }
    return true;
  }

  // A click opens the selector's list, Esc closes it, an arrow key picks the
  // other entry (with one entry it changes nothing).
  bool SwitchTray() {
    HWND combo = GetDlgItem(dialog_, IDC_TRAY_COMBO);
    const std::size_t entries = drv::ComboEntries(dialog_, IDC_TRAY_COMBO).size();
    const int start = drv::ComboSelection(dialog_, IDC_TRAY_COMBO);
    if (!Click(combo, "the tray selector")) return false;
    if (!watch_.Await([&](const Windows&) { return drv::KeyboardFocus(dialog_) == combo; }, kReactionTimeoutMs,
                      "focus on the tray selector after a click")) {
      return false;
    }
    const drv::Key away = start == 0 ? drv::Key::Down : drv::Key::Up;
    const drv::Key back = start == 0 ? drv::Key::Up : drv::Key::Down;
    const int other = entries == 2 ? 1 - start : start;
    if (!Press(drv::Key::Escape, "Esc") || !Press(away, "an arrow key")) return false;
    if (!AwaitSelection(other) || !CheckRowCounts()) return false;
    if (plan_.trayBack && !(Press(back, "an arrow key") && AwaitSelection(start) && CheckRowCounts())) return false;
    return true;
  }

  bool AwaitSelection(int selection) {
    watch_.Watch(200);  // an arrow key that changes nothing shows nothing either
    return !watch_.failed() &&
           watch_.Await([&](const Windows&) { return drv::ComboSelection(dialog_, IDC_TRAY_COMBO) == selection; },
                        kReactionTimeoutMs, "tray entry " + std::to_string(selection));
  }

  bool Decide() {
    const bool held = plan_.fault == FileFault::HeldAtDecision;
    if (held && !Hold()) return false;
    if (!Pause() || !PressButton(dialog_, ButtonOf(plan_.decision), plan_.decisionWay)) return false;
    if (!held) {
      expected_.WriteAt(0, drv::EncodeRecord({plan_.decision, 0}));
      return true;
    }
    // The decision cannot open the file: one box, and the program waits for
    // the user to close it.
    watch_.AllowFileBoxes(1);
    HWND box = nullptr;
    if (!AwaitFileBox(&box)) return false;
    if (!plan_.holdPastWriteBox) Release();
    if (!Pause() || !CloseBox(box)) return false;
    if (!hold_) watch_.AllowFileBoxes(0);
    return true;
  }

  bool AwaitFileBox(HWND* box) {
    auto shown = [&](const Windows& windows) {
      if (windows.fileBoxes.empty()) return false;
      *box = windows.fileBoxes[0];
      return true;
    };
    if (!watch_.Await(shown, kReactionTimeoutMs, "file-error box")) return false;
    const std::vector<std::wstring> texts = drv::ChildTexts(*box, L"Static");
    for (const std::wstring& text : texts) {
      if (text == kOpenError) return true;
    }
    return watch_.Fail("the file-error box says " + Description(*box));
  }

  bool CloseBox(HWND box) {
    const bool pressed = plan_.boxCloseWay == Way::Mouse ? Click(GetDlgItem(box, IDOK), "the box's OK")
                                                         : ActivateForKeys(box) && Press(drv::Key::Return, "Enter");
    return pressed && watch_.Await([&](const Windows&) { return !IsWindow(box); }, kReactionTimeoutMs,
                                   "close of the file-error box");
  }

  bool ExpectEnd() {
    auto ended = [&](const Windows&) { return !process_.IsRunning(); };
    if (!watch_.Await(ended, kEndTimeoutMs, "end of paperchk")) return false;
    const std::optional<DWORD> status = process_.ExitCode();
    if (!status || *status != 0) return watch_.Fail("paperchk ended with " + watch_.ExitStatusText());
    return true;
  }

  // After "Riprova": the dialog hidden, the wait box up, the record written
  // (unless the file was held), then what the driver does during the wait.
  bool Wait() {
    auto shown = [&](const Windows& windows) {
      waitBox_ = windows.waitBox;
      return waitBox_ != nullptr;
    };
    if (!watch_.Await(shown, kReactionTimeoutMs, "wait box")) return false;
    const double waitShown = drv::NowMs();
    if (IsWindowVisible(dialog_)) return watch_.Fail("the paper-check dialog is still visible with the wait box");
    watch_.DialogMustStayHidden();
    // A held file cannot be read; the check at the end covers it.
    if (!hold_ && !CheckFile("when the wait box appeared")) return false;

    bool endedByFileError = false;
    if (!DisturbTheWait(&endedByFileError)) return false;
    if (endedByFileError) {
      endedInWait_ = true;
      return ExpectEnd();
    }

    if (plan_.waitEnd != WaitEnd::Completion) {
      const drv::Key key = plan_.waitEnd == WaitEnd::Escape ? drv::Key::Escape : drv::Key::Return;
      return Pause() && ActivateForKeys(waitBox_) && Press(key, "a key in the wait box") && ExpectEnd();
    }
    const double waited = drv::NowMs() - waitShown;
    if (waited < plan_.completionDelayMs && !watch_.Watch(static_cast<DWORD>(plan_.completionDelayMs - waited))) {
      return false;
    }
    endedInWait_ = true;
    return plan_.fault == FileFault::HeldWhileWritingFlag ? CompleteHeldAndTime() : CompleteAndTime();
  }

  // The driver's faults during the wait. A file-error box that a poll shows
  // ends the wait once it is closed.
  bool DisturbTheWait(bool* endedByFileError) {
    auto closeBoxOfPoll = [&](DWORD keepOpenMs) {
      HWND box = nullptr;
      if (!AwaitFileBox(&box) || !watch_.Watch(keepOpenMs) || !CloseBox(box)) return false;
      watch_.AllowFileBoxes(0);
      *endedByFileError = true;
      return true;
    };
    switch (plan_.fault) {
      case FileFault::None: return true;
      case FileFault::HeldAtDecision:
        // Still held: the first poll cannot open the file. Its box stays
        // alone however long the file is held (the timer is stopped).
        return !hold_ || closeBoxOfPoll(plan_.holdMs);
      case FileFault::HeldDuringWait: {
        if (!Hold()) return false;
        watch_.AllowFileBoxes(1);
        if (!watch_.Watch(plan_.holdMs)) return false;
        Release();
        const bool boxShown =
            watch_.Observe([](const Windows& windows) { return !windows.fileBoxes.empty(); }, kAfterReleaseMs);
        if (watch_.failed()) return false;
        if (boxShown) return closeBoxOfPoll(pauses_.Between(0, plan_.thinkMs));
        watch_.AllowFileBoxes(0);
        return true;
      }
      case FileFault::CutDuringWait: return CutFile(plan_.cutTo);
      case FileFault::DeletedDuringWait: return DeleteFileDuringPolls();
      case FileFault::HeldWhileWritingFlag: return true;  // at the completion
    }
    return true;
  }

  bool CompleteAndTime() {
    if (!drv::WriteCompletionFlag(path_, 1)) return watch_.Fail("could not write the completion flag");
    const double written = drv::NowMs();
    expected_.WriteAt(4, Bytes{1, 0, 0, 0});
    for (;;) {
      if (WaitForSingleObject(process_.handle(), kEndPollMs) == WAIT_OBJECT_0) break;
      if (!watch_.Check(watch_.Look())) return false;
      if (drv::NowMs() - written > kEndTimeoutMs) {
        return watch_.Fail("paperchk still runs " + std::to_string(kEndTimeoutMs) + " ms after the completion flag");
      }
    }
    return CheckEndAfterFlag(written);
  }

  // The end after a completed retry: within the limit of the flag, status 0.
  bool CheckEndAfterFlag(double written) {
    flagToEndMs_ = drv::NowMs() - written;
    // A late end is noted; the checks after the end still run.
    if (flagToEndMs_ > kFlagToEndLimitMs) {
      watch_.Fail("paperchk ended " + std::to_string(static_cast<int>(flagToEndMs_)) + " ms after the completion flag");
    }
    const std::optional<DWORD> status = process_.ExitCode();
    if (!status || *status != 0) return watch_.Fail("paperchk ended with " + watch_.ExitStatusText());
    return true;
  }

  // The driver writes the flag through a hold without sharing and lets go
  // 30 ms later. The reads its write prompts cannot open the file and show
  // nothing; a tick that falls inside the hold shows its box, as it always
  // has, and closing the box ends the process.
  bool CompleteHeldAndTime() {
    if (!Hold()) return false;
    watch_.AllowFileBoxes(1);
    if (!hold_->WriteCompletionFlag(1)) return watch_.Fail("could not write the completion flag through the hold");
    const double written = drv::NowMs();
    expected_.WriteAt(4, Bytes{1, 0, 0, 0});
    if (!watch_.Watch(kFlagHoldMs)) return false;
    Release();
    const double released = drv::NowMs();
    HWND box = nullptr;
    for (;;) {
      if (WaitForSingleObject(process_.handle(), kEndPollMs) == WAIT_OBJECT_0) break;
      const Windows windows = watch_.Look();
      if (!watch_.Check(windows)) return false;
      if (!windows.fileBoxes.empty()) {
        box = windows.fileBoxes[0];
        break;
      }
      if (drv::NowMs() - released > kEndTimeoutMs) {
        return watch_.Fail("paperchk still runs " + std::to_string(kEndTimeoutMs) + " ms after the driver let go");
      }
    }
    if (box != nullptr) {
      tickInHold_ = true;
      if (!CloseBox(box)) return false;
      watch_.AllowFileBoxes(0);
      return ExpectEnd();
    }
    releaseToEndMs_ = drv::NowMs() - released;
    return CheckEndAfterFlag(written);
  }

  // --- After the end ---------------------------------------------------------

  // Help: closed by every end but those inside the wait (the driver's
  // completion, a file error during the wait); nothing without "?".
  void CheckHelp() {
    const std::vector<HelpRequest> all = context_.help->Requests();
    const std::vector<HelpRequest> requests(all.begin() + static_cast<std::ptrdiff_t>(helpRequestsBefore_), all.end());
    if (!plan_.help) {
      if (!requests.empty()) watch_.Fail(std::to_string(requests.size()) + " help requests without \"?\"");
      return;
    }
    std::size_t quits = 0;
    for (const HelpRequest& request : requests) {
      if (request.command != HELP_QUIT) continue;
      ++quits;
      if (request.path != HelpPath() || request.owner != 0) watch_.Fail("help closed for '" + request.path + "'");
    }
    const std::size_t expectedQuits = endedInWait_ ? 0 : 1;
    if (quits != expectedQuits || (quits == 1 && requests.back().command != HELP_QUIT)) {
      watch_.Fail("help closed " + std::to_string(quits) + " times, expected " + std::to_string(expectedQuits) +
                  (endedInWait_ ? " (the run ended inside the wait)" : " (the dialog ended)"));
    }
  }

  void CheckNothingLeft() {
    std::vector<ProcessEntry> left;
    drv::WaitUntil(
        [&] {
          left.clear();
          for (const ProcessEntry& process : context_.processes->Newcomers()) {
            if (process.id != GetCurrentProcessId()) left.push_back(process);
          }
          return left.empty();
        },
        2000, 50);
    if (left.empty()) return;
    std::string names;
    for (const ProcessEntry& process : left)
      names += " " + drv::Utf8(process.name) + " (" + std::to_string(process.id) + ")";
    watch_.Fail("left running in the prefix:" + names);
  }

  const RunPlan& plan_;
  const SoakContext& context_;
  drv::RealInput& input_;
  RandomSource pauses_;
  drv::ScratchDirectory scratch_;
  std::wstring path_;
  drv::ProgramProcess process_;
  ProgramWatch watch_{process_};
  std::unique_ptr<drv::ExclusiveHold> hold_;
  ExpectedFile expected_;
  std::size_t helpRequestsBefore_;

  HWND dialog_ = nullptr;
  HWND waitBox_ = nullptr;
  bool endedInWait_ = false;
  double flagToEndMs_ = -1;
  double releaseToEndMs_ = -1;
  bool tickInHold_ = false;
};

}  // namespace

RunOutcome ExecuteRun(const RunPlan& plan, const SoakContext& context) {
  const double started = drv::NowMs();
  RunOutcome outcome;
  {
    SoakRun run(plan, context);
    run.Go();
    for (const std::string& failure : run.failures()) {
      outcome.failure += (outcome.failure.empty() ? "" : "; ") + failure;
    }
    outcome.passed = run.failures().empty();
    outcome.flagToEndMs = run.flagToEndMs();
    outcome.releaseToEndMs = run.releaseToEndMs();
    outcome.tickInHold = run.tickInHold();
  }
  outcome.durationMs = drv::NowMs() - started;
  return outcome;
}

}  // namespace soak
