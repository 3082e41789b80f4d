#include "exchange/completion_watch.h"

namespace paperchk {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool FolderOfExchangeFile(const char* path, char* folder, std::size_t size) {
  if (path == nullptr || path[0] == '\0' || size == 0) return false;
  std::size_t length = 0;  // of the folder's part of the path
  for (std::size_t i = 0; path[i] != '\0'; ++i) {
    if (IsSeparator(path[i])) length = i + 1;
  }
  const char* source = path;
  if (length == 0) {
    if (IsDriveLetter(path[0]) && path[1] == ':') {
      length = 2;  // "X:name": the current folder of drive X
    } else {
      source = ".";
      length = 1;
    }
  }
  if (length >= size) return false;
  for (std::size_t i = 0; i < length; ++i) folder[i] = source[i];
  folder[length] = '\0';
  return true;
}

std::uint64_t CompletionWatch::MsUntilDeadline(std::uint64_t now) const {
  if (!watching_ || !pending_) return kNoDeadline;
  if (!readBefore_) return 0;
  // Unsigned: a clock that went back counts as a rest long over.
  const std::uint64_t elapsed = now - lastReadAt_;
  return elapsed >= restMs_ ? 0 : restMs_ - elapsed;
}

bool CompletionWatch::OnChange(std::uint64_t now) {
  if (!watching_) return false;
  armed_ = false;
  pending_ = true;
  return ReadIfDue(now);
}

bool CompletionWatch::OnDeadline(std::uint64_t now) { return ReadIfDue(now); }

bool CompletionWatch::OnTick(FileErrorReporter& errors) {
  if (PollTick(channel_, timer_, errors)) return true;
  // The tick has just read the file: every change before it is seen. A
  // watch still to be armed again keeps its read, which arms it.
  if (armed_) pending_ = false;
  return false;
}

bool CompletionWatch::ReadIfDue(std::uint64_t now) {
  if (!watching_ || !pending_ || MsUntilDeadline(now) != 0) return false;
  // Armed again before the read, so that a change during or after the read
  // is signalled and none is lost.
  if (!armed_) {
    armed_ = folder_->Rearm();
    // The folder cannot be watched any more: this read is the last, the
    // ticks go on alone.
    if (!armed_) watching_ = false;
  }
  const bool prompted = readBefore_;  // the first read is the watch's start, not a change
  const ExchangeRecord before = channel_.record();
  readBefore_ = true;
  lastReadAt_ = now;
  switch (channel_.ReadCompletionQuietly()) {
    case QuietRead::Unreadable:
      restMs_ = kChangeReadRestMs;
      return false;  // still pending: tried again after the rest
    case QuietRead::Waiting: {
      pending_ = false;
      const ExchangeRecord& after = channel_.record();
      if (after.decision != before.decision || after.completionFlag != before.completionFlag) {
        restMs_ = kChangeReadRestMs;
      } else if (prompted && restMs_ < kChangeReadLongestRestMs) {
        restMs_ *= 2;
      }
      return false;
    }
    case QuietRead::Completed:
      pending_ = false;
      timer_.Stop();
      return true;
  }
  return false;
}

}  // namespace paperchk
