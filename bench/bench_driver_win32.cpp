// bench_driver.exe: runs paperchk and the baseline side by side, run by run,
// and measures from outside what a driver sees: start-up to the visible,
// titled dialog; a decision to its record and to the process's end; the
// completion flag to the end, with the folder watched (paperchk) and without
// (the bench's unwatched build, interleaved); the CPU time of the wait in a
// quiet folder and in a busy one; a driver that writes the flag while it
// holds the file without sharing; the peak working set.
// Prints the figures as Markdown table rows.
//   bench_driver.exe --paperchk EXE --unwatched EXE --baseline EXE --exchange FILE
//                    [--pairs N] [--completions N] [--held N] [--wait-seconds S] [--marks DIR]
// With --marks, each waiting period is announced by files in DIR, so that a
// watcher outside Wine can read the kernel's own accounting of it: NAME.start
// and NAME.end are created at its start and end (NAME: quiet, busy), and the
// driver waits (at most 2 s) for NAME.read before it ends the wait.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client/paperchk_record.h"
#include "observed_process.h"
#include "resources/resource_ids.h"

namespace {

struct Options {
  std::wstring paperchk;
  std::wstring unwatched;
  std::wstring baseline;
  std::wstring exchange;
  int pairs = 30;
  int completions = 30;
  int held = 30;
  int waitSeconds = 10;
  std::wstring marks;
};

constexpr double kTimeout = 30;  // seconds for any one step

// A three-item report with two trays, as the driver sends it.
constexpr wchar_t kReport[] =
    L"3_Item \"Stampante ufficio\"\\LPT1:\\40001\\30002\\30005\\40002\\50009\\768\\40003\\20001\\20004\\"
    L"30002\\1\\256\\20002\\";

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

struct Stats {
  double min = 0, median = 0, max = 0;
};

Stats Summarise(std::vector<double> values) {
  Stats stats;
  if (values.empty()) return stats;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  stats.min = values.front();
  stats.max = values.back();
  stats.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return stats;
}

// The exchange file as the driver sees it.
bool ResetExchange(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool ReadRecord(const std::wstring& path, std::uint32_t& decision, std::uint32_t& flag) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::uint8_t bytes[PAPERCHK_RECORD_SIZE];
  DWORD read = 0;
  const bool whole = ReadFile(file, bytes, sizeof bytes, &read, nullptr) && read == sizeof bytes;
  CloseHandle(file);
  if (!whole) return false;
  decision = paperchk_record_get32(bytes + PAPERCHK_DECISION_OFFSET);
  flag = paperchk_record_get32(bytes + PAPERCHK_COMPLETION_FLAG_OFFSET);
  return true;
}

// Polls every millisecond until the record holds `decision`; the time seen.
bool WaitForRecord(const std::wstring& path, std::uint32_t decision, double& when) {
  const double deadline = bench::Now() + kTimeout;
  do {
    std::uint32_t found = 0;
    std::uint32_t flag = 0;
    if (ReadRecord(path, found, flag) && found == decision) {
      when = bench::Now();
      return true;
    }
    Sleep(1);
  } while (bench::Now() < deadline);
  return false;
}

bool WriteFlagOne(HANDLE file) {
  const unsigned char one[4] = {1, 0, 0, 0};
  DWORD written = 0;
  return SetFilePointer(file, 4, nullptr, FILE_BEGIN) == 4 && WriteFile(file, one, sizeof one, &written, nullptr) &&
         written == sizeof one;
}

bool WriteCompletionFlag(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = WriteFlagOne(file);
  CloseHandle(file);
  return ok;
}

// A driver that opens the file without sharing, writes the flag and keeps
// the file `holdMs` longer; `released` is the time it lets go.
constexpr DWORD kHoldMs = 30;
bool WriteCompletionFlagHeld(const std::wstring& path, double& released) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = WriteFlagOne(file);
  Sleep(kHoldMs);
  CloseHandle(file);
  released = bench::Now();
  return ok;
}

