#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "client/paperchk_record.h"

namespace paperchk {

enum class DecisionCode : std::uint32_t {
  Retry = PAPERCHK_DECISION_RETRY,
  Ignore = PAPERCHK_DECISION_IGNORE,
  CancelPrinting = PAPERCHK_DECISION_CANCEL_PRINTING,
};

// The first 8 bytes of the exchange file (client/paperchk_record.h).
struct ExchangeRecord {
  std::uint32_t decision = 0;
  std::uint32_t completionFlag = 0;
};

constexpr std::size_t kExchangeRecordSize = PAPERCHK_RECORD_SIZE;

void EncodeRecord(const ExchangeRecord& record, std::uint8_t (&bytes)[kExchangeRecordSize]);
// Overwrites only the bytes that `count` covers; the rest of the record keeps
// its previous value (a short file leaves the missing part alone).
void DecodeRecordPrefix(const std::uint8_t* bytes, std::size_t count, ExchangeRecord& record);

// An open exchange file; closed when destroyed. Positions are always offset 0.
class OpenExchangeFile {
 public:
  virtual ~OpenExchangeFile() = default;
  virtual bool ReadAtStart(std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) = 0;
  virtual bool WriteAtStart(const std::uint8_t* data, std::size_t size, std::size_t& bytesWritten) = 0;
};

// File access: open with read and write access, shared reading and writing.
// Returns null on failure.
class ExchangeFileSystem {
 public:
  virtual ~ExchangeFileSystem() = default;
  // Creates the file when it does not exist and keeps its contents when it does.
  virtual std::unique_ptr<OpenExchangeFile> OpenAlways(const char* path) = 0;
  // Opens the file only if it exists: never creates it.
  virtual std::unique_ptr<OpenExchangeFile> OpenExisting(const char* path) = 0;
};

// The three file-error messages (caption "KLDEXE", MB_SETFOREGROUND).
class FileErrorReporter {
 public:
  virtual ~FileErrorReporter() = default;
  virtual void ShowFileError(const char* message) = 0;
};

extern const char kCreateFileError[];  // "CreateFile ERROR!!!"
extern const char kWriteFileError[];   // "WriteFile ERROR!!!"
extern const char kReadFileError[];    // "ReadFile ERROR!!!"
extern const char kFileErrorCaption[]; // "KLDEXE"

// What a quiet read of the record found.
enum class QuietRead {
  Unreadable,  // no file, no open, no read, or fewer than 8 bytes: the record is as it was
  Waiting,     // the whole record, with a completion flag other than 1
  Completed,   // the whole record, with a completion flag of exactly 1
};

// The program's side of the exchange file.
class ExchangeChannel {
 public:
  ExchangeChannel(ExchangeFileSystem& files, const char* path) : files_(files), path_(path) {}

  // Writes {decision, 0} at offset 0. Returns 1, or 0 after showing the error.
  int WriteDecision(DecisionCode decision, FileErrorReporter& errors);
  // Reads the record back. Returns 1 when the wait is over (completion flag 1,
  // or a failure that has been shown), 0 to keep waiting.
  int ReadCompletion(FileErrorReporter& errors);
  // Reads the record back without a word: for reads the program makes on its
  // own account (a change in the folder), which may meet the driver in the
  // middle of its write. Never creates the file, shows nothing, and takes
  // the bytes only when the whole record came.
  QuietRead ReadCompletionQuietly();

  const char* path() const { return path_; }

  const ExchangeRecord& record() const { return record_; }

 private:
  ExchangeFileSystem& files_;
  const char* path_;
  ExchangeRecord record_;
};

// The wait dialog's timer, as the poll sees it.
class PollTimer {
 public:
  virtual ~PollTimer() = default;
  virtual void Stop() = 0;
};

// One tick of the wait: polls the file; when the wait is over the timer has
// been stopped (before any error message is shown, so only one box appears)
// and true is returned: the caller then ends the process with status 0.
bool PollTick(ExchangeChannel& channel, PollTimer& timer, FileErrorReporter& errors);

}  // namespace paperchk
