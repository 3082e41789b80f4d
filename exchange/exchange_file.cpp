#include "exchange/exchange_file.h"

namespace paperchk {

const char kCreateFileError[] = "CreateFile ERROR!!!";
const char kWriteFileError[] = "WriteFile ERROR!!!";
const char kReadFileError[] = "ReadFile ERROR!!!";
const char kFileErrorCaption[] = "KLDEXE";

namespace {

// Stops the wait's timer before the first error message, so that the box's
// own message loop cannot deliver further ticks that would open more boxes.
class TimerStoppingReporter final : public FileErrorReporter {
 public:
  TimerStoppingReporter(PollTimer& timer, FileErrorReporter& errors) : timer_(timer), errors_(errors) {}

  void ShowFileError(const char* message) override {
    StopTimer();
    errors_.ShowFileError(message);
  }

  void StopTimer() {
    if (stopped_) return;
    stopped_ = true;
    timer_.Stop();
  }

 private:
  PollTimer& timer_;
  FileErrorReporter& errors_;
  bool stopped_ = false;
};

}  // namespace

void EncodeRecord(const ExchangeRecord& record, std::uint8_t (&bytes)[kExchangeRecordSize]) {
  paperchk_record_put32(record.decision, bytes + PAPERCHK_DECISION_OFFSET);
  paperchk_record_put32(record.completionFlag, bytes + PAPERCHK_COMPLETION_FLAG_OFFSET);
}

void DecodeRecordPrefix(const std::uint8_t* bytes, std::size_t count, ExchangeRecord& record) {
  if (count > kExchangeRecordSize) count = kExchangeRecordSize;
  std::uint8_t merged[kExchangeRecordSize];
  EncodeRecord(record, merged);
  for (std::size_t i = 0; i < count; ++i) merged[i] = bytes[i];
  record.decision = paperchk_record_get32(merged + PAPERCHK_DECISION_OFFSET);
  record.completionFlag = paperchk_record_get32(merged + PAPERCHK_COMPLETION_FLAG_OFFSET);
}

int ExchangeChannel::WriteDecision(DecisionCode decision, FileErrorReporter& errors) {
  record_.decision = static_cast<std::uint32_t>(decision);
  record_.completionFlag = 0;

  std::unique_ptr<OpenExchangeFile> file = files_.OpenAlways(path_);
  if (!file) {
    errors.ShowFileError(kCreateFileError);
    return 0;
  }

  std::uint8_t bytes[kExchangeRecordSize];
  EncodeRecord(record_, bytes);
  std::size_t written = 0;
  // A record the caller can read only in part is as good as none.
  if (!file->WriteAtStart(bytes, sizeof bytes, written) || written != sizeof bytes) {
    errors.ShowFileError(kWriteFileError);
    return 0;  // the file is closed on the way out
  }
  return 1;
}

int ExchangeChannel::ReadCompletion(FileErrorReporter& errors) {
  std::unique_ptr<OpenExchangeFile> file = files_.OpenAlways(path_);
  if (!file) {
    errors.ShowFileError(kCreateFileError);
    return 1;
  }

  std::uint8_t bytes[kExchangeRecordSize] = {};
  std::size_t bytesRead = 0;
  if (!file->ReadAtStart(bytes, sizeof bytes, bytesRead)) {
    errors.ShowFileError(kReadFileError);
    return 1;
  }
  // A file the caller has cut short leaves the rest of the record as it was.
  DecodeRecordPrefix(bytes, bytesRead, record_);
  file.reset();

  return record_.completionFlag == PAPERCHK_COMPLETION_DONE ? 1 : 0;
}

QuietRead ExchangeChannel::ReadCompletionQuietly() {
  std::unique_ptr<OpenExchangeFile> file = files_.OpenExisting(path_);
  if (!file) return QuietRead::Unreadable;
  std::uint8_t bytes[kExchangeRecordSize] = {};
  std::size_t bytesRead = 0;
  // Fewer bytes may be a file the driver is rewriting: nothing is taken from it.
  if (!file->ReadAtStart(bytes, sizeof bytes, bytesRead) || bytesRead != sizeof bytes) return QuietRead::Unreadable;
  DecodeRecordPrefix(bytes, bytesRead, record_);
  return record_.completionFlag == PAPERCHK_COMPLETION_DONE ? QuietRead::Completed : QuietRead::Waiting;
}

bool PollTick(ExchangeChannel& channel, PollTimer& timer, FileErrorReporter& errors) {
  TimerStoppingReporter stoppingErrors(timer, errors);
  if (channel.ReadCompletion(stoppingErrors) == 0) return false;
  stoppingErrors.StopTimer();
  return true;
}

}  // namespace paperchk
