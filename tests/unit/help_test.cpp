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

TEST(HelpPathTest, BesideTheProgramTakesTheProgramsFolder) {
  char path[kHelpPathSize];
  ASSERT_TRUE(ComposeBesideProgramPath("D:\\Driver\\3\\paperchk.exe", kHtmlHelpFileName, path));
  EXPECT_STREQ(path, kBesideProgramPath);
  EXPECT_FALSE(ComposeBesideProgramPath("paperchk.exe", kHtmlHelpFileName, path));
  EXPECT_STREQ(path, "");
  // 251 characters of folder and the 12 of the name fill the buffer.
  const std::string folder = "C:" + std::string(248, 'w') + "\\";
  ASSERT_TRUE(ComposeBesideProgramPath((folder + "p.exe").c_str(), kHtmlHelpFileName, path));
  EXPECT_EQ(std::strlen(path), 263u);
  EXPECT_FALSE(ComposeBesideProgramPath(("w" + folder + "p.exe").c_str(), kHtmlHelpFileName, path));
}

// Which file goes to which engine: "?" twice, then a decision's close. Each
// call reads "operation path [context]".
struct HelpLookupCase {
  const char* name;
  std::vector<std::string> files;  // the .CHM files that exist
  bool htmlHelpLoads;
  bool topicMapped;
  std::string windowsDirectory;
  std::vector<std::string> calls;
};

std::string Describe(const FakeHelpEngine::Call& call) {
  std::string text = call.operation;
  if (!call.path.empty()) text += " " + call.path;
  if (call.context != 0) text += " " + std::to_string(call.context);
  return text;
}

TEST(HelpSessionTest, LookupPicksTheFileAndTheEngine) {
  const std::string winHelp = std::string("ShowContext ") + kWinntHelpPath + " 4608";
  const std::string quit = std::string("Quit ") + kWinntHelpPath;
  const std::string inFolder = std::string("HtmlShowContext ") + kWinntHtmlHelpPath + " 4608";
  const std::string beside = std::string("HtmlShowContext ") + kBesideProgramPath + " 4608";
  const std::string defaultTopic = std::string("HtmlShowDefaultTopic ") + kWinntHtmlHelpPath;
  const HelpLookupCase cases[] = {
      {"no .CHM: WinHelp, and HTML Help is never loaded", {}, true, true, "C:\\WINNT",
       {winHelp, winHelp, quit}},
      {".CHM in the help folder", {kWinntHtmlHelpPath}, true, true, "C:\\WINNT",
       {"LoadHtmlHelp", inFolder, "LoadHtmlHelp", inFolder, "HtmlCloseAll"}},
      {".CHM beside the program", {kBesideProgramPath}, true, true, "C:\\WINNT",
       {"LoadHtmlHelp", beside, "LoadHtmlHelp", beside, "HtmlCloseAll"}},
      {"both: the help folder's first", {kBesideProgramPath, kWinntHtmlHelpPath}, true, true, "C:\\WINNT",
       {"LoadHtmlHelp", inFolder, "LoadHtmlHelp", inFolder, "HtmlCloseAll"}},
      {"topic not mapped: the default topic", {kWinntHtmlHelpPath}, true, false, "C:\\WINNT",
       {"LoadHtmlHelp", inFolder, defaultTopic, "LoadHtmlHelp", inFolder, defaultTopic, "HtmlCloseAll"}},
      {"no HTML Help: WinHelp as without a .CHM", {kWinntHtmlHelpPath}, false, true, "C:\\WINNT",
       {"LoadHtmlHelp", winHelp, "LoadHtmlHelp", winHelp, quit}},
      {"overlong Windows directory: beside the program still opens", {kBesideProgramPath}, true, true,
       std::string(219, 'w'), {"LoadHtmlHelp", beside, "LoadHtmlHelp", beside, "HtmlCloseAll"}},
  };
  for (const HelpLookupCase& test : cases) {
    SCOPED_TRACE(test.name);
    FakeHelpEngine engine(nullptr, test.windowsDirectory);
    engine.files.insert(test.files.begin(), test.files.end());
    engine.htmlHelpLoads = test.htmlHelpLoads;
    engine.topicMapped = test.topicMapped;
    HelpSession help(engine, kHelpFileName);
    help.Open();
    help.Open();
    EXPECT_EQ(help.opened(), 1u);
    help.CloseIfOpened();
    std::vector<std::string> calls;
    for (const FakeHelpEngine::Call& call : engine.calls) calls.push_back(Describe(call));
    EXPECT_EQ(calls, test.calls);
  }
}

// A .CHM that appears between two presses: the close ends both engines.
TEST(HelpSessionTest, CloseEndsEveryEngineThatWasOpened) {
  FakeHelpEngine engine;
  HelpSession help(engine, kHelpFileName);
  help.Open();
  engine.files.insert(kBesideProgramPath);
  help.Open();
  engine.calls.clear();
  help.CloseIfOpened();
  ASSERT_EQ(engine.calls.size(), 2u);
  EXPECT_EQ(engine.calls[0].operation, "HtmlCloseAll");
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
