// The test automation's own pieces: how it finds the exchange path in a raw
// command line, and the exchange-file helpers (the completion flag is the
// client library's). The end-to-end tests rely on these, so they are checked
// first.

#include <string>
#include <vector>

#include "client/paperchk_client.hpp"
#include "e2e_support.h"

namespace e2e {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(DriverLib, ExchangePathOfATail) {
  const std::optional<std::wstring> tail = drv::ClientTail(ThreeItemReport(), L"C:\\dir\\e.bin");
  ASSERT_TRUE(tail);
  EXPECT_EQ(drv::ExchangePathOfTail(*tail), L"C:\\dir\\e.bin");
  EXPECT_EQ(drv::ExchangePathOfTail(*tail + L" b\\no"), L"C:\\dir\\e.bin") << "the path ends at a space";
  EXPECT_EQ(drv::ExchangePathOfTail(L"1_item \"P\"\\\\port\\1\\2\\3\\4\\5\\6\\7\\\\C:\\e.bin extra"), L"C:\\e.bin");
  EXPECT_EQ(drv::ExchangePathOfTail(L"4_Item \"P\"\\port\\1\\2\\3\\4\\5\\6\\7\\C:\\e.bin"), L"");
  EXPECT_EQ(drv::ExchangePathOfTail(L"1_Item \"P\"\\port\\1\\2"), L"");
  EXPECT_EQ(drv::ExchangePathOfTail(L"1_Item"), L"");
}

TEST(DriverLib, RecordIsLittleEndian) {
  EXPECT_EQ(drv::EncodeRecord({0x04030201u, 0x08070605u}), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  const std::optional<drv::ExchangeRecord> record = drv::DecodeRecord({3, 0, 0, 0, 1, 0, 0, 0, 9});
  ASSERT_TRUE(record);
  EXPECT_EQ(record->decision, PAPERCHK_DECISION_CANCEL_PRINTING);
  EXPECT_EQ(record->completionFlag, 1u);
  EXPECT_FALSE(drv::DecodeRecord({3, 0, 0, 0, 1, 0, 0}));
}

TEST(DriverLib, CompletionFlagTouchesOnlyItsFourBytes) {
  drv::ScratchDirectory scratch(L"paperchk-driverlib");
  ASSERT_TRUE(scratch.ok());
  const std::wstring path = scratch.File(L"x.bin");
  EXPECT_FALSE(drv::WriteCompletionFlag(path, 1)) << "a missing file is not created";
  ASSERT_TRUE(drv::WriteWholeFile(path, {2, 0, 0, 0, 0, 0, 0, 0, 0xEE, 0xFF}));
  ASSERT_TRUE(drv::WriteCompletionFlag(path, 0x01020304u));
  EXPECT_EQ(drv::ReadWholeFile(path), (Bytes{2, 0, 0, 0, 4, 3, 2, 1, 0xEE, 0xFF}));
  const std::optional<drv::ExchangeRecord> record = drv::ReadExchangeRecord(path);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->decision, PAPERCHK_DECISION_IGNORE);
  EXPECT_EQ(record->completionFlag, 0x01020304u);
}

TEST(DriverLib, ExclusiveHoldKeepsOthersOut) {
  drv::ScratchDirectory scratch(L"paperchk-driverlib");
  ASSERT_TRUE(scratch.ok());
  const std::wstring path = scratch.File(L"x.bin");
  ASSERT_TRUE(drv::CreateExchangeFile(path, {PAPERCHK_DECISION_RETRY, 0}));
  {
    drv::ExclusiveHold hold(path);
    ASSERT_TRUE(hold.ok());
    EXPECT_FALSE(drv::ReadExchangeRecord(path));
    EXPECT_FALSE(drv::WriteCompletionFlag(path, 1));
  }
  EXPECT_TRUE(drv::WriteCompletionFlag(path, 1));
  EXPECT_EQ(drv::ReadWholeFile(path), (Bytes{1, 0, 0, 0, 1, 0, 0, 0}));
}

TEST(DriverLib, ScratchDirectoryIsFreshAndGoesAway) {
  std::wstring path;
  {
    drv::ScratchDirectory scratch(L"paperchk-driverlib");
    ASSERT_TRUE(scratch.ok());
    path = scratch.path();
    EXPECT_TRUE(scratch.List().empty());
    ASSERT_TRUE(drv::WriteWholeFile(scratch.File(L"a.bin"), {1}));
    EXPECT_EQ(scratch.List(), (std::vector<std::wstring>{L"a.bin"}));
  }
  EXPECT_FALSE(drv::FileExists(path));
}

}  // namespace
}  // namespace e2e
