// Drives one whole run of the portable core the way the Windows dialogs do:
// the command line is copied and parsed, what the dialog shows worked out,
// then a script of events is
// played (see session_script.h): tray selections, "?" presses, decisions,
// the wait box's ticks, the changes its watch of the folder signals and its
// dismissal, and whatever the driver or a failing file system does to the
// exchange file in between. Every promise
// of the core is checked after every event; a broken one aborts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "dialog/decisions.h"
#include "dialog/paper_check_logic.h"
#include "exchange/completion_watch.h"
#include "exchange/exchange_file.h"
#include "fuzz/session_checks.h"
#include "fuzz/session_script.h"
#include "help/help_file.h"
#include "report/mismatch_report.h"
#include "resources/text_catalogue.h"
#include "support/fakes.h"
#include "support/faulty_exchange_files.h"

namespace paperchk::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Fault = fakes::FaultyExchangeFileSystem::Fault;
using Transfer = fakes::FaultyExchangeFileSystem::Transfer;

constexpr std::size_t kPortLineMaxLength = 15;

// The process ends inside the wait (ExitProcess in the Windows layer).
struct ProcessEnded {};
// The script is used up while the wait box is still polling.
struct ScriptUsedUp {};

class Session final : private PaperCheckWindow {
 public:
  explicit Session(Script& script) : script_(script) {}

  void Run() {
    // As the dialog's initialization: copy, parse, and end at once on refusal.
    char commandLine[kCommandLineSize];
    if (!CopyCommandLine(script_.commandLine().c_str(), commandLine) || !ParseCommandLine(commandLine, report_)) {
      Require(files_.openCount == 0 && files_.files.empty(), "a refused command line touches no file");
      Require(engine_.calls.empty(), "a refused command line opens no help");
      return;
    }

    view_ = ViewPaperCheck(report_, catalogue_, state_);
    Require(view_.title == ("Verifica carta " + std::string(report_.printerName)).c_str(),
            "the title is the caption text, one space and the printer name");
    CheckDialog();
    CheckNoAccess();

    try {
      while (!ended_ && script_.HasMore()) PlayInDialog(script_.Next());
    } catch (const ProcessEnded&) {
      // A completed retry: the process ends without closing help or the dialog.
      Require(QuitCount() == 0, "help is never closed after a completed retry");
      Require(confirmCount_ == 0, "a completed retry does not end the dialog");
    } catch (const ScriptUsedUp&) {
      // The wait would go on polling; nothing more to check.
    }
  }

 private:
  // --- Events while the paper-check dialog is shown ---

  void PlayInDialog(const Event& event) {
    switch (event.kind) {
      case EventKind::kSelectTray:
        PickTray(event.index);
        break;
      case EventKind::kPressHelp:
        help_.Open();
        Require(help_.opened() == (ShowCount() > 0 ? 1u : 0u), "the help flag says whether help was opened");
        break;
      case EventKind::kDecide:
        PlayDecision(static_cast<DecisionCode>(event.decision));
        CheckDialog();
        return;
      case EventKind::kWindowsDirectory:
        // The platform's directory is fixed for a run: only before help is used.
        if (engine_.calls.empty()) engine_.windowsDirectory = "C:\\" + std::string(event.size, 'W');
        break;
      case EventKind::kTick:
      case EventKind::kDismissWait:
      case EventKind::kFolderChange:
        break;  // there is no wait box yet
      default:
        PlayDriver(event);
        break;
    }
    CheckDialog();
    CheckNoAccess();
  }

  void PlayDecision(DecisionCode decision) {
    decision_ = decision;
    helpWasOpened_ = ShowCount() > 0;
    messagesBefore_ = errors_.messages.size();
    Decide(decision, channel_, errors_, help_, *this);
    // Only a dismissed wait or an ignore or cancel gets here.
    Require(confirmCount_ == 1, "a decision ends the dialog once");
    Require(ended_, "the dialog has ended");
  }

  // --- Events while the wait box is shown ---

  void PlayInWait(const Event& event) {
    switch (event.kind) {
      case EventKind::kTick:
        PlayTick();
        break;
      case EventKind::kDismissWait:
        waitDismissed_ = true;
        return;
      case EventKind::kFolderChange:
        PlayFolderChange(event);
        break;
      case EventKind::kSelectTray:
      case EventKind::kPressHelp:
      case EventKind::kDecide:
      case EventKind::kWindowsDirectory:
        break;  // the paper-check dialog is hidden and disabled
      default:
        PlayDriver(event);
        break;
    }
    CheckDialog();
  }

