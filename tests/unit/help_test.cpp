// Locating, opening and closing the driver's help file.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "help/help_file.h"
#include "support/fakes.h"

namespace paperchk {
namespace {

using fakes::FakeHelpEngine;

constexpr char kWinntHelpPath[] = "C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\PCHKHELP.HLP";
constexpr char kWinntHtmlHelpPath[] = "C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\PCHKHELP.CHM";
constexpr char kBesideProgramPath[] = "D:\\Driver\\3\\PCHKHELP.CHM";  // the fake's program folder

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

TEST(HelpPathTest, BesideTheProgramTakesTheProgramsFolderWithinTheLimit) {
  char path[kHelpPathSize];
  ASSERT_TRUE(ComposeBesideProgramPath("D:\\Driver\\3\\paperchk.exe", kHtmlHelpFileName, path));
  EXPECT_STREQ(path, kBesideProgramPath);
  EXPECT_FALSE(ComposeBesideProgramPath("paperchk.exe", kHtmlHelpFileName, path));
  const std::string folder = "C:" + std::string(248, 'w') + "\\";  // 251 + 12 characters fill the buffer
  EXPECT_TRUE(ComposeBesideProgramPath((folder + "p.exe").c_str(), kHtmlHelpFileName, path));
  EXPECT_FALSE(ComposeBesideProgramPath(("w" + folder + "p.exe").c_str(), kHtmlHelpFileName, path));
  EXPECT_STREQ(path, "");
}

// Which file goes to which engine: "?" twice, then a decision's close.
TEST(HelpSessionTest, LookupPicksTheFileAndTheEngine) {
  const std::string winHelp = std::string("ShowContext ") + kWinntHelpPath;
  const std::string quit = std::string("Quit ") + kWinntHelpPath;
  const std::string inFolder = std::string("HtmlShowContext ") + kWinntHtmlHelpPath;
  const std::string beside = std::string("HtmlShowContext ") + kBesideProgramPath;
  const std::string topic = std::string("HtmlShowDefaultTopic ") + kWinntHtmlHelpPath;
  const struct {
    std::vector<std::string> files;  // the .CHM files that exist
    bool loads, mapped;
    std::size_t longDirectory;  // a Windows directory of this many characters, else C:\WINNT
    std::vector<std::string> calls;
  } cases[] = {
      {{}, true, true, 0, {winHelp, winHelp, quit}},  // HTML Help never loaded
      {{kWinntHtmlHelpPath}, true, true, 0, {"Load", inFolder, "Load", inFolder, "CloseAll"}},
      {{kBesideProgramPath}, true, true, 0, {"Load", beside, "Load", beside, "CloseAll"}},
      {{kBesideProgramPath, kWinntHtmlHelpPath}, true, true, 0, {"Load", inFolder, "Load", inFolder, "CloseAll"}},
      {{kWinntHtmlHelpPath}, true, false, 0, {"Load", inFolder, topic, "Load", inFolder, topic, "CloseAll"}},
      {{kWinntHtmlHelpPath}, false, true, 0, {"Load", winHelp, "Load", winHelp, quit}},
      {{kBesideProgramPath}, true, true, 219, {"Load", beside, "Load", beside, "CloseAll"}},
  };
  for (const auto& test : cases) {
    FakeHelpEngine engine(nullptr, test.longDirectory == 0 ? "C:\\WINNT" : std::string(test.longDirectory, 'w'));
    engine.files.insert(test.files.begin(), test.files.end());
    engine.htmlHelpLoads = test.loads;
    engine.topicMapped = test.mapped;
    HelpSession help(engine, kHelpFileName);
    help.Open();
    help.Open();
    EXPECT_EQ(help.opened(), 1u);
    help.CloseIfOpened();
    std::vector<std::string> calls;
    for (const FakeHelpEngine::Call& call : engine.calls) {
      calls.push_back(call.operation + (call.path.empty() ? "" : " " + call.path));
      if (call.operation.find("ShowContext") != std::string::npos) {
        EXPECT_EQ(call.context, 4608u);
      }
    }
    EXPECT_EQ(calls, test.calls) << "row " << (&test - cases);
  }
  // A .CHM that appears between two presses: the close ends both engines.
  FakeHelpEngine engine;
  HelpSession help(engine, kHelpFileName);
  help.Open();
  engine.files.insert(kBesideProgramPath);
  help.Open();
  engine.calls.clear();
  help.CloseIfOpened();
  ASSERT_EQ(engine.calls.size(), 2u);
  EXPECT_EQ(engine.calls[0].operation, "CloseAll");
  EXPECT_EQ(engine.calls[1].operation, "Quit");
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
