#pragma once
// The wait's second way of noticing the driver's completion: besides the
// one-second poll, the program watches the exchange file's folder and reads
// the record as soon as something there changes. Such a read is the
// program's own business: it never shows a message, and a failure (the
// driver holding the file while it writes, a short file, no file) leaves the
// record alone and is tried again after a short rest.
#include <cstddef>
#include <cstdint>

#include "exchange/exchange_file.h"

namespace paperchk {

// Reads prompted by changes are at least this far apart, however busy the
// folder; a change during the rest is read when the rest is over. While the
// reads find the record as it was (others write in the folder) the rest
// doubles, up to the longest; a read that finds it changed, or cannot read
// it (the driver is writing), brings it back to the shortest.
constexpr std::uint64_t kChangeReadRestMs = 20;
constexpr std::uint64_t kChangeReadLongestRestMs = 640;
constexpr std::uint64_t kNoDeadline = UINT64_MAX;

// The folder to watch for a change of the exchange file at `path`: the path
// up to and including its last separator ('\\' or '/', so that a root stays a
// root), "X:" for a drive-relative "X:name", "." for a bare name. False when
// the path is empty or the folder does not fit `size` bytes with its NUL.
bool FolderOfExchangeFile(const char* path, char* folder, std::size_t size);

// The platform's notice of writes and size changes in the folder.
class FolderWatch {
 public:
  virtual ~FolderWatch() = default;
  // Asks for the next change once one has been signalled; false when the
  // folder can no longer be watched.
  virtual bool Rearm() = 0;
};

// What the wait decides between its messages. Each On... returns true when
// the wait is over (a completion flag of exactly 1, or a tick's failure that
// has been shown): the timer has been stopped and the caller ends the process
// with status 0.
class CompletionWatch {
 public:
  // `folder` null: the folder cannot be watched, and only the ticks read.
  // Otherwise a read is due at once: the driver may have written before
  // the watch began.
  CompletionWatch(ExchangeChannel& channel, PollTimer& timer, FolderWatch* folder)
      : channel_(channel), timer_(timer), watching_(folder != nullptr), pending_(watching_), folder_(folder) {}

  // Whether the loop should wait for the watch's signal now.
  bool AwaitsChange() const { return watching_ && armed_; }
  // Milliseconds from `now` until OnDeadline is due, kNoDeadline for none.
  std::uint64_t MsUntilDeadline(std::uint64_t now) const;
  // The rest after the last read.
  std::uint64_t restMs() const { return restMs_; }

  // The watch signalled a change.
  bool OnChange(std::uint64_t now);
  // The time MsUntilDeadline gave has passed.
  bool OnDeadline(std::uint64_t now);
  // The timer's tick: the poll with its messages, exactly as without the
  // watch. A tick that read the file leaves no read pending.
  bool OnTick(FileErrorReporter& errors);

  bool watching() const { return watching_; }

 private:
  bool ReadIfDue(std::uint64_t now);

  ExchangeChannel& channel_;
  PollTimer& timer_;
  bool watching_;
  bool pending_;       // a change not read yet, or a read of one that failed
  bool armed_ = true;  // the watch waits for the next change
  FolderWatch* folder_;
  bool readBefore_ = false;
  std::uint64_t lastReadAt_ = 0;
  std::uint64_t restMs_ = kChangeReadRestMs;
};

}  // namespace paperchk
