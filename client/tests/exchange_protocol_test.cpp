// The driver's side of the exchange file: under a file system that fails on
// demand (every open, read, write and removal, short reads and writes), and
// on the platform's own files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "client/paperchk_client.hpp"
#include "client/paperchk_internal.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace paperchk_client {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Files in memory with faults to order. Counts the handles still open, so a
// test sees that every path closes what it opened.
class FaultyFileSystem final : public ProtocolFileSystem {
 public:
  std::unique_ptr<ProtocolFile> Open(const char* path, OpenMode mode, FileStatus& status) override {
    status = FileStatus::Failed;
    if (failOpen) return nullptr;
    const bool exists = files.count(path) != 0;
    if (mode == OpenMode::OpenExisting && !exists) {
      status = FileStatus::Missing;
      return nullptr;
    }
    if (mode == OpenMode::CreateEmpty) files[path].clear();
    status = FileStatus::Done;
    return std::make_unique<File>(*this, files[path]);
  }

  FileStatus Remove(const char* path) override {
    if (failRemove) return FileStatus::Failed;
    return files.erase(path) != 0 ? FileStatus::Done : FileStatus::Missing;
  }

  std::map<std::string, Bytes> files;
  bool failOpen = false;
  bool failRead = false;
  bool failWrite = false;
  bool failRemove = false;
  std::size_t writeLimit = SIZE_MAX;  // a write stores at most this many bytes
  int openHandles = 0;

 private:
  class File final : public ProtocolFile {
   public:
    File(FaultyFileSystem& owner, Bytes& bytes) : owner_(owner), bytes_(bytes) { ++owner_.openHandles; }
    ~File() override { --owner_.openHandles; }

    bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& got) override {
      got = 0;
      if (owner_.failRead) return false;
      const std::size_t start = static_cast<std::size_t>(offset);  // the tests' files are small
      for (std::size_t at = start; at < bytes_.size() && got < size; ++at) buffer[got++] = bytes_[at];
      return true;
    }

    bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size, std::size_t& written) override {
      written = 0;
      if (owner_.failWrite) return false;
      const std::size_t count = size < owner_.writeLimit ? size : owner_.writeLimit;
      const std::size_t start = static_cast<std::size_t>(offset);  // the tests' files are small
      if (bytes_.size() < start + count) bytes_.resize(start + count);
      for (; written < count; ++written) bytes_[start + written] = data[written];
      return true;
    }

   private:
    FaultyFileSystem& owner_;
    Bytes& bytes_;
  };
};

const char kPath[] = "C:\\tmp\\exchange.bin";

TEST(ExchangeProtocol, PreparingCreatesEightZeroBytesOrRemovesTheOldFile) {
  FaultyFileSystem files;
  files.files[kPath] = {3, 0, 0, 0, 1, 0, 0, 0, 9, 9};
  ASSERT_TRUE(PrepareExchangeFile(files, kPath, Preparation::CreateEmpty));
  EXPECT_EQ(files.files[kPath], Bytes(8, 0)) << "an old decision must not survive";
  ASSERT_TRUE(PrepareExchangeFile(files, kPath, Preparation::RemoveOld));
  EXPECT_EQ(files.files.count(kPath), 0u);
  EXPECT_TRUE(PrepareExchangeFile(files, kPath, Preparation::RemoveOld)) << "no file to remove is fine";
  EXPECT_FALSE(PrepareExchangeFile(files, "", Preparation::CreateEmpty));
  EXPECT_EQ(files.openHandles, 0);
}

