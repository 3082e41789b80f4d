// standin.exe: a stand-in for the printer driver. Builds a sample mismatch
// report, starts paperchk with it, waits for the user's decision in the
// exchange file and, after "Riprova", plays the driver's part of the retry:
// waits a while (re-reading the printer), writes the completion flag and
// measures how long paperchk takes to end. See tools/README.md.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "driver_lib.h"

namespace drv = paperchk_driver;

namespace {

constexpr DWORD kEndAfterDecisionMs = 10000;  // paperchk ends right after 2 and 3
constexpr DWORD kEndAfterFlagMs = 10000;      // about a second is expected

struct Options {
  std::wstring paperchk;
  std::wstring exchange;
  bool create = false;
  DWORD completeAfterMs = 2000;
  int items = 0;  // 0: as the sample has them
  std::wstring report = L"three-item";
  std::wstring press;           // press this button ourselves (unattended runs)
  DWORD decisionTimeoutMs = INFINITE;
  std::optional<std::wstring> rawTail;  // everything after " -- ", verbatim
};

// Console output: a failed write leaves nothing to do but go on.
void PrintLine(const std::wstring& text) {
  (void)std::fputs(drv::Utf8(text).c_str(), stdout);
  (void)std::fputc('\n', stdout);
  (void)std::fflush(stdout);
}

void PrintUsage() {
  std::wstring samples;
  for (const std::wstring& name : drv::SampleNames()) samples += L" " + name;
  PrintLine(
      L"usage: standin.exe [--paperchk PATH] [--exchange PATH] [--create] [--complete-after MS]\n"
      L"                   [--items N] [--report NAME] [--press Riprova|Ignora|Annulla]\n"
      L"                   [--timeout MS] [-- ITEM-WORD FIELDS...]\n"
      L"reports:" + samples);
}

bool ParseNumber(const wchar_t* text, DWORD& value) {
  wchar_t* end = nullptr;
  const unsigned long number = std::wcstoul(text, &end, 10);
  if (!end || end == text || *end != L'\0') return false;
  value = static_cast<DWORD>(number);
  return true;
}

// The raw tail is taken from the command line as typed, so that quotes and
// backslashes reach paperchk unchanged.
std::optional<std::wstring> RawTailOf(const wchar_t* commandLine) {
  const wchar_t* separator = std::wcsstr(commandLine, L" -- ");
  if (!separator) return std::nullopt;
  return std::wstring(separator + 4);
}

bool ParseOptions(Options& options) {
  int count = 0;
  const wchar_t* commandLine = GetCommandLineW();
  LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
  if (!arguments) return false;
  bool ok = true;
  for (int i = 1; i < count && ok; ++i) {
    const std::wstring argument = arguments[i];
    const bool hasValue = i + 1 < count;
    if (argument == L"--") {
      options.rawTail = RawTailOf(commandLine);
      ok = options.rawTail.has_value();
      break;
    }
    if (argument == L"--create") {
      options.create = true;
    } else if (argument == L"--paperchk" && hasValue) {
      options.paperchk = arguments[++i];
    } else if (argument == L"--exchange" && hasValue) {
      options.exchange = arguments[++i];
    } else if (argument == L"--complete-after" && hasValue) {
      ok = ParseNumber(arguments[++i], options.completeAfterMs);
    } else if (argument == L"--timeout" && hasValue) {
      ok = ParseNumber(arguments[++i], options.decisionTimeoutMs);
    } else if (argument == L"--items" && hasValue) {
      DWORD items = 0;
      ok = ParseNumber(arguments[++i], items) && items >= 1 && items <= 3;
      options.items = static_cast<int>(items);
    } else if (argument == L"--report" && hasValue) {
      options.report = arguments[++i];
    } else if (argument == L"--press" && hasValue) {
      options.press = arguments[++i];
    } else {
      ok = false;
    }
  }
  LocalFree(arguments);
  return ok;
}

int ButtonOf(const std::wstring& name) {
  if (_wcsicmp(name.c_str(), L"Riprova") == 0) return 1000;
  if (_wcsicmp(name.c_str(), L"Ignora") == 0) return 1009;
  if (_wcsicmp(name.c_str(), L"Annulla") == 0) return 1002;
  return 0;
}

// Waits until paperchk has written a decision, or has ended without one.
std::optional<drv::ExchangeRecord> WaitForDecision(const drv::ProgramProcess& program, const std::wstring& exchange,
                                                   DWORD timeoutMs) {
  std::optional<drv::ExchangeRecord> record;
  const double deadline = timeoutMs == INFINITE ? 0 : drv::NowMs() + timeoutMs;
  for (;;) {
    const bool running = program.IsRunning();
    record = drv::ReadExchangeRecord(exchange);
    if (record && record->decision != 0) return record;
    if (!running) return std::nullopt;
    if (deadline != 0 && drv::NowMs() >= deadline) return std::nullopt;
    Sleep(50);
  }
}

int Run(const Options& options) {
  const std::wstring paperchk =
      options.paperchk.empty() ? drv::DirectoryOfThisProgram() + L"\\paperchk.exe" : drv::ToWindowsPath(options.paperchk);
  if (!drv::FileExists(paperchk)) {
    PrintLine(L"standin: paperchk not found: " + paperchk);
    return 2;
  }

  std::wstring exchange;
  std::wstring tail;
  if (options.rawTail) {
    tail = *options.rawTail;
    exchange = drv::ExchangePathOfTail(tail);
    if (exchange.empty() && !options.exchange.empty()) exchange = options.exchange;
  } else {
    std::optional<drv::SampleReport> report = drv::NamedSample(options.report);
    if (!report) {
      PrintLine(L"standin: unknown report '" + options.report + L"'");
      PrintUsage();
      return 2;
    }
    if (options.items > 0) report->items.resize(static_cast<std::size_t>(options.items));
    exchange = options.exchange.empty() ? drv::DirectoryOfThisProgram() + L"\\standin-exchange.bin"
                                        : drv::ToWindowsPath(options.exchange);
    tail = drv::CommandLineTail(*report, exchange);
  }
  if (exchange.empty()) {
    PrintLine(L"standin: the command line names no exchange file");
    return 2;
  }

  // A stale decision must not be taken for the user's: either start from
  // {0, 0} or let paperchk create the file.
  if (options.create) {
    if (!drv::CreateExchangeFile(exchange)) {
      PrintLine(L"standin: cannot create " + exchange);
      return 2;
    }
  } else if (drv::FileExists(exchange) && !DeleteFileW(exchange.c_str())) {
    PrintLine(L"standin: cannot remove the old " + exchange);
    return 2;
  }

  const std::wstring commandLine = drv::BuildCommandLine(paperchk, tail);
  PrintLine(L"command line: " + commandLine);
  drv::ProgramProcess program;
  std::wstring error;
  if (!program.Start(commandLine, &error)) {
    PrintLine(L"standin: " + error);
    return 2;
  }

  if (!options.press.empty()) {
    const int button = ButtonOf(options.press);
    HWND dialog = drv::WaitForDialog(program, 30000, [](HWND window) {
      return drv::WindowText(window).rfind(L"Verifica carta", 0) == 0;
    });
    if (!button || !dialog || !drv::ClickButton(dialog, button)) {
      PrintLine(L"standin: could not press '" + options.press + L"'");
      return 1;
    }
  }

  const std::optional<drv::ExchangeRecord> record = WaitForDecision(program, exchange, options.decisionTimeoutMs);
  if (!record) {
    const std::optional<DWORD> status = program.ExitCode();
    PrintLine(status ? L"decision: none (paperchk ended with status " + std::to_wstring(*status) + L")"
                     : std::wstring(L"decision: none (gave up waiting)"));
    return 1;
  }
  PrintLine(L"decision: " + std::to_wstring(record->decision) + L" " + drv::DecisionName(record->decision));
  if (!options.press.empty() && _wcsicmp(options.press.c_str(), drv::DecisionName(record->decision)) != 0) {
    PrintLine(L"standin: pressed '" + options.press + L"' but the decision is another");
    program.Kill();
    return 1;
  }

  if (record->decision != drv::kRetry) {
    if (!program.WaitForExit(kEndAfterDecisionMs)) {
      PrintLine(L"standin: paperchk did not end after the decision");
      return 1;
    }
    PrintLine(L"paperchk ended, exit status " + std::to_wstring(*program.ExitCode()));
    return *program.ExitCode() == 0 ? 0 : 1;
  }

  // Retry: the driver reads the printer again, then marks the record done.
  PrintLine(L"re-reading the printer for " + std::to_wstring(options.completeAfterMs) + L" ms");
  Sleep(options.completeAfterMs);
  if (!program.IsRunning()) {
    PrintLine(L"standin: paperchk ended before the completion flag, exit status " +
              std::to_wstring(*program.ExitCode()));
    return 1;
  }
  if (!drv::WriteCompletionFlag(exchange, 1)) {
    PrintLine(L"standin: cannot write the completion flag");
    return 1;
  }
  const double flagWritten = drv::NowMs();
  PrintLine(L"completion flag written");
  if (!program.WaitForExit(kEndAfterFlagMs)) {
    PrintLine(L"standin: paperchk did not end after the completion flag");
    return 1;
  }
  const double elapsed = drv::NowMs() - flagWritten;
  wchar_t line[128];
  // swprintf reports a text that does not fit, and the buffer is then no text.
  if (std::swprintf(line, 128, L"paperchk ended %.0f ms after the completion flag, exit status %lu", elapsed,
                    static_cast<unsigned long>(*program.ExitCode())) > 0) {
    PrintLine(line);
  }
  return *program.ExitCode() == 0 ? 0 : 1;
}

}  // namespace

int main() {
  Options options;
  if (!ParseOptions(options)) {
    PrintUsage();
    return 2;
  }
  return Run(options);
}
