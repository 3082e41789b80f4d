// The self-test's report: one line per check (PASS, FAIL name: what was
// expected and what came, SKIP name: why), a line naming the check that is
// running while it runs, the notes a check records, the closing count, and
// the same results as JUnit XML. The checks are the end-to-end cases, run
// once per program under test (one GoogleTest iteration each).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace selftest {

struct CheckResult {
  std::string program;  // "x86" or "x64": which paperchk.exe
  std::string name;     // the case, e.g. "Window.EscapeDoesNothing"
  enum Outcome { Passed, Failed, Skipped } outcome = Passed;
  std::string detail;  // the failure or the reason to skip
  std::vector<std::string> notes;
  double seconds = 0;
};

class ReportPrinter final : public ::testing::EmptyTestEventListener {
 public:
  // `programs` names each iteration's program; `startIteration` is called
  // before each, to point the cases at that program.
  ReportPrinter(std::vector<std::string> programs, std::function<void(int)> startIteration);

  void OnTestIterationStart(const ::testing::UnitTest&, int iteration) override;
  void OnTestStart(const ::testing::TestInfo& test) override;
  void OnTestPartResult(const ::testing::TestPartResult& part) override;
  void OnTestEnd(const ::testing::TestInfo& test) override;

  const std::vector<CheckResult>& results() const { return results_; }
  int Count(CheckResult::Outcome outcome) const;
  // Adds a check of the kit's own (its clean-up) to the report.
  void Add(CheckResult result);

 private:
  void Print(const CheckResult& result);

  std::vector<std::string> programs_;
  std::function<void(int)> startIteration_;
  std::string program_;
  CheckResult current_;
  bool console_ = false;
  std::vector<CheckResult> results_;
};

// The results in JUnit's XML (one test suite per program); false when the
// file cannot be written.
bool WriteJunit(const std::string& path, const std::vector<CheckResult>& results);

// One line of a failure message: its lines joined, at most `limit` bytes.
std::string OneLine(const std::string& text, std::size_t limit = 400);

}  // namespace selftest
