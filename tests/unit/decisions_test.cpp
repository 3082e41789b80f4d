// The decision buttons: what is written, and what happens to help and the window.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "dialog/decisions.h"
#include "support/fakes.h"

namespace paperchk {
namespace {

using fakes::CallLog;
using fakes::FakeExchangeFileSystem;
using fakes::FakeFileErrorReporter;
using fakes::FakeHelpEngine;
using fakes::FakePaperCheckWindow;
using Bytes = std::vector<std::uint8_t>;
using Log = std::vector<std::string>;

constexpr char kPath[] = "exchange.dat";
constexpr char kHelpPath[] = "C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\PCHKHELP.HLP";

class DecisionsTest : public ::testing::Test {
 protected:
  void Press(DecisionCode decision) { Decide(decision, channel, errors, help, window); }

  // The log from the decision on, without the help opening that preceded it.
  Log After(std::size_t start) const { return Log(log.entries.begin() + static_cast<std::ptrdiff_t>(start), log.entries.end()); }

  CallLog log;
  FakeExchangeFileSystem files{&log};
  FakeFileErrorReporter errors{&log};
  FakeHelpEngine engine{&log};
  FakePaperCheckWindow window{&log};
  ExchangeChannel channel{files, kPath};
  HelpSession help{engine, kHelpFileName};
  const std::string open = std::string("Open ") + kPath;
  const std::string write = std::string("Write ") + kPath;
  const std::string close = std::string("Close ") + kPath;
  const std::string quitHelp = std::string("HelpQuit ") + kHelpPath;
};

TEST_F(DecisionsTest, IgnoreWritesTwoAndConfirms) {
  Press(DecisionCode::Ignore);
  EXPECT_EQ(files.files[kPath], (Bytes{2, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(log.entries, (Log{open, write, close, "Confirm"}));
  EXPECT_TRUE(engine.calls.empty());
}

TEST_F(DecisionsTest, CancelPrintingWritesThreeAndConfirms) {
  Press(DecisionCode::CancelPrinting);
  EXPECT_EQ(files.files[kPath], (Bytes{3, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(log.entries, (Log{open, write, close, "Confirm"}));
  EXPECT_TRUE(engine.calls.empty());
}

TEST_F(DecisionsTest, RetryWritesOneHidesWaitsThenConfirms) {
  Press(DecisionCode::Retry);
  EXPECT_EQ(files.files[kPath], (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(log.entries, (Log{open, write, close, "Hide", "RunWaitDialog", "Confirm"}));
  EXPECT_TRUE(engine.calls.empty());
}

TEST_F(DecisionsTest, OpenedHelpIsClosedBeforeTheDialogEnds) {
  for (DecisionCode decision : {DecisionCode::Ignore, DecisionCode::CancelPrinting}) {
    help.Open();
    const std::size_t start = log.entries.size();
    Press(decision);
    EXPECT_EQ(After(start), (Log{open, write, close, quitHelp, "Confirm"}));
  }
}

TEST_F(DecisionsTest, RetryClosesOpenedHelpOnlyAfterTheWaitReturns) {
  help.Open();
  const std::size_t start = log.entries.size();
  Press(DecisionCode::Retry);
  EXPECT_EQ(After(start), (Log{open, write, close, "Hide", "RunWaitDialog", quitHelp, "Confirm"}));
}

TEST_F(DecisionsTest, FailedWriteDoesNotStopTheDecision) {
  files.failOpen = true;
  Press(DecisionCode::Ignore);
  EXPECT_EQ(log.entries, (Log{open, "ShowFileError CreateFile ERROR!!!", "Confirm"}));

  log.entries.clear();
  files.failOpen = false;
  files.failWrite = true;
  help.Open();
  const std::size_t start = log.entries.size();
  Press(DecisionCode::Retry);
  EXPECT_EQ(After(start),
            (Log{open, write, "ShowFileError WriteFile ERROR!!!", close, "Hide", "RunWaitDialog", quitHelp, "Confirm"}));
}

}  // namespace
}  // namespace paperchk
