// Locating, opening and closing the driver's help file.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "help/help_file.h"
#include "support/fakes.h"

namespace paperchk {
namespace {

using fakes::FakeHelpEngine;

constexpr char kWinntHelpPath[] = "C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\PCHKHELP.HLP";

TEST(HelpPathTest, FolderFileNameAndTopicAreFixed) {
  EXPECT_STREQ(kHelpFolder, "\\System32\\spool\\drivers\\w32x86\\2\\");
  EXPECT_EQ(std::strlen(kHelpFolder), 33u);
  EXPECT_STREQ(kHelpFileName, "PCHKHELP.HLP");
  EXPECT_EQ(kHelpContext, 4608u);
  EXPECT_EQ(kHelpContext, 0x1200u);
}

TEST(HelpPathTest, JoinsDirectoryFolderAndNameWithoutFurtherSeparators) {
  char path[kHelpPathSize];
  ASSERT_TRUE(ComposeHelpPath("C:\\WINNT", kHelpFileName, path));
  EXPECT_STREQ(path, kWinntHelpPath);

  ASSERT_TRUE(ComposeHelpPath("D:\\Windows", "OTHER.HLP", path));
  EXPECT_STREQ(path, "D:\\Windows\\System32\\spool\\drivers\\w32x86\\2\\OTHER.HLP");

  ASSERT_TRUE(ComposeHelpPath("", kHelpFileName, path));
  EXPECT_STREQ(path, "\\System32\\spool\\drivers\\w32x86\\2\\PCHKHELP.HLP");
}

TEST(HelpPathTest, DirectoryOf218CharactersIsTheLongestThatFits) {
  // 218 + 33 + 12 = 263 characters and the NUL make 264 bytes.
  char path[kHelpPathSize];
  const std::string longest = "C:\\" + std::string(215, 'w');
  ASSERT_EQ(longest.size(), 218u);
  ASSERT_TRUE(ComposeHelpPath(longest.c_str(), kHelpFileName, path));
  EXPECT_EQ(std::strlen(path), 263u);
  EXPECT_EQ(std::string(path), longest + kHelpFolder + kHelpFileName);

  const std::string tooLong = longest + "w";
  EXPECT_FALSE(ComposeHelpPath(tooLong.c_str(), kHelpFileName, path));
  EXPECT_STREQ(path, "");

  const std::string atTheLimit(260, 'w');
  EXPECT_FALSE(ComposeHelpPath(atTheLimit.c_str(), kHelpFileName, path));
  EXPECT_STREQ(path, "");
}

TEST(HelpPathTest, RefusedPathLeavesNothingOfAnEarlierOne) {
  char path[kHelpPathSize];
  ASSERT_TRUE(ComposeHelpPath("C:\\WINNT", kHelpFileName, path));
  EXPECT_FALSE(ComposeHelpPath(std::string(250, 'x').c_str(), kHelpFileName, path));
  for (char byte : path) ASSERT_EQ(byte, '\0');
}

TEST(HelpPathTest, LongerFileNameShortensTheRoomForTheDirectory) {
  char path[kHelpPathSize];
  const std::string name(13, 'N');
  EXPECT_TRUE(ComposeHelpPath(std::string(217, 'w').c_str(), name.c_str(), path));
  EXPECT_FALSE(ComposeHelpPath(std::string(218, 'w').c_str(), name.c_str(), path));
}

TEST(HelpSessionTest, OpenShowsTheTopicWithoutOwnerAndSetsTheFlag) {
  FakeHelpEngine engine;
  HelpSession help(engine, kHelpFileName);
  EXPECT_EQ(help.opened(), 0u);

  help.Open();
  ASSERT_EQ(engine.calls.size(), 1u);
  EXPECT_EQ(engine.calls[0].operation, "ShowContext");
  EXPECT_EQ(engine.calls[0].path, kWinntHelpPath);
  EXPECT_EQ(engine.calls[0].context, 4608u);
  EXPECT_EQ(help.opened(), 1u);
}

TEST(HelpSessionTest, OpeningTwiceShowsTheSameTopicAgain) {
  FakeHelpEngine engine;
  HelpSession help(engine, kHelpFileName);
  help.Open();
  help.Open();
  ASSERT_EQ(engine.calls.size(), 2u);
  EXPECT_EQ(engine.calls[1].operation, "ShowContext");
  EXPECT_EQ(engine.calls[1].path, engine.calls[0].path);
  EXPECT_EQ(engine.calls[1].context, 4608u);
  EXPECT_EQ(help.opened(), 1u);
}

TEST(HelpSessionTest, CloseQuitsTheSameFileOnlyAfterAnOpen) {
  FakeHelpEngine engine;
  HelpSession help(engine, kHelpFileName);
  help.CloseIfOpened();
  EXPECT_TRUE(engine.calls.empty());

  help.Open();
  help.CloseIfOpened();
  ASSERT_EQ(engine.calls.size(), 2u);
  EXPECT_EQ(engine.calls[1].operation, "Quit");
  EXPECT_EQ(engine.calls[1].path, kWinntHelpPath);
  // The flag is never cleared.
  EXPECT_EQ(help.opened(), 1u);
}

TEST(HelpSessionTest, PathIsComposedAfreshForEachCall) {
  FakeHelpEngine engine;
  HelpSession help(engine, kHelpFileName);
  help.Open();
  engine.windowsDirectory = "E:\\WIN";
  help.CloseIfOpened();
  ASSERT_EQ(engine.calls.size(), 2u);
  EXPECT_EQ(engine.calls[1].path, "E:\\WIN\\System32\\spool\\drivers\\w32x86\\2\\PCHKHELP.HLP");
}

TEST(HelpSessionTest, TooLongWindowsDirectoryRefusesHelp) {
  FakeHelpEngine engine(nullptr, std::string(219, 'w'));
  HelpSession help(engine, kHelpFileName);
  help.Open();
  EXPECT_TRUE(engine.calls.empty());
  EXPECT_EQ(help.opened(), 0u);
  help.CloseIfOpened();
  EXPECT_TRUE(engine.calls.empty());

  engine.windowsDirectory = std::string(218, 'w');
  help.Open();
  ASSERT_EQ(engine.calls.size(), 1u);
  EXPECT_EQ(engine.calls[0].path.size(), 263u);
  EXPECT_EQ(help.opened(), 1u);
}

}  // namespace
}  // namespace paperchk
