// The exchange file on the platform's own file system, in a temporary folder.
// Runs on the host (POSIX files) and under Wine (Win32 files).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "exchange/exchange_file.h"
#include "exchange/native_exchange_file.h"
#include "support/fakes.h"

namespace paperchk {
namespace {

namespace fs = std::filesystem;
using fakes::FakeFileErrorReporter;
using fakes::FakePollTimer;
using Bytes = std::vector<std::uint8_t>;
using Messages = std::vector<std::string>;

class NativeExchangeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder of its own per test: ctest may run tests side by side.
    std::random_device random;
    const std::string name = std::string("paperchk-") +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                             std::to_string(random()) + std::to_string(random());
    folder_ = fs::temp_directory_path() / name;
    ASSERT_TRUE(fs::create_directory(folder_));
    path_ = (folder_ / "pchk.dat").string();
  }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void WriteFileBytes(const Bytes& bytes) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
  }

  Bytes ReadFileBytes() {
    std::ifstream in(path_, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path folder_;
  std::string path_;
  std::unique_ptr<ExchangeFileSystem> files_ = MakeNativeExchangeFileSystem();
  FakeFileErrorReporter errors_;
};

TEST_F(NativeExchangeFileTest, DecisionCreatesAFileOfExactlyEightBytes) {
  ASSERT_FALSE(fs::exists(path_));
  ExchangeChannel channel(*files_, path_.c_str());
  EXPECT_EQ(channel.WriteDecision(DecisionCode::CancelPrinting, errors_), 1);
  EXPECT_TRUE(errors_.messages.empty());
  EXPECT_EQ(fs::file_size(path_), 8u);
  EXPECT_EQ(ReadFileBytes(), (Bytes{3, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(NativeExchangeFileTest, DecisionKeepsTheBytesAfterTheRecord) {
  WriteFileBytes({0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 9, 10, 11, 12, 13, 14, 15, 16});
  ExchangeChannel channel(*files_, path_.c_str());
  ASSERT_EQ(channel.WriteDecision(DecisionCode::Retry, errors_), 1);
  EXPECT_EQ(ReadFileBytes(), (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 9, 10, 11, 12, 13, 14, 15, 16}));
}

TEST_F(NativeExchangeFileTest, CompletionIsReadBackFromTheFile) {
  ExchangeChannel channel(*files_, path_.c_str());
  ASSERT_EQ(channel.WriteDecision(DecisionCode::Retry, errors_), 1);
  EXPECT_EQ(channel.ReadCompletion(errors_), 0);

  WriteFileBytes({1, 0, 0, 0, 2, 0, 0, 0});
  EXPECT_EQ(channel.ReadCompletion(errors_), 0);
  EXPECT_EQ(channel.record().completionFlag, 2u);

  WriteFileBytes({1, 0, 0, 0, 1, 0, 0, 0});
  EXPECT_EQ(channel.ReadCompletion(errors_), 1);
  EXPECT_TRUE(errors_.messages.empty());
}

TEST_F(NativeExchangeFileTest, FileCutToFourBytesKeepsTheOldFlag) {
  WriteFileBytes({1, 0, 0, 0, 2, 0, 0, 0});
  ExchangeChannel channel(*files_, path_.c_str());
  ASSERT_EQ(channel.ReadCompletion(errors_), 0);

  WriteFileBytes({5, 0, 0, 0});
  EXPECT_EQ(channel.ReadCompletion(errors_), 0);
  EXPECT_EQ(channel.record().decision, 5u);
  EXPECT_EQ(channel.record().completionFlag, 2u);
  // Reading never grows or shortens the file.
  EXPECT_EQ(fs::file_size(path_), 4u);
}

TEST_F(NativeExchangeFileTest, DeletedFileIsCreatedAgainByTheNextPoll) {
  ExchangeChannel channel(*files_, path_.c_str());
  ASSERT_EQ(channel.WriteDecision(DecisionCode::Retry, errors_), 1);
  ASSERT_TRUE(fs::remove(path_));

  FakePollTimer timer;
  EXPECT_FALSE(PollTick(channel, timer, errors_));
  EXPECT_TRUE(fs::exists(path_));
  EXPECT_EQ(fs::file_size(path_), 0u);
  EXPECT_EQ(channel.record().decision, 1u);
  EXPECT_EQ(timer.stopCount, 0);
  EXPECT_TRUE(errors_.messages.empty());
}

// The read a change prompts: a missing file stays missing, a short one is
// left alone, a whole record is taken.
TEST_F(NativeExchangeFileTest, QuietReadNeverCreatesTheFileAndTakesOnlyAWholeRecord) {
  ExchangeChannel channel(*files_, path_.c_str());
  EXPECT_EQ(channel.ReadCompletionQuietly(), QuietRead::Unreadable);
  EXPECT_FALSE(fs::exists(path_));

  WriteFileBytes({1, 0, 0, 0, 1, 0, 0});
  EXPECT_EQ(channel.ReadCompletionQuietly(), QuietRead::Unreadable);
  EXPECT_EQ(channel.record().completionFlag, 0u);

  WriteFileBytes({1, 0, 0, 0, 1, 0, 0, 0, 7});
  EXPECT_EQ(channel.ReadCompletionQuietly(), QuietRead::Completed);
  EXPECT_EQ(ReadFileBytes(), (Bytes{1, 0, 0, 0, 1, 0, 0, 0, 7}));
  EXPECT_TRUE(errors_.messages.empty());
}

TEST_F(NativeExchangeFileTest, EmptyPathFailsWithTheCreateError) {
  ExchangeChannel channel(*files_, "");
  EXPECT_EQ(channel.WriteDecision(DecisionCode::Ignore, errors_), 0);
  EXPECT_EQ(channel.ReadCompletion(errors_), 1);
  EXPECT_EQ(errors_.messages, (Messages{"CreateFile ERROR!!!", "CreateFile ERROR!!!"}));
  EXPECT_EQ(files_->OpenAlways(""), nullptr);
  EXPECT_EQ(files_->OpenAlways(nullptr), nullptr);
}

TEST_F(NativeExchangeFileTest, PathInAMissingFolderFailsWithTheCreateError) {
  const std::string missing = (folder_ / "no-such-folder" / "pchk.dat").string();
  ExchangeChannel channel(*files_, missing.c_str());
  EXPECT_EQ(channel.WriteDecision(DecisionCode::Ignore, errors_), 0);
  EXPECT_EQ(errors_.messages, (Messages{"CreateFile ERROR!!!"}));
  EXPECT_FALSE(fs::exists(missing));

  FakePollTimer timer;
  errors_.messages.clear();
  EXPECT_TRUE(PollTick(channel, timer, errors_));
  EXPECT_EQ(errors_.messages, (Messages{"CreateFile ERROR!!!"}));
  EXPECT_EQ(timer.stopCount, 1);
}

TEST_F(NativeExchangeFileTest, FileIsSharedForReadingAndWriting) {
  // The driver may hold the file open while the program writes and reads it.
  std::unique_ptr<OpenExchangeFile> driverSide = files_->OpenAlways(path_.c_str());
  ASSERT_NE(driverSide, nullptr);
  std::unique_ptr<OpenExchangeFile> programSide = files_->OpenAlways(path_.c_str());
  ASSERT_NE(programSide, nullptr);

  const std::uint8_t record[] = {1, 0, 0, 0, 0, 0, 0, 0};
  std::size_t written = 0;
  ASSERT_TRUE(programSide->WriteAtStart(record, sizeof record, written));
  EXPECT_EQ(written, 8u);

  std::uint8_t seen[8] = {};
  std::size_t bytesRead = 0;
  ASSERT_TRUE(driverSide->ReadAtStart(seen, sizeof seen, bytesRead));
  EXPECT_EQ(bytesRead, 8u);
  EXPECT_EQ(Bytes(seen, seen + 8), Bytes(record, record + 8));
}

TEST_F(NativeExchangeFileTest, EveryAccessIsAtTheStartOfTheFile) {
  std::unique_ptr<OpenExchangeFile> file = files_->OpenAlways(path_.c_str());
  ASSERT_NE(file, nullptr);
  const std::uint8_t first[] = {1, 2, 3, 4, 5, 6, 7, 8};
  const std::uint8_t second[] = {9, 9};
  std::size_t count = 0;
  ASSERT_TRUE(file->WriteAtStart(first, sizeof first, count));
  ASSERT_TRUE(file->WriteAtStart(second, sizeof second, count));
  EXPECT_EQ(count, 2u);

  std::uint8_t buffer[16] = {};
  ASSERT_TRUE(file->ReadAtStart(buffer, sizeof buffer, count));
  EXPECT_EQ(Bytes(buffer, buffer + count), (Bytes{9, 9, 3, 4, 5, 6, 7, 8}));
  ASSERT_TRUE(file->ReadAtStart(buffer, 4, count));
  EXPECT_EQ(Bytes(buffer, buffer + count), (Bytes{9, 9, 3, 4}));
  file.reset();
  EXPECT_EQ(fs::file_size(path_), 8u);
}

TEST_F(NativeExchangeFileTest, OpeningAnExistingFileKeepsItsContents) {
  WriteFileBytes({7, 7, 7, 7, 7, 7, 7, 7, 7, 7});
  { std::unique_ptr<OpenExchangeFile> file = files_->OpenAlways(path_.c_str()); ASSERT_NE(file, nullptr); }
  EXPECT_EQ(ReadFileBytes(), (Bytes{7, 7, 7, 7, 7, 7, 7, 7, 7, 7}));
}

}  // namespace
}  // namespace paperchk