TEST(ExchangeProtocol, PreparingFailsWhenTheFileSystemDoes) {
  FaultyFileSystem files;
  files.failOpen = true;
  EXPECT_FALSE(PrepareExchangeFile(files, kPath, Preparation::CreateEmpty));
  files.failOpen = false;
  files.failWrite = true;
  EXPECT_FALSE(PrepareExchangeFile(files, kPath, Preparation::CreateEmpty));
  files.failWrite = false;
  files.writeLimit = 7;
  EXPECT_FALSE(PrepareExchangeFile(files, kPath, Preparation::CreateEmpty)) << "a short write is a failure";
  files.files[kPath] = {1, 0, 0, 0, 0, 0, 0, 0};
  files.failRemove = true;
  EXPECT_FALSE(PrepareExchangeFile(files, kPath, Preparation::RemoveOld));
  EXPECT_EQ(files.openHandles, 0);
}

TEST(ExchangeProtocol, DecisionReadingTellsNoneDecidedUnexpectedAndFileError) {
  struct Case {  // NOLINT(clang-analyzer-optin.performance.Padding): fields in the order the table reads
    const char* what;
    bool present;
    Bytes bytes;
    bool failOpen, failRead;
    DecisionState state;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"no file yet", false, {}, false, false, DecisionState::None, 0},
      {"empty file (paperchk created it)", true, {}, false, false, DecisionState::None, 0},
      {"prepared {0, 0}", true, Bytes(8, 0), false, false, DecisionState::None, 0},
      {"fewer than 4 bytes", true, {1, 0, 0}, false, false, DecisionState::None, 0},
      {"retry", true, {1, 0, 0, 0, 0, 0, 0, 0}, false, false, DecisionState::Decided, 1},
      {"ignore, flag already 1", true, {2, 0, 0, 0, 1, 0, 0, 0}, false, false, DecisionState::Decided, 2},
      {"cancel printing, 4 bytes only", true, {3, 0, 0, 0}, false, false, DecisionState::Decided, 3},
      {"a value paperchk never writes", true, {4, 0, 0, 0, 0, 0, 0, 0}, false, false, DecisionState::Unexpected,
       4},
      {"little-endian high byte", true, {0, 0, 0, 1, 0, 0, 0, 0}, false, false, DecisionState::Unexpected,
       0x01000000u},
      {"cannot open", true, Bytes(8, 0), true, false, DecisionState::FileError, 0},
      {"cannot read", true, {1, 0, 0, 0, 0, 0, 0, 0}, false, true, DecisionState::FileError, 0},
  };
  for (const Case& c : cases) {
    FaultyFileSystem files;
    if (c.present) files.files[kPath] = c.bytes;
    files.failOpen = c.failOpen;
    files.failRead = c.failRead;
    const DecisionReading reading = ReadDecision(files, kPath);
    EXPECT_EQ(reading.state, c.state) << c.what;
    EXPECT_EQ(reading.value, c.value) << c.what;
    EXPECT_EQ(files.openHandles, 0) << c.what;
    if (c.present) {
      EXPECT_EQ(files.files[kPath], c.bytes) << c.what << ": reading changes nothing";
    }
    EXPECT_EQ(files.files.count(kPath), c.present ? 1u : 0u) << c.what << ": reading creates nothing";
  }
}