  void PlayTick() {
    const std::size_t transfersBefore = files_.transfers.size();
    const int opensBefore = files_.openCount;
    const std::size_t messagesBefore = errors_.messages.size();
    const std::size_t logBefore = log_.entries.size();
    const int stopsBefore = timer_.stopCount;

    const bool over = watch_->OnTick(errors_);

    Require(files_.openCount == opensBefore + 1, "a poll opens the file once");
    Require(files_.openFiles == 0, "a poll closes the file");
    Require(files_.transfers.size() <= transfersBefore + 1, "a poll makes at most one transfer");
    if (files_.transfers.size() > transfersBefore) {
      const Transfer& read = files_.transfers.back();
      Require(!read.isWrite && read.requested == kExchangeRecordSize, "a poll reads the 8-byte record");
      Require(read.after == read.before, "a poll changes nothing in the file");
      if (read.succeeded) {
        // The bytes read replace the record's first bytes; the rest stay.
        for (std::size_t i = 0; i < read.moved && i < kExchangeRecordSize; ++i) record_[i] = read.before[i];
      }
    }
    Require(channel_.record().decision == LittleEndian32(record_) &&
                channel_.record().completionFlag == LittleEndian32(record_ + 4),
            "the record holds the bytes read, the unread ones from before");

    const std::size_t messages = errors_.messages.size() - messagesBefore;
    const int stops = timer_.stopCount - stopsBefore;
    const bool flagIsOne = LittleEndian32(record_ + 4) == 1;
    Require(messages <= 1, "a poll shows at most one message");
    if (!over) {
      Require(messages == 0 && !flagIsOne && stops == 0, "a poll goes on waiting only without flag 1 or message");
      return;
    }
    Require(flagIsOne || messages == 1, "a poll says over only for flag 1 or after one message");
    Require(stops == 1, "the wait's end stops the timer once");
    if (messages == 1) {
      Require(StopsBeforeMessage(logBefore), "the timer stops before the message is shown");
    }
    throw ProcessEnded{};
  }

  // The modal run's part: deadlines that come before the change are met
  // first, then the change is signalled if the watch is waited on.
  void PlayFolderChange(const Event& event) {
    const std::uint64_t until = now_ + event.size;
    folder_.rearmWorks = !event.rearmFails;
    for (;;) {
      const std::uint64_t wait = watch_->MsUntilDeadline(now_);
      if (wait == kNoDeadline || wait > until - now_) break;
      now_ += wait;
      PlayQuietRead([this] { return watch_->OnDeadline(now_); });
    }
    now_ = until;
    if (watch_->AwaitsChange()) {
      PlayQuietRead([this] { return watch_->OnChange(now_); });
    } else if (watch_->watching()) {
      Require(watch_->MsUntilDeadline(now_) <= watch_->restMs(),
              "a change while the watch is not waited on is left to a read due within the rest");
    }
  }

  // A step of the watch that may read: silent whatever happens, the file
  // neither created nor changed, the record taken only whole, reads 20 ms
  // apart, and over only on a whole record with a flag of exactly 1.
  template <class Step>
  void PlayQuietRead(Step step) {
    const std::string path = report_.exchangePath;
    const bool existed = files_.files.count(path) != 0;
    const std::size_t transfersBefore = files_.transfers.size();
    const int opensBefore = files_.openCount;
    const std::size_t messagesBefore = errors_.messages.size();
    const int stopsBefore = timer_.stopCount;

    const bool over = step();

    Require(errors_.messages.size() == messagesBefore, "a read a change prompted shows nothing");
    Require(watch_->restMs() >= kChangeReadRestMs && watch_->restMs() <= kChangeReadLongestRestMs,
            "the rest stays between 20 and 640 ms");
    Require(files_.openCount <= opensBefore + 1 && files_.openFiles == 0, "a quiet read opens at most once and closes");
    Require((files_.files.count(path) != 0) == existed, "a quiet read neither creates nor removes the file");
    if (files_.openCount > opensBefore) {
      Require(!quietReadBefore_ || now_ - lastQuietReadAt_ >= kChangeReadRestMs, "quiet reads are 20 ms apart");
      quietReadBefore_ = true;
      lastQuietReadAt_ = now_;
    }
    Require(files_.transfers.size() <= transfersBefore + 1, "a quiet read makes at most one transfer");
    bool whole = false;
    if (files_.transfers.size() > transfersBefore) {
      const Transfer& read = files_.transfers.back();
      Require(!read.isWrite && read.requested == kExchangeRecordSize, "a quiet read reads the 8-byte record");
      Require(read.after == read.before, "a quiet read changes nothing in the file");
      whole = read.succeeded && read.moved == kExchangeRecordSize;
      if (whole) {
        for (std::size_t i = 0; i < kExchangeRecordSize; ++i) record_[i] = read.before[i];
      }
    }
    Require(channel_.record().decision == LittleEndian32(record_) &&
                channel_.record().completionFlag == LittleEndian32(record_ + 4),
            "a quiet read takes a whole record or nothing");
    const bool flagIsOne = whole && LittleEndian32(record_ + 4) == 1;
    Require(over == flagIsOne, "a quiet read ends the wait exactly on a whole record with flag 1");
    Require(timer_.stopCount - stopsBefore == (over ? 1 : 0), "the wait's end stops the timer once");
    if (over) throw ProcessEnded{};
  }

