// paperchk_soak.exe: runs the real paperchk.exe many times in a row, each
// run drawn from a seed, and checks every run (see soak_run.h). Started by
// scripts/soak.sh on a display of its own under Wine:
//
//   paperchk_soak.exe [--runs N] [--seed S] [--first K] [--paperchk PATH]
//   paperchk_soak.exe --check-plans N
//
// Runs K .. K+N-1 of seed S are run; run K of seed S is the same run on
// every machine, so one failure can be run again alone. --check-plans draws
// N plans without running them and checks that every kind of run occurs and
// every command line keeps to the grammar.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "prefix_processes.h"
#include "random_source.h"
#include "run_plan.h"
#include "soak_driver.h"
#include "soak_run.h"

namespace soak {
namespace {

struct Options {
  std::uint32_t runs = 10;
  std::uint64_t seed = 0;
  bool seedGiven = false;
  std::uint32_t first = 1;
  std::wstring paperchk;
  std::uint32_t checkPlans = 0;
};

bool ParseNumber(const char* text, std::uint64_t& value) {
  char* end = nullptr;
  value = std::strtoull(text, &end, 0);
  return end != text && *end == '\0';
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    std::uint64_t number = 0;
    if (option == "--paperchk") {
      options.paperchk = drv::ToWindowsPath(drv::Widen(value));
    } else if (!ParseNumber(value, number)) {
      return false;
    } else if (option == "--runs") {
      options.runs = static_cast<std::uint32_t>(number);
    } else if (option == "--seed") {
      options.seed = number;
      options.seedGiven = true;
    } else if (option == "--first" && number >= 1) {
      options.first = static_cast<std::uint32_t>(number);
    } else if (option == "--check-plans") {
      options.checkPlans = static_cast<std::uint32_t>(number);
    } else {
      return false;
    }
  }
  return true;
}

std::uint64_t FreshSeed() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  RandomSource mixer(static_cast<std::uint64_t>(counter.QuadPart) ^
                     (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32));
  return mixer.Next() >> 16;  // short enough to type
}

// Draws plans and counts what they cover; every kind must occur, and every
// command line must name its exchange file the way paperchk reads it.
int CheckPlans(std::uint32_t count) {
  std::map<std::string, int> seen;
  const std::wstring path = L"C:\\soak\\exchange.bin";
  int broken = 0;
  for (std::uint32_t run = 1; run <= count; ++run) {
    const RunPlan plan = DrawPlan(RunSeed(1, run));
    std::string refusal;
    const std::optional<std::wstring> tail = drv::ClientTail(plan.report, path, &refusal);
    if (!tail) {
      std::printf("plan %u is refused by the client library: %s\n", run, refusal.c_str());
      ++broken;
    } else if (drv::ExchangePathOfTail(*tail) != path) {
      std::printf("plan %u breaks the command-line grammar: %s\n", run, drv::Utf8(*tail).c_str());
      ++broken;
    }
    ++seen["sample " + plan.sampleName];
    ++seen["items " + std::to_string(plan.report.items.size())];
    ++seen[PortClassName(plan.portClass)];
    ++seen[std::string("file ") + (!plan.fileBefore ? "absent" : plan.initialBytes.size() == 8 ? "8 bytes" : "longer")];
    ++seen["decision " + drv::Utf8(drv::DecisionName(plan.decision))];
    ++seen[std::string("decision by ") + (plan.decisionWay == Way::Mouse ? "mouse" : "keyboard")];
    ++seen[std::string("help ") + (plan.help ? "yes" : "no")];
    ++seen[std::string("tray switch ") + (plan.traySwitch ? "yes" : "no")];
    ++seen["fault " + std::to_string(static_cast<int>(plan.fault)) + " with " +
           drv::Utf8(drv::DecisionName(plan.decision))];
    if (plan.decision == drv::kRetry) ++seen["wait end " + std::to_string(static_cast<int>(plan.waitEnd))];
  }
  // Every kind the soak claims to cover.
  std::vector<std::string> needed = {"port 1..15",           "port 16..27",  "port 28+",    "network port",
                                     "file absent",          "file 8 bytes", "file longer", "decision by mouse",
                                     "decision by keyboard", "help yes",     "help no",     "tray switch yes",
                                     "tray switch no"};
  for (const std::string& name : SampleRequestNames()) needed.push_back("sample " + name);
  for (int items = 1; items <= 3; ++items) needed.push_back("items " + std::to_string(items));
  for (const char* decision : {"Riprova", "Ignora", "Annulla"}) {
    needed.push_back(std::string("decision ") + decision);
    needed.push_back(std::string("fault 0 with ") + decision);
    needed.push_back(std::string("fault 1 with ") + decision);
  }
  for (int fault = 2; fault <= 5; ++fault) needed.push_back("fault " + std::to_string(fault) + " with Riprova");
  for (int end = 0; end <= 2; ++end) needed.push_back("wait end " + std::to_string(end));
  int missing = 0;
  for (const std::string& kind : needed) {
    if (seen[kind] == 0) {
      std::printf("no plan of kind '%s' in %u draws\n", kind.c_str(), count);
      ++missing;
    }
  }
  for (const auto& [kind, times] : seen) std::printf("%6d  %s\n", times, kind.c_str());
  std::printf("%u plans: %d kinds missing, %d command lines broken\n", count, missing, broken);
  return missing == 0 && broken == 0 ? 0 : 1;
}