// Another program writing another file of the same folder 100 times a
// second, as in a busy temporary folder.
class BusyNeighbour {
 public:
  explicit BusyNeighbour(const std::wstring& exchange)
      : path_(exchange.substr(0, exchange.find_last_of(L"\\/") + 1) + L"neighbour.tmp"), thread_([this] { Run(); }) {}
  ~BusyNeighbour() {
    stop_ = true;
    thread_.join();
    DeleteFileW(path_.c_str());
  }
  BusyNeighbour(const BusyNeighbour&) = delete;
  BusyNeighbour& operator=(const BusyNeighbour&) = delete;
  int writes() const { return writes_; }

 private:
  void Run() {
    double next = bench::Now();
    while (!stop_) {
      HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        const unsigned char byte = static_cast<unsigned char>(writes_);
        DWORD written = 0;
        if (WriteFile(file, &byte, 1, &written, nullptr)) ++writes_;
        CloseHandle(file);
      }
      next += 0.010;
      const double wait = next - bench::Now();
      if (wait > 0) Sleep(static_cast<DWORD>(wait * 1000));
    }
  }

  std::wstring path_;
  std::atomic<bool> stop_{false};
  std::atomic<int> writes_{0};
  std::thread thread_;
};

void CreateMark(const Options& options, const wchar_t* name) {
  if (options.marks.empty()) return;
  HANDLE file = CreateFileW((options.marks + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

void AwaitMark(const Options& options, const wchar_t* name) {
  if (options.marks.empty()) return;
  const std::wstring path = options.marks + L"\\" + name;
  const double deadline = bench::Now() + 2;
  while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && bench::Now() < deadline) Sleep(1);
}

void Press(HWND dialog, int button) { PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0); }

// A file-error box of the process (caption "KLDEXE"), or null.
HWND FileErrorBox(const bench::ObservedProcess& process) {
  HWND box = process.WaitForVisibleWindow(0, true);
  wchar_t caption[16] = {};
  return box && GetWindowTextW(box, caption, 16) > 0 && std::wstring(caption) == L"KLDEXE" ? box : nullptr;
}

struct Figures {
  std::vector<double> startPaperchk, startBaseline, toRecord, toEnd, completion, completionUnwatched;
  std::vector<double> heldToEnd;       // release to end, runs without a box
  std::vector<int> boxPhases;          // hold start after the wait box, runs with a box
  std::vector<double> memoryPaperchk, memoryBaseline;
  double waitCpuQuiet = -1;
  double waitCpuBusy = -1;
  // The driver's own CPU time in the same periods: Wine's GetProcessTimes of
  // another process may hand back the caller's.
  double ownCpuQuiet = -1;
  double ownCpuBusy = -1;
  int busyWrites = 0;
};

// How long the dialog stays up before its peak working set is read, the same
// for both programs.
constexpr DWORD kSettleMs = 300;
constexpr DWORD kPauseMs = 300;

bool RunBaseline(const Options& options, Figures& figures) {
  bench::ObservedProcess process;
  if (!process.Start(Quoted(options.baseline))) return false;
  if (process.WaitForVisibleWindow(kTimeout, true) == nullptr) return false;
  figures.startBaseline.push_back(bench::Now() - process.started());
  Sleep(kSettleMs);
  figures.memoryBaseline.push_back(static_cast<double>(process.PeakWorkingSet()));
  process.Terminate();
  return true;
}

std::wstring CommandLine(const std::wstring& program, const Options& options) {
  return Quoted(program) + L" " + kReport + options.exchange;
}
std::wstring PaperchkCommandLine(const Options& options) { return CommandLine(options.paperchk, options); }

bool RunPaperchkIgnore(const Options& options, Figures& figures) {
  if (!ResetExchange(options.exchange)) return false;
  bench::ObservedProcess process;
  if (!process.Start(PaperchkCommandLine(options))) return false;
  HWND dialog = process.WaitForVisibleWindow(kTimeout, true);
  if (dialog == nullptr) return false;
  figures.startPaperchk.push_back(bench::Now() - process.started());
  Sleep(kSettleMs);
  figures.memoryPaperchk.push_back(static_cast<double>(process.PeakWorkingSet()));

  const double clicked = bench::Now();
  Press(dialog, IDC_IGNORE);
  double recorded = 0;
  if (!WaitForRecord(options.exchange, PAPERCHK_DECISION_IGNORE, recorded) || !process.WaitForExit(kTimeout)) return false;
  figures.toRecord.push_back(recorded - clicked);
  figures.toEnd.push_back(bench::Now() - clicked);
  return true;
}

// Retry, then the wait box: true once it shows.
bool StartRetry(const Options& options, const std::wstring& program, bench::ObservedProcess& process) {
  if (!ResetExchange(options.exchange)) return false;
  if (!process.Start(CommandLine(program, options))) return false;
  HWND dialog = process.WaitForVisibleWindow(kTimeout, true);
  if (dialog == nullptr) return false;
  Press(dialog, IDC_RETRY);
  double recorded = 0;
  if (!WaitForRecord(options.exchange, PAPERCHK_DECISION_RETRY, recorded)) return false;
  return process.WaitForVisibleWindow(kTimeout, false, dialog) != nullptr;
}

// `phaseMs` after the wait box appears the flag is written and the end timed.
bool RunCompletion(const Options& options, const std::wstring& program, DWORD phaseMs,
                   std::vector<double>& figures) {
  bench::ObservedProcess process;
  if (!StartRetry(options, program, process)) return false;
  Sleep(phaseMs);
  if (!WriteCompletionFlag(options.exchange)) return false;
  const double written = bench::Now();
  if (!process.WaitForExit(kTimeout) || process.ExitCode() != 0) return false;
  figures.push_back(bench::Now() - written);
  return true;
}

// The waiting cost: `waitSeconds` of waiting, announced as `name` to the
// watcher outside; with `busy` another file of the folder is written 100
// times a second meanwhile.
bool RunWaitingCost(const Options& options, const wchar_t* name, bool busy, double& cpu, double& ownCpu,
                    int* writes) {
  bench::ObservedProcess process;
  if (!StartRetry(options, options.paperchk, process)) return false;
  Sleep(500);  // the wait box's own start is not waiting
  {
    std::unique_ptr<BusyNeighbour> neighbour;
    if (busy) neighbour = std::make_unique<BusyNeighbour>(options.exchange);
    const double before = process.CpuSeconds();
    const double ownBefore = bench::OwnCpuSeconds();
    CreateMark(options, (std::wstring(name) + L".start").c_str());
    Sleep(static_cast<DWORD>(options.waitSeconds) * 1000);
    const double after = process.CpuSeconds();
    ownCpu = bench::OwnCpuSeconds() - ownBefore;
    CreateMark(options, (std::wstring(name) + L".end").c_str());
    AwaitMark(options, (std::wstring(name) + L".read").c_str());
    if (writes && neighbour) *writes = neighbour->writes();
    // cppcheck-suppress knownConditionTrueFalse ; each call reads the process's times anew
    if (before >= 0 && after >= 0) cpu = after - before;
  }
  if (!WriteCompletionFlag(options.exchange)) return false;
  return process.WaitForExit(kTimeout) && process.ExitCode() == 0;
}

// The flag written under a 30 ms hold without sharing, `phaseMs` after the
// wait box appears. A tick that falls inside the hold cannot open the file
// and shows its box, as it always has: the box is counted (with the phase)
// and closed, which ends the process.
bool RunHeld(const Options& options, DWORD phaseMs, Figures& figures) {
  bench::ObservedProcess process;
  if (!StartRetry(options, options.paperchk, process)) return false;
  Sleep(phaseMs);
  double released = 0;
  if (!WriteCompletionFlagHeld(options.exchange, released)) return false;
  if (process.WaitForExit(1.5)) {
    figures.heldToEnd.push_back(bench::Now() - released);
    return process.ExitCode() == 0;
  }
  HWND box = FileErrorBox(process);
  if (box == nullptr) return false;
  figures.boxPhases.push_back(static_cast<int>(phaseMs));
  Press(box, IDOK);
  return process.WaitForExit(kTimeout) && process.ExitCode() == 0;
}

bool ParseOptions(Options& options) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return false;
  for (int i = 1; i + 1 < count; i += 2) {
    const std::wstring name = arguments[i];
    const std::wstring value = arguments[i + 1];
    if (name == L"--paperchk") options.paperchk = value;
    else if (name == L"--unwatched") options.unwatched = value;
    else if (name == L"--baseline") options.baseline = value;
    else if (name == L"--exchange") options.exchange = value;
    else if (name == L"--pairs") options.pairs = _wtoi(value.c_str());
    else if (name == L"--completions") options.completions = _wtoi(value.c_str());
    else if (name == L"--held") options.held = _wtoi(value.c_str());
    else if (name == L"--wait-seconds") options.waitSeconds = _wtoi(value.c_str());
    else if (name == L"--marks") options.marks = value;
  }
  LocalFree(arguments);
  return !options.paperchk.empty() && !options.unwatched.empty() && !options.baseline.empty() &&
         !options.exchange.empty() && options.pairs > 0 && options.completions > 0 && options.held > 0 &&
         options.waitSeconds > 0;
}