  bool StopsBeforeMessage(std::size_t logStart) const {
    for (std::size_t i = logStart; i < log_.entries.size(); ++i) {
      if (log_.entries[i] == "StopTimer") return true;
      if (log_.entries[i].rfind("ShowFileError", 0) == 0) return false;
    }
    return false;
  }

  // --- What the driver or a failing file system does ---

  void PlayDriver(const Event& event) {
    const std::string path = report_.exchangePath;
    switch (event.kind) {
      case EventKind::kCallerSetsFlag: {
        Bytes& bytes = files_.files[path];
        if (bytes.size() < kExchangeRecordSize) bytes.resize(kExchangeRecordSize);
        for (std::size_t i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(event.flag >> (8 * i));
        break;
      }
      case EventKind::kCallerWritesFile:
        files_.files[path] = event.file;
        break;
      case EventKind::kCallerResizesFile:
        files_.files[path].resize(event.size, event.fill);
        break;
      case EventKind::kCallerDeletesFile:
        files_.files.erase(path);
        break;
      case EventKind::kFaultNextAccess: {
        Fault fault;
        fault.openFails = event.fault == 0;
        fault.transferFails = event.fault == 1;
        fault.limitCount = event.fault == 2;
        fault.countLimit = event.size % kExchangeRecordSize;  // always short
        fault.resizeAfterOpen = event.fault == 3;
        fault.sizeAfterOpen = event.size;
        fault.growFill = event.fill;
        files_.QueueFault(fault);
        break;
      }
      default:
        break;
    }
  }

  // --- PaperCheckWindow: the decision's effects on the window ---

  void Hide() override {
    CheckWrite();
    Require(decision_ == DecisionCode::Retry, "only a retry hides the dialog");
    hidden_ = true;
  }

  void RunWaitDialog() override {
    Require(hidden_, "the wait box is shown with the dialog hidden");
    // As the wait box: the folder is watched where the path names one.
    char folder[kExchangePathSize];
    const bool watchable = FolderOfExchangeFile(report_.exchangePath, folder, sizeof folder);
    CompletionWatch watch(channel_, timer_, watchable ? &folder_ : nullptr);
    watch_ = &watch;
    waitDismissed_ = false;
    while (!waitDismissed_) {
      if (!script_.HasMore()) throw ScriptUsedUp{};
      PlayInWait(script_.Next());
    }
    watch_ = nullptr;
  }

  void Confirm() override {
    if (decision_ != DecisionCode::Retry) CheckWrite();
    ++confirmCount_;
    ended_ = true;
    // Help is closed before the dialog ends exactly when it was opened, for
    // the path it was opened with.
    Require(QuitCount() == (helpWasOpened_ ? 1 : 0), "a decision closes help exactly when it was opened");
    if (helpWasOpened_) {
      Require(engine_.calls.back().operation == "Quit" &&
                  engine_.calls.back().path == engine_.calls.front().path,
              "help is closed for the file it was opened with");
    }
  }

  // The decision's write: exactly {decision, 0} in bytes 0 to 7, or one
  // message; bytes from 8 on untouched either way.
  void CheckWrite() {
    const std::size_t messages = errors_.messages.size() - messagesBefore_;
    Require(files_.openCount == 1, "a decision opens the file once");
    Require(files_.openFiles == 0, "a decision closes the file");
    Require(files_.transfers.size() <= 1, "a decision makes at most one transfer");
    if (!files_.transfers.empty()) {
      const Transfer& write = files_.transfers.back();
      Require(write.isWrite && write.requested == kExchangeRecordSize, "a decision writes the 8-byte record");
      Require(Tail(write.after) == Tail(write.before), "bytes 8 onwards never change");
      const std::size_t grown = write.moved > write.before.size() ? write.moved : write.before.size();
      Require(write.after.size() == grown, "a write never shortens the file or grows it past the record");
    }
    const Bytes expected = RecordBytes(static_cast<std::uint32_t>(decision_), 0);
    for (std::size_t i = 0; i < kExchangeRecordSize; ++i) record_[i] = expected[i];
    Require(channel_.record().decision == LittleEndian32(record_) && channel_.record().completionFlag == 0,
            "the record is {decision, 0} whatever the write's outcome");

    if (messages == 0) {
      const auto file = files_.files.find(report_.exchangePath);
      Require(file != files_.files.end() && file->second.size() >= kExchangeRecordSize &&
                  Bytes(file->second.begin(), file->second.begin() + kExchangeRecordSize) == expected,
              "a write without message leaves exactly {decision, 0}");
    } else {
      Require(messages == 1, "a failed write shows one message");
    }
  }

  // --- Checks after every event ---

  // The user picks an entry (an index outside the list chooses none), and the
  // printer column follows.
  void PickTray(int index) {
    const TrayEntries& trays = view_.trays;
    const TextBuffer chosen = index >= 0 && index < trays.count ? trays.entries[index] : TextBuffer();
    ColumnRows printer;
    if (PrinterColumnForTray(report_, catalogue_, state_, chosen, printer)) view_.printerValues = printer;
  }

  void CheckDialog() {
    for (const ColumnRows* column : {&view_.settings, &view_.applicationValues, &view_.printerValues}) {
      Require(column->count == static_cast<int>(report_.itemCount), "each column holds one row per item");
      for (int row = 0; row < column->count; ++row) {
        Require(IsCatalogueTextOrEmpty(column->rows[row].c_str()), "every row is a catalogue text or empty");
      }
    }

    const TrayEntries& trays = view_.trays;
    Require(trays.count >= 1 && trays.count <= kMaxTrayEntries, "the tray selector has one or two entries");
    Require(trays.chosen >= 0 && trays.chosen < trays.count, "the tray selector starts on one of its entries");
    for (int entry = 0; entry < trays.count; ++entry) {
      Require(IsTrayEntry(trays.entries[entry].c_str()),
              "a tray entry is \"Stampante:\" and a source, at most 255 characters");
    }

    Require(view_.portFirstLine.size() <= kPortLineMaxLength && view_.portSecondLine.size() <= kPortLineMaxLength,
            "port lines hold at most 15 characters");
  }

  // Selecting a tray or opening help never touches the exchange file.
  void CheckNoAccess() const {
    Require(files_.openCount == 0, "only decisions and polls open the exchange file");
  }

  int ShowCount() const { return CountHelpCalls("ShowContext"); }
  int QuitCount() const { return CountHelpCalls("Quit"); }
  int CountHelpCalls(const char* operation) const {
    return static_cast<int>(std::count_if(engine_.calls.begin(), engine_.calls.end(),
                                          [operation](const fakes::FakeHelpEngine::Call& call) {
                                            return call.operation == operation;
                                          }));
  }

  Script& script_;
  MismatchReport report_{};
  const BuiltInTextCatalogue catalogue_;
  PaperCheckView view_;
  PaperCheckState state_;
  fakes::FaultyExchangeFileSystem files_;
  fakes::CallLog log_;
  fakes::FakeFileErrorReporter errors_{&log_};
  fakes::FakePollTimer timer_{&log_};
  fakes::FakeHelpEngine engine_{&log_};
  fakes::FakeFolderWatch folder_;
  CompletionWatch* watch_ = nullptr;  // while the wait box is shown
  std::uint64_t now_ = 0;
  bool quietReadBefore_ = false;
  std::uint64_t lastQuietReadAt_ = 0;
  // As in the dialog: both are bound before the parse fills what they point at.
  ExchangeChannel channel_{files_, report_.exchangePath};
  HelpSession help_{engine_, state_.helpFileName};

  std::uint8_t record_[kExchangeRecordSize] = {};  // what the record must hold
  DecisionCode decision_ = DecisionCode::Retry;
  bool helpWasOpened_ = false;
  std::size_t messagesBefore_ = 0;
  bool hidden_ = false;
  bool waitDismissed_ = false;
  bool ended_ = false;
  int confirmCount_ = 0;
};

}  // namespace
}  // namespace paperchk::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  paperchk::fuzz::Script script(data, size);
  paperchk::fuzz::Session session(script);
  session.Run();
  return 0;
}