std::string Milliseconds(double ms) { return std::to_string(static_cast<long>(ms)) + " ms"; }

int Soak(const Options& options) {
  const std::wstring paperchk =
      options.paperchk.empty() ? drv::DirectoryOfThisProgram() + L"\\paperchk.exe" : options.paperchk;
  if (!drv::FileExists(paperchk)) {
    std::fprintf(stderr, "soak: paperchk not found: %s\n", drv::Utf8(paperchk).c_str());
    return 2;
  }
  const std::uint64_t seed = options.seedGiven ? options.seed : FreshSeed();
  std::unique_ptr<drv::RealInput> input = drv::MakeRealInput();
  HelpEngineStandIn help;
  if (!help.ok()) {
    std::fprintf(stderr, "soak: could not create the help engine stand-in\n");
    return 2;
  }
  const PrefixProcesses processes;  // after the stand-in: the prefix is up
  const SoakContext context{paperchk, input.get(), &help, &processes};
  const std::uint32_t last = options.first + options.runs - 1;
  std::printf("soak: %s, input %s, seed %llu, runs %u..%u\n", drv::Utf8(paperchk).c_str(), input->name(),
              static_cast<unsigned long long>(seed), options.first, last);
  std::fflush(stdout);

  const double started = drv::NowMs();
  std::uint32_t passed = 0;
  std::vector<std::uint32_t> failed;
  std::vector<double> flagToEnd;
  std::vector<double> releaseToEnd;  // held writes that no tick met
  int tickInHold = 0;
  for (std::uint32_t run = options.first; run <= last; ++run) {
    const RunPlan plan = DrawPlan(RunSeed(seed, run));
    const RunOutcome outcome = ExecuteRun(plan, context);
    std::string line = "run " + std::to_string(run) + ": " + Describe(plan) + " -> ";
    line += outcome.passed ? "passed" : "FAILED: " + outcome.failure;
    if (outcome.flagToEndMs >= 0) line += " (flag to end " + Milliseconds(outcome.flagToEndMs) + ")";
    std::printf("%s [%.1f s]\n", line.c_str(), outcome.durationMs / 1000);
    std::fflush(stdout);
    if (outcome.passed) {
      ++passed;
    } else {
      failed.push_back(run);
    }
    if (outcome.flagToEndMs >= 0) flagToEnd.push_back(outcome.flagToEndMs);
    if (plan.fault == FileFault::HeldWhileWritingFlag && outcome.passed) {
      if (outcome.tickInHold) {
        ++tickInHold;
      } else {
        releaseToEnd.push_back(outcome.releaseToEndMs);
      }
    }
  }

  std::printf("\nsoak: %u runs in %.0f s\n", options.runs, (drv::NowMs() - started) / 1000);
  if (!flagToEnd.empty()) {
    std::sort(flagToEnd.begin(), flagToEnd.end());
    std::printf("flag to end over %zu completed retries: min %s, median %s, max %s (limit %s)\n", flagToEnd.size(),
                Milliseconds(flagToEnd.front()).c_str(), Milliseconds(flagToEnd[flagToEnd.size() / 2]).c_str(),
                Milliseconds(flagToEnd.back()).c_str(), Milliseconds(kFlagToEndLimitMs).c_str());
  }
  if (!releaseToEnd.empty() || tickInHold > 0) {
    std::sort(releaseToEnd.begin(), releaseToEnd.end());
    std::printf("flag written under a %u ms hold: %zu runs ended by the watch, release to end median %s, max %s; "
                "%d runs where a tick fell inside the hold and showed its box\n",
                kFlagHoldMs, releaseToEnd.size(),
                releaseToEnd.empty() ? "-" : Milliseconds(releaseToEnd[releaseToEnd.size() / 2]).c_str(),
                releaseToEnd.empty() ? "-" : Milliseconds(releaseToEnd.back()).c_str(), tickInHold);
  }
  for (std::uint32_t run : failed) {
    std::printf("run %u again: bash scripts/soak.sh 1 --seed %llu --first %u\n", run,
                static_cast<unsigned long long>(seed), run);
  }
  std::printf("%u passed, %zu failed (seed %llu; one run again: bash scripts/soak.sh 1 --seed %llu --first RUN)\n",
              passed, failed.size(), static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
  return failed.empty() ? 0 : 1;
}

}  // namespace
}  // namespace soak

int main(int argc, char** argv) {
  soak::Options options;
  if (!soak::ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: paperchk_soak.exe [--runs N] [--seed S] [--first K] [--paperchk PATH]\n"
                 "       paperchk_soak.exe --check-plans N\n");
    return 2;
  }
  if (options.checkPlans > 0) return soak::CheckPlans(options.checkPlans);
  return soak::Soak(options);
}