TEST(ExchangeProtocol, CompletionFlagIsFourBytesAtOffsetFourAndNothingElse) {
  FaultyFileSystem files;
  files.files[kPath] = {1, 0, 0, 0, 0, 0, 0, 0, 0xEE, 0xFF};
  ASSERT_TRUE(WriteCompletionFlag(files, kPath));
  EXPECT_EQ(files.files[kPath], (Bytes{1, 0, 0, 0, 1, 0, 0, 0, 0xEE, 0xFF}));
  ASSERT_TRUE(WriteCompletionFlag(files, kPath, 0x01020304u));
  EXPECT_EQ(files.files[kPath], (Bytes{1, 0, 0, 0, 4, 3, 2, 1, 0xEE, 0xFF}));
  files.files[kPath] = {1, 0, 0, 0};
  ASSERT_TRUE(WriteCompletionFlag(files, kPath)) << "a file cut short is extended by the flag";
  EXPECT_EQ(files.files[kPath], (Bytes{1, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(files.openHandles, 0);
}

TEST(ExchangeProtocol, CompletionFlagFailsWithoutCreatingOrHalfWriting) {
  FaultyFileSystem files;
  EXPECT_FALSE(WriteCompletionFlag(files, kPath));
  EXPECT_EQ(files.files.count(kPath), 0u) << "a missing file is not created";
  files.files[kPath] = {1, 0, 0, 0, 0, 0, 0, 0};
  files.failOpen = true;
  EXPECT_FALSE(WriteCompletionFlag(files, kPath));
  files.failOpen = false;
  files.failWrite = true;
  EXPECT_FALSE(WriteCompletionFlag(files, kPath));
  files.failWrite = false;
  files.writeLimit = 2;
  EXPECT_FALSE(WriteCompletionFlag(files, kPath)) << "two of four bytes written is a failure";
  EXPECT_EQ(files.openHandles, 0);
}

// The platform's files: POSIX on the host, Win32 under Wine.
class NativeFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::string("paperchk-client-") + test->name() + ".bin";
    (void)std::remove(path_.c_str());
  }
  void TearDown() override { (void)std::remove(path_.c_str()); }

  Bytes Contents() const {
    std::ifstream file(path_, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  void SetContents(const Bytes& bytes) const {
    std::ofstream file(path_, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  bool Exists() const { return std::ifstream(path_).good(); }

  std::unique_ptr<ProtocolFileSystem> files_ = MakeNativeProtocolFileSystem();
  std::string path_;
};

TEST_F(NativeFiles, WholeProtocolOnRealFiles) {
  EXPECT_EQ(ReadDecision(*files_, path_.c_str()).state, DecisionState::None);
  EXPECT_FALSE(WriteCompletionFlag(*files_, path_.c_str()));
  EXPECT_FALSE(Exists()) << "neither reading nor the flag creates the file";

  SetContents({2, 0, 0, 0, 0, 0, 0, 0, 7, 7, 7});
  ASSERT_TRUE(PrepareExchangeFile(*files_, path_.c_str(), Preparation::CreateEmpty));
  EXPECT_EQ(Contents(), Bytes(8, 0));

  SetContents({1, 0, 0, 0, 0, 0, 0, 0, 0xEE, 0xFF});
  const DecisionReading reading = ReadDecision(*files_, path_.c_str());
  EXPECT_EQ(reading.state, DecisionState::Decided);
  EXPECT_EQ(reading.value, kRetry);
  ASSERT_TRUE(WriteCompletionFlag(*files_, path_.c_str()));
  EXPECT_EQ(Contents(), (Bytes{1, 0, 0, 0, 1, 0, 0, 0, 0xEE, 0xFF}));

  ASSERT_TRUE(PrepareExchangeFile(*files_, path_.c_str(), Preparation::RemoveOld));
  EXPECT_FALSE(Exists());
  EXPECT_TRUE(PrepareExchangeFile(*files_, path_.c_str(), Preparation::RemoveOld));
}

TEST_F(NativeFiles, ADirectoryIsAFileErrorNotAMissingFile) {
  const std::string directory = ".";
  EXPECT_EQ(ReadDecision(*files_, directory.c_str()).state, DecisionState::FileError);
  EXPECT_FALSE(PrepareExchangeFile(*files_, directory.c_str(), Preparation::RemoveOld));
}

// A device, a pipe or a console would take the decision and lose it: refused
// from the name alone, by the system's rules for reserved names, so nothing
// is opened to find out (a pipe's server sees no client) and nothing removed
// (as root, "removing an old file" of /dev/null would delete it). Names that
// only look alike are files.
struct NameRow {
  const char16_t* path;
  bool noDiskFile;
};
constexpr NameRow kNameRows[] = {
    {u"NUL", true},
    {u"nul.txt", true},
    {u"C:\\t\\COM1.dat", true},
    {u"C:\\t\\con", true},
    {u"CONIN$", true},
    {u"C:\\t\\conout$.log", true},
    {u"PRN", true},
    {u"LPT1", true},
    {u"COM9", true},
    {u"C:\\t\\aux .bin", true},
    {u"C:\\t\\nul. . ", true},
    {u"C:nul", true},
    {u"C:\\t\\COM\u00B9", true},
    {u"d:/t/lpt3:stream", true},
    {u"\\\\.\\pipe\\paperchk-client-test", true},
    {u"//./pipe/x", true},
    {u"\\\\.\\C:\\t\\same.bin", true},
    {u"\\\\?\\GLOBALROOT\\Device\\Null", true},
    {u"\\\\?\\pipe\\x", true},
    {u"\\??\\NUL", true},
    {u"\\\\?\\C:", true},
    {u"\\\\server\\PIPE\\spool", true},
    {u"\\\\?\\UNC\\server\\mailslot\\x", true},
    {u"C:\\t\\same.bin", false},
    {u"C:\\t\\console.bin", false},
    {u"C:\\t\\com10", false},
    {u"C:\\t\\nulx.bin", false},
    {u"C:\\nul\\x.bin", false},
    {u"C:\\t\\COM0", false},
    {u"\\\\?\\C:\\t\\nul.txt", false},
    {u"\\\\?\\Volume{0b1e0cf5-0000-0000-0000-100000000000}\\x.bin", false},
    {u"\\\\?\\UNC\\server\\share\\x.bin", false},
    {u"\\\\server\\share\\pipe\\x.bin", false},
    {u"exchange.bin", false},
};

TEST_F(NativeFiles, DevicesPipesAndConsolesAreRefusedByNameAlone) {
  for (const NameRow& row : kNameRows) {
    const std::u16string path = row.path;
    std::vector<std::uint16_t> units(path.begin(), path.end());
    EXPECT_EQ(paperchk_names_no_disk_file(units.data(), units.size()) != 0, row.noDiskFile)
        << std::string(path.begin(), path.end());
  }
#ifdef _WIN32
  // A pipe's server that must see no client, whatever is asked of its name.
  const char* const pipeName = "\\\\.\\pipe\\paperchk-client-test";
  HANDLE pipe = CreateNamedPipeA(pipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 4, 64, 64, 0,
                                 nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  OVERLAPPED connected{};
  connected.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_FALSE(ConnectNamedPipe(pipe, &connected));
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
  for (const NameRow& row : kNameRows) {
    if (!row.noDiskFile) continue;
    const std::u16string wide = row.path;
    char path[256];
    ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(wide.c_str()), -1, path, sizeof path,
                                  nullptr, nullptr),
              0);
    for (const int create : {0, 1}) {
      paperchk_error error;
      EXPECT_EQ(paperchk_prepare_exchange_file(path, create, &error), PAPERCHK_FILE_ERROR) << path << create;
      EXPECT_STREQ(error.message, "exchange path names a device, a pipe or a console, not a disk file") << path;
    }
    std::uint32_t decision = 0;
    EXPECT_EQ(paperchk_read_decision(path, &decision, nullptr), PAPERCHK_FILE_ERROR) << path;
    EXPECT_EQ(paperchk_write_completion_flag(path, nullptr), PAPERCHK_FILE_ERROR) << path;
  }
  EXPECT_EQ(WaitForSingleObject(connected.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the pipe saw a client";
  CancelIo(pipe);
  CloseHandle(connected.hEvent);
  CloseHandle(pipe);
#else
  paperchk_error error;
  EXPECT_EQ(paperchk_prepare_exchange_file("/dev/null", 0, &error), PAPERCHK_FILE_ERROR);
  EXPECT_STREQ(error.message, "exchange path names a device, a pipe or a console, not a disk file");
  EXPECT_TRUE(std::ifstream("/dev/null").good()) << "still there";
#endif
}

}  // namespace
}  // namespace paperchk_client
