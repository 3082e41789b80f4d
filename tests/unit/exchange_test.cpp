// The exchange record, the decision write, the completion read and the wait's tick.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/exchange_file.h"
#include "support/fakes.h"

namespace paperchk {
namespace {

using fakes::CallLog;
using fakes::FakeExchangeFileSystem;
using fakes::FakeFileErrorReporter;
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

}  // namespace
}  // namespace paperchk
