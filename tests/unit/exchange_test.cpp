// The exchange record, the decision write, the completion read, the wait's
// tick, and the reads a change in the folder prompts.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/completion_watch.h"
#include "exchange/exchange_file.h"
#include "support/fakes.h"

namespace paperchk {
namespace {

using fakes::CallLog;
using fakes::FakeExchangeFileSystem;
using fakes::FakeFileErrorReporter;
using fakes::FakeFolderWatch;
using fakes::FakePollTimer;
using Bytes = std::vector<std::uint8_t>;
using Log = std::vector<std::string>;

constexpr char kPath[] = "C:\\spool\\pchk.dat";

Bytes RecordBytes(std::uint32_t decision, std::uint32_t flag) {
  ExchangeRecord record;
  record.decision = decision;
  record.completionFlag = flag;
  std::uint8_t bytes[kExchangeRecordSize];
  EncodeRecord(record, bytes);
  return Bytes(bytes, bytes + kExchangeRecordSize);
}

// --- Record encoding ---

TEST(ExchangeRecordTest, EncodesTwoLittleEndian32BitValues) {
  ExchangeRecord record;
  record.decision = 0x04030201u;
  record.completionFlag = 0x08070605u;
  std::uint8_t bytes[kExchangeRecordSize];
  EncodeRecord(record, bytes);
  EXPECT_EQ(Bytes(bytes, bytes + 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));

  EXPECT_EQ(RecordBytes(1, 0), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(RecordBytes(3, 1), (Bytes{3, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(RecordBytes(0xFFFFFFFFu, 0x80000000u), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80}));
}

TEST(ExchangeRecordTest, DecodesAFullRecord) {
  const std::uint8_t bytes[] = {0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
  ExchangeRecord record;
  record.decision = 99;
  record.completionFlag = 99;
  DecodeRecordPrefix(bytes, 8, record);
  EXPECT_EQ(record.decision, 2u);
  EXPECT_EQ(record.completionFlag, 1u);

  const std::uint8_t high[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  DecodeRecordPrefix(high, 8, record);
  EXPECT_EQ(record.decision, 0x04030201u);
  EXPECT_EQ(record.completionFlag, 0x08070605u);
}

TEST(ExchangeRecordTest, ShortInputOverwritesOnlyTheBytesItHas) {
  const std::uint8_t bytes[] = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x11, 0x22, 0x33};
  ExchangeRecord record;

  record = {0x04030201u, 0x08070605u};
  DecodeRecordPrefix(bytes, 0, record);
  EXPECT_EQ(record.decision, 0x04030201u);
  EXPECT_EQ(record.completionFlag, 0x08070605u);

  record = {0x04030201u, 0x08070605u};
  DecodeRecordPrefix(bytes, 3, record);
  EXPECT_EQ(record.decision, 0x04CCBBAAu);
  EXPECT_EQ(record.completionFlag, 0x08070605u);

  record = {0x04030201u, 0x08070605u};
  DecodeRecordPrefix(bytes, 4, record);
  EXPECT_EQ(record.decision, 0xDDCCBBAAu);
  EXPECT_EQ(record.completionFlag, 0x08070605u);

  record = {0x04030201u, 0x08070605u};
  DecodeRecordPrefix(bytes, 5, record);
  EXPECT_EQ(record.decision, 0xDDCCBBAAu);
  EXPECT_EQ(record.completionFlag, 0x080706EEu);

  // More than a record's worth: only the record's 8 bytes are taken.
  const std::uint8_t longer[] = {1, 0, 0, 0, 1, 0, 0, 0, 9, 9, 9, 9};
  DecodeRecordPrefix(longer, sizeof longer, record);
  EXPECT_EQ(record.decision, 1u);
  EXPECT_EQ(record.completionFlag, 1u);
}

TEST(ExchangeRecordTest, MessagesAndCaptionAreExact) {
  EXPECT_STREQ(kCreateFileError, "CreateFile ERROR!!!");
  EXPECT_STREQ(kWriteFileError, "WriteFile ERROR!!!");
  EXPECT_STREQ(kReadFileError, "ReadFile ERROR!!!");
  EXPECT_STREQ(kFileErrorCaption, "KLDEXE");
}

// --- Writing the decision ---

class ExchangeChannelTest : public ::testing::Test {
 protected:
  CallLog log;
  FakeExchangeFileSystem files{&log};
  FakeFileErrorReporter errors{&log};
  ExchangeChannel channel{files, kPath};
};

TEST_F(ExchangeChannelTest, DecisionCreatesAFileOfExactlyOneRecord) {
  for (DecisionCode decision : {DecisionCode::Retry, DecisionCode::Ignore, DecisionCode::CancelPrinting}) {
    files.files.clear();
    EXPECT_EQ(channel.WriteDecision(decision, errors), 1);
    ASSERT_TRUE(files.Exists(kPath));
    EXPECT_EQ(files.files[kPath], RecordBytes(static_cast<std::uint32_t>(decision), 0));
    EXPECT_EQ(channel.record().decision, static_cast<std::uint32_t>(decision));
    EXPECT_EQ(channel.record().completionFlag, 0u);
  }
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_EQ(files.openFiles, 0);
}

TEST_F(ExchangeChannelTest, DecisionIsOneOpenOneWriteThenClose) {
  ASSERT_EQ(channel.WriteDecision(DecisionCode::Ignore, errors), 1);
  const std::string path = kPath;
  EXPECT_EQ(log.entries, (Log{"Open " + path, "Write " + path, "Close " + path}));
}

TEST_F(ExchangeChannelTest, DecisionChangesOnlyTheFirstEightBytes) {
  const Bytes tail{9, 10, 11, 12, 13, 14, 15, 16};
  Bytes existing{0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0};
  existing.insert(existing.end(), tail.begin(), tail.end());
  files.files[kPath] = existing;

  ASSERT_EQ(channel.WriteDecision(DecisionCode::CancelPrinting, errors), 1);
  ASSERT_EQ(files.files[kPath].size(), 16u);
  EXPECT_EQ(Bytes(files.files[kPath].begin(), files.files[kPath].begin() + 8), RecordBytes(3, 0));
  EXPECT_EQ(Bytes(files.files[kPath].begin() + 8, files.files[kPath].end()), tail);
}

TEST_F(ExchangeChannelTest, DecisionClearsAnOldCompletionFlag) {
  files.files[kPath] = RecordBytes(1, 1);
  ASSERT_EQ(channel.WriteDecision(DecisionCode::Retry, errors), 1);
  EXPECT_EQ(files.files[kPath], RecordBytes(1, 0));
}

TEST_F(ExchangeChannelTest, FailedOpenShowsTheCreateErrorOnce) {
  files.failOpen = true;
  EXPECT_EQ(channel.WriteDecision(DecisionCode::Ignore, errors), 0);
  EXPECT_EQ(errors.messages, (Log{"CreateFile ERROR!!!"}));
  // The record is set all the same.
  EXPECT_EQ(channel.record().decision, 2u);
}

TEST_F(ExchangeChannelTest, EmptyOrMissingPathIsACreateError) {
  ExchangeChannel empty(files, "");
  EXPECT_EQ(empty.WriteDecision(DecisionCode::Retry, errors), 0);
  ExchangeChannel none(files, nullptr);
  EXPECT_EQ(none.WriteDecision(DecisionCode::Retry, errors), 0);
  EXPECT_EQ(errors.messages, (Log{"CreateFile ERROR!!!", "CreateFile ERROR!!!"}));
  EXPECT_TRUE(files.files.empty());
}

TEST_F(ExchangeChannelTest, FailedWriteShowsTheWriteErrorThenCloses) {
  files.failWrite = true;
  EXPECT_EQ(channel.WriteDecision(DecisionCode::Ignore, errors), 0);
  const std::string path = kPath;
  EXPECT_EQ(log.entries, (Log{"Open " + path, "Write " + path, "ShowFileError WriteFile ERROR!!!", "Close " + path}));
  EXPECT_EQ(files.openFiles, 0);
}

TEST_F(ExchangeChannelTest, ShortWriteIsAWriteError) {
  for (std::size_t stored : {0u, 4u, 7u}) {
    files.files.clear();
    errors.messages.clear();
    files.limitWrite = true;
    files.writeLimit = stored;
    EXPECT_EQ(channel.WriteDecision(DecisionCode::Retry, errors), 0) << stored;
    EXPECT_EQ(errors.messages, (Log{"WriteFile ERROR!!!"})) << stored;
    EXPECT_EQ(files.openFiles, 0);
  }
  files.writeLimit = 8;
  errors.messages.clear();
  EXPECT_EQ(channel.WriteDecision(DecisionCode::Retry, errors), 1);
  EXPECT_TRUE(errors.messages.empty());
}

// --- Reading the completion flag ---

TEST_F(ExchangeChannelTest, CompletionFlagOneEndsTheWait) {
  files.files[kPath] = RecordBytes(1, 1);
  EXPECT_EQ(channel.ReadCompletion(errors), 1);
  EXPECT_EQ(channel.record().decision, 1u);
  EXPECT_EQ(channel.record().completionFlag, 1u);
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_EQ(files.openFiles, 0);
}

TEST_F(ExchangeChannelTest, AnyOtherFlagKeepsWaiting) {
  for (std::uint32_t flag : {0u, 2u, 0x100u, 0x10000u, 0x01000000u, 0xFFFFFFFFu, 0x80000001u}) {
    files.files[kPath] = RecordBytes(1, flag);
    EXPECT_EQ(channel.ReadCompletion(errors), 0) << flag;
    EXPECT_EQ(channel.record().completionFlag, flag);
  }
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(ExchangeChannelTest, ShortFileKeepsTheRestOfTheLastRecord) {
  files.files[kPath] = RecordBytes(1, 2);
  ASSERT_EQ(channel.ReadCompletion(errors), 0);

  // Cut to 4 bytes: a new decision, the old flag.
  files.files[kPath] = Bytes{7, 0, 0, 0};
  EXPECT_EQ(channel.ReadCompletion(errors), 0);
  EXPECT_EQ(channel.record().decision, 7u);
  EXPECT_EQ(channel.record().completionFlag, 2u);

  // Five bytes reach into the flag: its low byte is overwritten.
  files.files[kPath] = RecordBytes(1, 1);
  ASSERT_EQ(channel.ReadCompletion(errors), 1);
  files.files[kPath] = Bytes{1, 0, 0, 0, 0};
  EXPECT_EQ(channel.ReadCompletion(errors), 0);
  EXPECT_EQ(channel.record().completionFlag, 0u);

  // A flag of 1 from an earlier read survives a file cut below the flag.
  files.files[kPath] = RecordBytes(1, 1);
  ASSERT_EQ(channel.ReadCompletion(errors), 1);
  files.files[kPath] = Bytes{1, 0};
  EXPECT_EQ(channel.ReadCompletion(errors), 1);
}

TEST_F(ExchangeChannelTest, DeletedFileIsCreatedAgainEmptyAndTheWaitGoesOn) {
  ASSERT_EQ(channel.WriteDecision(DecisionCode::Retry, errors), 1);
  files.files.erase(kPath);
  EXPECT_EQ(channel.ReadCompletion(errors), 0);
  ASSERT_TRUE(files.Exists(kPath));
  EXPECT_TRUE(files.files[kPath].empty());
  EXPECT_EQ(channel.record().decision, 1u);
  EXPECT_EQ(channel.record().completionFlag, 0u);
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(ExchangeChannelTest, ReadNeverWrites) {
  files.files[kPath] = RecordBytes(1, 0);
  ASSERT_EQ(channel.ReadCompletion(errors), 0);
  for (const std::string& entry : log.entries) EXPECT_EQ(entry.rfind("Write", 0), std::string::npos) << entry;
}

TEST_F(ExchangeChannelTest, FailedOpenOrReadEndsTheWaitAfterItsMessage) {
  files.failOpen = true;
  EXPECT_EQ(channel.ReadCompletion(errors), 1);
  EXPECT_EQ(errors.messages, (Log{"CreateFile ERROR!!!"}));

  files.failOpen = false;
  files.failRead = true;
  errors.messages.clear();
  log.entries.clear();
  EXPECT_EQ(channel.ReadCompletion(errors), 1);
  const std::string path = kPath;
  EXPECT_EQ(log.entries, (Log{"Open " + path, "Read " + path, "ShowFileError ReadFile ERROR!!!", "Close " + path}));
  EXPECT_EQ(files.openFiles, 0);

  ExchangeChannel empty(files, "");
  errors.messages.clear();
  EXPECT_EQ(empty.ReadCompletion(errors), 1);
  EXPECT_EQ(errors.messages, (Log{"CreateFile ERROR!!!"}));
}

// --- The wait's tick ---

class PollTickTest : public ExchangeChannelTest {
 protected:
  FakePollTimer timer{&log};
};

TEST_F(PollTickTest, KeepsWaitingWithoutTouchingTheTimer) {
  files.files[kPath] = RecordBytes(1, 0);
  EXPECT_FALSE(PollTick(channel, timer, errors));
  files.files[kPath] = RecordBytes(1, 2);
  EXPECT_FALSE(PollTick(channel, timer, errors));
  EXPECT_EQ(timer.stopCount, 0);
}

TEST_F(PollTickTest, CompletionStopsTheTimerOnce) {
  files.files[kPath] = RecordBytes(1, 1);
  EXPECT_TRUE(PollTick(channel, timer, errors));
  EXPECT_EQ(timer.stopCount, 1);
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(PollTickTest, CallerCompletingAfterTwoTicksEndsTheWaitAtTheThird) {
  ASSERT_EQ(channel.WriteDecision(DecisionCode::Retry, errors), 1);
  EXPECT_FALSE(PollTick(channel, timer, errors));
  EXPECT_FALSE(PollTick(channel, timer, errors));
  files.files[kPath][4] = 1;  // the caller sets the flag
  EXPECT_TRUE(PollTick(channel, timer, errors));
  EXPECT_EQ(timer.stopCount, 1);
}

TEST_F(PollTickTest, TimerStopsBeforeTheOpenErrorIsShown) {
  files.failOpen = true;
  EXPECT_TRUE(PollTick(channel, timer, errors));
  const std::string path = kPath;
  EXPECT_EQ(log.entries, (Log{"Open " + path, "StopTimer", "ShowFileError CreateFile ERROR!!!"}));
  EXPECT_EQ(timer.stopCount, 1);
}

TEST_F(PollTickTest, TimerStopsBeforeTheReadErrorIsShown) {
  files.failRead = true;
  EXPECT_TRUE(PollTick(channel, timer, errors));
  const std::string path = kPath;
  EXPECT_EQ(log.entries,
            (Log{"Open " + path, "Read " + path, "StopTimer", "ShowFileError ReadFile ERROR!!!", "Close " + path}));
  EXPECT_EQ(timer.stopCount, 1);
  EXPECT_EQ(errors.messages.size(), 1u);
}

// --- The quiet read (prompted by a change in the folder) ---

// What a quiet read makes of the file, against a record that holds {1, 2}
// from before. Only a whole record is taken; anything else leaves it alone.
struct QuietReadCase {
  const char* what;
  bool exists;
  Bytes file;
  bool failOpen;
  bool failRead;
  QuietRead expected;
  std::uint32_t decisionAfter;
  std::uint32_t flagAfter;
};

const QuietReadCase kQuietReads[] = {
    {"flag 1", true, RecordBytes(1, 1), false, false, QuietRead::Completed, 1, 1},
    {"flag 1, longer file", true, {1, 0, 0, 0, 1, 0, 0, 0, 9, 9}, false, false, QuietRead::Completed, 1, 1},
    {"flag 0", true, RecordBytes(1, 0), false, false, QuietRead::Waiting, 1, 0},
    {"flag 0x101", true, RecordBytes(3, 0x101), false, false, QuietRead::Waiting, 3, 0x101},
    {"flag 0xFFFFFFFF", true, RecordBytes(1, 0xFFFFFFFFu), false, false, QuietRead::Waiting, 1, 0xFFFFFFFFu},
    {"no file", false, {}, false, false, QuietRead::Unreadable, 1, 2},
    {"open fails (held by the driver)", true, RecordBytes(1, 1), true, false, QuietRead::Unreadable, 1, 2},
    {"read fails", true, RecordBytes(1, 1), false, true, QuietRead::Unreadable, 1, 2},
    {"empty file", true, {}, false, false, QuietRead::Unreadable, 1, 2},
    {"4 bytes", true, {7, 0, 0, 0}, false, false, QuietRead::Unreadable, 1, 2},
    {"7 bytes reaching into a flag of 1", true, {1, 0, 0, 0, 1, 0, 0}, false, false, QuietRead::Unreadable, 1, 2},
};

TEST_F(ExchangeChannelTest, QuietReadTakesOnlyAWholeRecordAndNeverCreatesTheFile) {
  for (const QuietReadCase& row : kQuietReads) {
    files.files.clear();
    files.files[kPath] = RecordBytes(1, 2);
    ASSERT_EQ(channel.ReadCompletion(errors), 0);
    files.failOpen = row.failOpen;
    files.failRead = row.failRead;
    if (row.exists) {
      files.files[kPath] = row.file;
    } else {
      files.files.erase(kPath);
    }

    EXPECT_EQ(channel.ReadCompletionQuietly(), row.expected) << row.what;
    EXPECT_EQ(channel.record().decision, row.decisionAfter) << row.what;
    EXPECT_EQ(channel.record().completionFlag, row.flagAfter) << row.what;
    EXPECT_EQ(files.Exists(kPath), row.exists) << row.what;
    if (row.exists) {
      EXPECT_EQ(files.files[kPath], row.file) << row.what;
    }
    EXPECT_EQ(files.openFiles, 0) << row.what;
    files.failOpen = files.failRead = false;
  }
  EXPECT_TRUE(errors.messages.empty());
  for (const std::string& entry : log.entries) EXPECT_EQ(entry.rfind("Write", 0), std::string::npos) << entry;
}

// --- Where the watch looks ---

TEST(FolderOfExchangeFileTest, PathUpToItsLastSeparator) {
  struct Row {
    const char* path;
    const char* folder;
  };
  const Row rows[] = {
      {"C:\\spool\\pchk.dat", "C:\\spool\\"},
      {"C:\\pchk.dat", "C:\\"},
      {"\\\\server\\share\\pchk.dat", "\\\\server\\share\\"},
      {"\\pchk.dat", "\\"},
      {"Z:/tmp/x/pchk.dat", "Z:/tmp/x/"},
      {"C:\\a/b\\c", "C:\\a/b\\"},
      {"C:pchk.dat", "C:"},
      {"pchk.dat", "."},
      {"1:pchk.dat", "."},
      {"C:\\spool\\", "C:\\spool\\"},
  };
  for (const Row& row : rows) {
    char folder[64];
    ASSERT_TRUE(FolderOfExchangeFile(row.path, folder, sizeof folder)) << row.path;
    EXPECT_STREQ(folder, row.folder) << row.path;
  }
}

TEST(FolderOfExchangeFileTest, NoFolderForAnEmptyPathOrOneThatDoesNotFit) {
  char folder[8];
  EXPECT_FALSE(FolderOfExchangeFile("", folder, sizeof folder));
  EXPECT_FALSE(FolderOfExchangeFile(nullptr, folder, sizeof folder));
  EXPECT_TRUE(FolderOfExchangeFile("C:\\abc\\x", folder, sizeof folder));  // 7 characters and the NUL
  EXPECT_STREQ(folder, "C:\\abc\\");
  EXPECT_FALSE(FolderOfExchangeFile("C:\\abcd\\x", folder, sizeof folder));
  EXPECT_FALSE(FolderOfExchangeFile("x", folder, 1));
}

// --- The watch: when change-prompted reads happen and what they decide ---

class CompletionWatchTest : public ExchangeChannelTest {
 protected:
  void SetUp() override { files.files[kPath] = RecordBytes(1, 0); }

  int Reads() const {
    int reads = 0;
    for (const std::string& entry : log.entries) reads += entry.rfind("OpenExisting", 0) == 0 ? 1 : 0;
    return reads;
  }

  FakePollTimer timer{&log};
  FakeFolderWatch folder{&log};
};

TEST_F(CompletionWatchTest, ReadsAtOnceWhenTheWatchBegins) {
  files.files[kPath] = RecordBytes(1, 1);  // the driver was quicker than the watch
  CompletionWatch watch(channel, timer, &folder);
  EXPECT_TRUE(watch.AwaitsChange());
  EXPECT_EQ(watch.MsUntilDeadline(500), 0u);
  EXPECT_TRUE(watch.OnDeadline(500));
  EXPECT_EQ(timer.stopCount, 1);
  EXPECT_EQ(folder.rearmCount, 0);  // nothing was signalled yet
}

TEST_F(CompletionWatchTest, WithoutAWatchOnlyTheTicksRead) {
  CompletionWatch watch(channel, timer, nullptr);
  EXPECT_FALSE(watch.AwaitsChange());
  EXPECT_EQ(watch.MsUntilDeadline(0), kNoDeadline);
  EXPECT_FALSE(watch.OnDeadline(0));
  files.files[kPath] = RecordBytes(1, 1);
  EXPECT_FALSE(watch.OnChange(100));
  EXPECT_EQ(Reads(), 0);
  EXPECT_TRUE(watch.OnTick(errors));
  EXPECT_EQ(timer.stopCount, 1);
}

// Changes at given times, and the deadlines the loop keeps, as the modal run
// plays them; each row says when reads happen. At most one read per 20 ms,
// and a change in the rest is read when the rest is over. Where the changes
// are others' (the record stays as it was) the rest doubles up to 640 ms.
struct PacingCase {
  const char* what;
  bool recordChanges;                  // each change is a new record (a flag other than 1)
  std::vector<std::uint64_t> changes;  // when the watch signals
  std::vector<std::uint64_t> readsAt;  // when reads must happen
};

std::vector<std::uint64_t> Every10Ms(std::uint64_t from, std::uint64_t to) {
  std::vector<std::uint64_t> times;
  for (std::uint64_t t = from; t <= to; t += 10) times.push_back(t);
  return times;
}

const PacingCase kPacing[] = {
    {"one change", true, {100}, {0, 100}},
    {"two changes far apart", true, {100, 200}, {0, 100, 200}},
    {"a change exactly at the end of the rest", true, {100, 120}, {0, 100, 120}},
    {"a change in the rest is read when it ends", true, {100, 105}, {0, 100, 120}},
    {"many changes in one rest are one read", true, {100, 101, 110, 119}, {0, 100, 120}},
    {"a change right after the first read", true, {5}, {0, 20}},
    {"the record changing every 10 ms: a read every 20 ms", true, Every10Ms(100, 150), {0, 100, 120, 140, 160}},
    {"others writing every 10 ms: the rest doubles up to 640 ms", false, Every10Ms(100, 1500),
     {0, 100, 140, 220, 380, 700, 1340, 1980}},
    {"a change after a long quiet spell is read at once", false, {100, 5000}, {0, 100, 5000}},
};

TEST_F(CompletionWatchTest, ChangePromptedReadsArePacedAndNoneIsLost) {
  for (const PacingCase& row : kPacing) {
    log.entries.clear();
    files.files[kPath] = RecordBytes(1, 0);
    ASSERT_EQ(channel.ReadCompletion(errors), 0);
    CompletionWatch watch(channel, timer, &folder);
    std::vector<std::uint64_t> reads;
    // The loop: a deadline that falls before the next change comes first.
    std::size_t next = 0;
    std::uint64_t now = 0;
    for (int step = 0; step < 1000; ++step) {
      const std::uint64_t wait = watch.MsUntilDeadline(now);
      const bool changeNext = next < row.changes.size() && (wait == kNoDeadline || row.changes[next] < now + wait);
      const int before = Reads();
      if (changeNext) {
        now = row.changes[next];
        if (row.recordChanges) files.files[kPath] = RecordBytes(1, 2 + static_cast<std::uint32_t>(next));
        ++next;
        if (watch.AwaitsChange()) {
          EXPECT_FALSE(watch.OnChange(now));
        } else {
          // Not waited on: the change is left to the read already due.
          ASSERT_NE(watch.MsUntilDeadline(now), kNoDeadline) << row.what << ": a change at " << now << " is lost";
        }
      } else if (wait != kNoDeadline) {
        now += wait;
        EXPECT_FALSE(watch.OnDeadline(now));
      } else {
        break;
      }
      if (Reads() > before) reads.push_back(now);
    }
    EXPECT_EQ(reads, row.readsAt) << row.what;
    EXPECT_EQ(watch.MsUntilDeadline(now), kNoDeadline) << row.what << ": a read is still pending";
  }
  EXPECT_TRUE(errors.messages.empty());
}

// After others' changes have stretched the rest, the driver's own write (a
// changed record, or a file it holds) brings it back to 20 ms.
TEST_F(CompletionWatchTest, TheDriversWriteBringsTheRestBackToTheShortest) {
  CompletionWatch watch(channel, timer, &folder);
  ASSERT_FALSE(watch.OnDeadline(0));
  std::uint64_t now = 0;
  for (int i = 0; i < 8; ++i) {
    now += watch.restMs();
    ASSERT_FALSE(watch.OnChange(now));
  }
  EXPECT_EQ(watch.restMs(), kChangeReadLongestRestMs);
  files.files[kPath] = RecordBytes(1, 2);
  now += kChangeReadLongestRestMs;
  ASSERT_FALSE(watch.OnChange(now));
  EXPECT_EQ(watch.restMs(), kChangeReadRestMs);

  for (int i = 0; i < 3; ++i) {
    now += watch.restMs();
    ASSERT_FALSE(watch.OnChange(now));
  }
  EXPECT_EQ(watch.restMs(), 8 * kChangeReadRestMs);
  files.failOpen = true;
  now += watch.restMs();
  ASSERT_FALSE(watch.OnChange(now));
  EXPECT_EQ(watch.restMs(), kChangeReadRestMs);
  EXPECT_EQ(watch.MsUntilDeadline(now), kChangeReadRestMs);
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(CompletionWatchTest, TheWatchIsArmedAgainBeforeTheReadItPrompted) {
  CompletionWatch watch(channel, timer, &folder);
  ASSERT_FALSE(watch.OnDeadline(0));
  log.entries.clear();
  files.files[kPath] = RecordBytes(1, 2);
  ASSERT_FALSE(watch.OnChange(50));
  const std::string path = kPath;
  EXPECT_EQ(log.entries, (Log{"Rearm", "OpenExisting " + path, "Read " + path, "Close " + path}));
  // While a change waits for the rest to end, the watch is not waited on.
  ASSERT_FALSE(watch.OnChange(60));
  EXPECT_FALSE(watch.AwaitsChange());
  EXPECT_EQ(watch.MsUntilDeadline(60), 10u);
  ASSERT_FALSE(watch.OnDeadline(70));
  EXPECT_TRUE(watch.AwaitsChange());
  EXPECT_EQ(folder.rearmCount, 2);
}

// The driver holds the file without sharing while it writes the flag: the
// read its write prompted fails without a word and is tried again after the
// rest until the file can be read, with no further change needed.
TEST_F(CompletionWatchTest, AFailedReadIsSilentAndTriedAgainAfterTheRest) {
  CompletionWatch watch(channel, timer, &folder);
  ASSERT_FALSE(watch.OnDeadline(0));
  files.files[kPath] = RecordBytes(1, 1);
  files.failOpen = true;  // held
  EXPECT_FALSE(watch.OnChange(100));
  EXPECT_EQ(watch.MsUntilDeadline(100), 20u);
  EXPECT_FALSE(watch.OnDeadline(120));
  EXPECT_EQ(channel.record().completionFlag, 0u);
  files.failOpen = false;  // let go at 130
  EXPECT_EQ(watch.MsUntilDeadline(130), 10u);
  EXPECT_TRUE(watch.OnDeadline(140));
  EXPECT_EQ(timer.stopCount, 1);
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_EQ(folder.rearmCount, 1);  // armed once: retries need no new change
}

TEST_F(CompletionWatchTest, ShortOrMissingFilesAreRetriedAndATickThatReadsEndsTheRetries) {
  CompletionWatch watch(channel, timer, &folder);
  ASSERT_FALSE(watch.OnDeadline(0));
  files.files[kPath] = Bytes{1, 0, 0, 0, 1};  // cut in the middle of a rewrite
  EXPECT_FALSE(watch.OnChange(100));
  EXPECT_EQ(channel.record().completionFlag, 0u);
  files.files.erase(kPath);
  EXPECT_FALSE(watch.OnDeadline(120));
  EXPECT_FALSE(files.Exists(kPath)) << "a quiet read created the file";
  EXPECT_EQ(watch.MsUntilDeadline(120), 20u);
  // The tick creates the file again, as it always has, and reads it.
  EXPECT_FALSE(watch.OnTick(errors));
  EXPECT_EQ(watch.MsUntilDeadline(130), kNoDeadline);
  EXPECT_TRUE(errors.messages.empty());
}

// A tick between a change and its read (in the rest) must not leave the
// watch unarmed: the read still comes and arms it again.
TEST_F(CompletionWatchTest, ATickInTheRestKeepsTheWatchAlive) {
  CompletionWatch watch(channel, timer, &folder);
  ASSERT_FALSE(watch.OnDeadline(0));
  ASSERT_FALSE(watch.OnChange(5));
  ASSERT_FALSE(watch.OnTick(errors));
  EXPECT_EQ(watch.MsUntilDeadline(10), 10u);
  ASSERT_FALSE(watch.OnDeadline(20));
  EXPECT_TRUE(watch.AwaitsChange());
  EXPECT_EQ(folder.rearmCount, 1);
  files.files[kPath] = RecordBytes(1, 1);
  EXPECT_TRUE(watch.OnChange(100));
}

TEST_F(CompletionWatchTest, OnlyAFlagOfExactlyOneEndsTheWait) {
  for (std::uint32_t flag : {0u, 2u, 0x100u, 0x01000001u, 0xFFFFFFFFu}) {
    CompletionWatch watch(channel, timer, &folder);
    files.files[kPath] = RecordBytes(1, flag);
    EXPECT_FALSE(watch.OnDeadline(0)) << flag;
    EXPECT_FALSE(watch.OnChange(100)) << flag;
  }
  EXPECT_EQ(timer.stopCount, 0);
  CompletionWatch watch(channel, timer, &folder);
  files.files[kPath] = RecordBytes(2, 1);
  EXPECT_TRUE(watch.OnDeadline(0));
  EXPECT_EQ(timer.stopCount, 1);
  EXPECT_TRUE(errors.messages.empty());
}

// Where the folder can no longer be watched, the wait is the ticks'.
TEST_F(CompletionWatchTest, AWatchThatCannotBeArmedAgainLeavesTheTicks) {
  CompletionWatch watch(channel, timer, &folder);
  ASSERT_FALSE(watch.OnDeadline(0));
  folder.rearmWorks = false;
  files.failOpen = true;
  EXPECT_FALSE(watch.OnChange(100));  // this read still happens
  EXPECT_EQ(Reads(), 2);
  EXPECT_FALSE(watch.AwaitsChange());
  EXPECT_EQ(watch.MsUntilDeadline(200), kNoDeadline);
  EXPECT_FALSE(watch.OnChange(300));
  EXPECT_EQ(Reads(), 2);
  EXPECT_TRUE(errors.messages.empty());
}

// The tick is untouched by the watch: a failure is shown once, after the
// timer has stopped, and ends the wait.
TEST_F(CompletionWatchTest, TheTickStillReportsItsFailures) {
  CompletionWatch watch(channel, timer, &folder);
  files.failOpen = true;
  EXPECT_FALSE(watch.OnDeadline(0));
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_TRUE(watch.OnTick(errors));
  EXPECT_EQ(errors.messages, (Log{"CreateFile ERROR!!!"}));
  EXPECT_EQ(timer.stopCount, 1);
}

TEST_F(CompletionWatchTest, AClockThatWentBackCountsAsTheRestOver) {
  CompletionWatch watch(channel, timer, &folder);
  ASSERT_FALSE(watch.OnDeadline(1000));
  ASSERT_FALSE(watch.OnChange(1005));  // in the rest
  EXPECT_EQ(watch.MsUntilDeadline(900), 0u);
  EXPECT_FALSE(watch.OnDeadline(900));
  EXPECT_EQ(Reads(), 2);
}

}  // namespace
}  // namespace paperchk