double Ms(double seconds) { return seconds * 1000; }

}  // namespace

int main() {
  Options options;
  if (!ParseOptions(options)) {
    (void)std::fprintf(stderr, "usage: bench_driver --paperchk EXE --unwatched EXE --baseline EXE --exchange FILE "
                         "[--pairs N] [--completions N] [--held N] [--wait-seconds S] [--marks DIR]\n");
    return 2;
  }
  Figures figures;
  // One unmeasured start of each first: the first program on a fresh display
  // and prefix also pays for bringing up Wine's desktop.
  Figures warmUp;
  if (!RunBaseline(options, warmUp) || !RunPaperchkIgnore(options, warmUp)) {
    (void)std::fprintf(stderr, "bench: warm-up run failed\n");
    return 1;
  }
  // Interleaved, so that both programs meet the same machine, and in turns
  // (baseline first, then paperchk first), so that neither always follows
  // the other's end. A pause before each start lets the previous program's
  // end settle.
  for (int run = 0; run < options.pairs; ++run) {
    const bool baselineFirst = run % 2 == 0;
    bool ok = true;
    for (int turn = 0; turn < 2 && ok; ++turn) {
      Sleep(kPauseMs);
      ok = (turn == 0) == baselineFirst ? RunBaseline(options, figures) : RunPaperchkIgnore(options, figures);
    }
    if (!ok) {
      (void)std::fprintf(stderr, "bench: start-up run %d failed\n", run + 1);
      return 1;
    }
  }
  for (int run = 0; run < options.completions; ++run) {
    // Spread over the poll period: the flag lands anywhere between two ticks.
    // Watched and unwatched in turns, at the same phase.
    const DWORD phase = static_cast<DWORD>((run * 379) % 1000);
    if (!RunCompletion(options, options.paperchk, phase, figures.completion) ||
        !RunCompletion(options, options.unwatched, phase, figures.completionUnwatched)) {
      (void)std::fprintf(stderr, "bench: completion run %d failed\n", run + 1);
      return 1;
    }
  }
  for (int run = 0; run < options.held; ++run) {
    const DWORD phase = static_cast<DWORD>((run * 379) % 1000);
    if (!RunHeld(options, phase, figures)) {
      (void)std::fprintf(stderr, "bench: held-write run %d failed\n", run + 1);
      return 1;
    }
  }
  if (!RunWaitingCost(options, L"quiet", false, figures.waitCpuQuiet, figures.ownCpuQuiet, nullptr) ||
      !RunWaitingCost(options, L"busy", true, figures.waitCpuBusy, figures.ownCpuBusy, &figures.busyWrites)) {
    (void)std::fprintf(stderr, "bench: waiting-cost run failed\n");
    return 1;
  }

  const Stats paperchk = Summarise(figures.startPaperchk);
  const Stats baseline = Summarise(figures.startBaseline);
  const Stats record = Summarise(figures.toRecord);
  const Stats end = Summarise(figures.toEnd);
  const Stats completion = Summarise(figures.completion);
  const Stats memoryPaperchk = Summarise(figures.memoryPaperchk);
  const Stats memoryBaseline = Summarise(figures.memoryBaseline);

  std::printf("| Start-up, paperchk (%zu runs) | min %.1f ms, median %.1f ms, max %.1f ms | |\n",
              figures.startPaperchk.size(), Ms(paperchk.min), Ms(paperchk.median), Ms(paperchk.max));
  std::printf("| Start-up, baseline (%zu runs) | min %.1f ms, median %.1f ms, max %.1f ms | |\n",
              figures.startBaseline.size(), Ms(baseline.min), Ms(baseline.median), Ms(baseline.max));
  std::printf("| Start-up, ratio of medians | %.3f | at most 1.10 |\n", paperchk.median / baseline.median);
  // Less sensitive to other load on the machine than the medians.
  std::printf("| Start-up, ratio of minimums | %.3f | |\n", paperchk.min / baseline.min);
  std::printf("| Decision \"Ignora\": click to record readable (median of %zu) | %.1f ms | |\n",
              figures.toRecord.size(), Ms(record.median));
  std::printf("| Decision \"Ignora\": click to process end (median of %zu) | %.1f ms | |\n", figures.toEnd.size(),
              Ms(end.median));
  const Stats unwatched = Summarise(figures.completionUnwatched);
  const Stats held = Summarise(figures.heldToEnd);
  std::printf("| Completion: flag 1 written to process end, folder watched (paperchk.exe, %zu runs) | median %.1f ms, "
              "max %.1f ms | median at most 20 ms, max at most 60 ms |\n",
              figures.completion.size(), Ms(completion.median), Ms(completion.max));
  std::printf("| Completion: the same, unwatched (paperchk_unwatched.exe, the bench build; %zu runs, interleaved) | "
              "median %.1f ms, max %.1f ms | max at most 1050 ms |\n",
              figures.completionUnwatched.size(), Ms(unwatched.median), Ms(unwatched.max));
  std::printf("| Held write: flag written under a %lu ms hold without sharing, release to process end (%zu of %d runs) "
              "| median %.1f ms, max %.1f ms | max at most 60 ms |\n",
              static_cast<unsigned long>(kHoldMs), figures.heldToEnd.size(), options.held, Ms(held.median),
              Ms(held.max));
  std::string phases;
  for (int phase : figures.boxPhases) phases += (phases.empty() ? " (hold began " : ", ") + std::to_string(phase) + " ms";
  if (!phases.empty()) phases += " after the wait box showed)";
  std::printf("| Held write: runs where a tick fell inside the hold and showed its box | %zu of %d%s | none from a "
              "change-prompted read |\n",
              figures.boxPhases.size(), options.held, phases.c_str());
  const struct {
    std::string what;
    double cpu;
    double own;
  } costs[] = {{"quiet folder", figures.waitCpuQuiet, figures.ownCpuQuiet},
               {"busy folder (another file of it written " + std::to_string(figures.busyWrites) + " times)",
                figures.waitCpuBusy, figures.ownCpuBusy}};
  for (const auto& cost : costs) {
    const std::string& what = cost.what;
    if (cost.cpu >= 0) {
      std::printf("| Waiting cost, %s: CPU time (user + kernel, GetProcessTimes) in %d s of waiting | %.1f ms (the "
                  "bench driver's own in the same time: %.1f ms) | under 20 ms |\n",
                  what.c_str(), options.waitSeconds, Ms(cost.cpu), Ms(cost.own));
    } else {
      std::printf("| Waiting cost, %s: CPU time in %d s of waiting | unknown (GetProcessTimes failed) | under 20 ms |\n",
                  what.c_str(), options.waitSeconds);
    }
  }
  std::printf("| Peak working set, paperchk (median) | %.0f KiB | |\n", memoryPaperchk.median / 1024);
  std::printf("| Peak working set, baseline (median) | %.0f KiB | |\n", memoryBaseline.median / 1024);
  if (memoryBaseline.median > 0) {
    std::printf("| Peak working set, ratio | %.3f | at most 1.2 |\n", memoryPaperchk.median / memoryBaseline.median);
  }
  return 0;
}
