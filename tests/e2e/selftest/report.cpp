#include "report.h"

#include <windows.h>

#include <fstream>
#include <map>
#include <utility>

namespace selftest {

std::string OneLine(const std::string& text, std::size_t limit) {
  std::string line;
  bool gap = false;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      gap = !line.empty();
      continue;
    }
    if (gap) line += " | ";
    gap = false;
    line += c;
  }
  if (line.size() > limit) {
    line.resize(limit);
    line += "...";
  }
  return line;
}

ReportPrinter::ReportPrinter(std::vector<std::string> programs, std::function<void(int)> startIteration)
    : programs_(std::move(programs)), startIteration_(std::move(startIteration)) {
  DWORD mode = 0;
  console_ = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void ReportPrinter::OnTestIterationStart(const ::testing::UnitTest&, int iteration) {
  const auto index = static_cast<std::size_t>(iteration);
  program_ = index < programs_.size() ? programs_[index] : "?";
  startIteration_(iteration);
}

void ReportPrinter::OnTestStart(const ::testing::TestInfo& test) {
  current_ = CheckResult{};
  current_.program = program_;
  current_.name = std::string(test.test_suite_name()) + "." + test.name();
  // On a console the line is overwritten by the result; in a file it stays.
  std::printf(console_ ? "running %s %s ...\r" : "running %s %s\n", program_.c_str(), current_.name.c_str());
  std::fflush(stdout);
}

void ReportPrinter::OnTestPartResult(const ::testing::TestPartResult& part) {
  if (part.skipped()) {
    current_.outcome = CheckResult::Skipped;
    current_.detail = OneLine(part.message());
    return;
  }
  if (!part.failed()) return;
  current_.outcome = CheckResult::Failed;
  if (!current_.detail.empty()) current_.detail += " || ";
  const std::string where = part.file_name() != nullptr
                                ? std::string(" (") + part.file_name() + ":" + std::to_string(part.line_number()) + ")"
                                : "";
  current_.detail += OneLine(part.message()) + where;
}

void ReportPrinter::OnTestEnd(const ::testing::TestInfo& test) {
  const ::testing::TestResult& result = *test.result();
  current_.seconds = static_cast<double>(result.elapsed_time()) / 1000.0;
  for (int i = 0; i < result.test_property_count(); ++i) {
    const ::testing::TestProperty& property = result.GetTestProperty(i);
    current_.notes.push_back(std::string(property.key()) + ": " + property.value());
  }
  if (console_) std::printf("%-79s\r", "");
  Add(current_);
}

void ReportPrinter::Add(CheckResult result) {
  Print(result);
  results_.push_back(std::move(result));
}

void ReportPrinter::Print(const CheckResult& result) {
  const std::string name = result.program + " " + result.name;
  switch (result.outcome) {
    case CheckResult::Passed: std::printf("PASS %s\n", name.c_str()); break;
    case CheckResult::Failed: std::printf("FAIL %s: %s\n", name.c_str(), result.detail.c_str()); break;
    case CheckResult::Skipped: std::printf("SKIP %s: %s\n", name.c_str(), result.detail.c_str()); break;
  }
  for (const std::string& note : result.notes) std::printf("     %s\n", note.c_str());
  std::fflush(stdout);
}

int ReportPrinter::Count(CheckResult::Outcome outcome) const {
  int count = 0;
  for (const CheckResult& result : results_) count += result.outcome == outcome ? 1 : 0;
  return count;
}

namespace {

std::string Xml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // Control characters have no place in XML 1.0.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

}  // namespace

bool WriteJunit(const std::string& path, const std::vector<CheckResult>& results) {
  std::map<std::string, std::vector<const CheckResult*>> byProgram;
  for (const CheckResult& result : results) byProgram[result.program].push_back(&result);
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"paperchk-selftest\">\n";
  for (const auto& [program, checks] : byProgram) {
    int failures = 0, skipped = 0;
    double seconds = 0;
    for (const CheckResult* check : checks) {
      failures += check->outcome == CheckResult::Failed ? 1 : 0;
      skipped += check->outcome == CheckResult::Skipped ? 1 : 0;
      seconds += check->seconds;
    }
    out << "  <testsuite name=\"paperchk " << Xml(program) << "\" tests=\"" << checks.size() << "\" failures=\""
        << failures << "\" errors=\"0\" skipped=\"" << skipped << "\" time=\"" << seconds << "\">\n";
    for (const CheckResult* check : checks) {
      const std::size_t dot = check->name.find('.');
      out << "    <testcase classname=\"" << Xml(program + "." + check->name.substr(0, dot)) << "\" name=\""
          << Xml(dot == std::string::npos ? check->name : check->name.substr(dot + 1)) << "\" time=\""
          << check->seconds << "\"";
      if (check->outcome == CheckResult::Passed && check->notes.empty()) {
        out << "/>\n";
        continue;
      }
      out << ">\n";
      if (check->outcome == CheckResult::Failed) {
        out << "      <failure message=\"" << Xml(check->detail) << "\"/>\n";
      } else if (check->outcome == CheckResult::Skipped) {
        out << "      <skipped message=\"" << Xml(check->detail) << "\"/>\n";
      }
      if (!check->notes.empty()) {
        out << "      <system-out>";
        for (const std::string& note : check->notes) out << Xml(note) << "\n";
        out << "</system-out>\n";
      }
      out << "    </testcase>\n";
    }
    out << "  </testsuite>\n";
  }
  out << "</testsuites>\n";
  return static_cast<bool>(out.flush());
}

}  // namespace selftest
