// standin.exe: a stand-in for the printer driver, and the reference example
// of the client library (client/). Describes a sample mismatch as a
// paperchk_client::Request and lets the library's launcher start paperchk,
// wait for the user's decision and, after "Riprova", play the driver's part
// of the retry: re-read the printer (here: wait a while), write the
// completion flag and wait for paperchk's end. See tools/README.md.
//
// Two extras for tests and demos come from the desktop helpers
// (desktop/desktop.h), not from the library: pressing a button itself
// (--press) and passing a raw command line that the library would refuse
// (-- TAIL).
//
// With --ipp the report comes from an IPP printer (client/paperchk_ipp.h):
// what it has loaded against --asked, and after "Riprova" the printer is
// read again until it agrees or --complete-after has passed.

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "client/paperchk_client.hpp"
#include "client/paperchk_ipp.h"
#include "resources/resource_ids.h"
#include "sample_requests.h"
#include "desktop.h"
#include "startup/system_dlls_win32.h"

namespace client = paperchk_client;
namespace drv = paperchk_driver;

namespace {

constexpr std::uint32_t kEndTimeoutMs = 10000;  // paperchk ends about a second after the flag
constexpr DWORD kDialogTimeoutMs = 30000;

struct Options {
  std::wstring paperchk;
  std::wstring exchange;
  bool create = false;
  DWORD completeAfterMs = 2000;
  int items = 0;  // 0: as the sample has them
  std::wstring report = L"three-item";
  std::wstring press;           // press this button ourselves (unattended runs)
  DWORD decisionTimeoutMs = 0;  // 0: wait as long as the user takes
  DWORD holdMs = 0;             // write the flag first under a hold without sharing, kept this long
  std::optional<std::wstring> rawTail;  // everything after " -- ", verbatim
  std::string ippUri;                   // the report from this printer
  std::string askedSize, askedType, askedSource;  // --asked SIZE,TYPE,SOURCE
};

constexpr DWORD kRereadPauseMs = 500;  // between reads of a printer that does not agree yet

// Console output: a failed write leaves nothing to do but go on.
void PrintLine(const std::wstring& text) {
  (void)std::fputs(drv::Utf8(text).c_str(), stdout);
  (void)std::fputc('\n', stdout);
  (void)std::fflush(stdout);
}

void PrintUsage() {
  std::wstring samples;
  for (const std::string& name : SampleRequestNames()) samples += L" " + drv::Widen(name);
  PrintLine(
      L"usage: standin.exe [--paperchk PATH] [--exchange PATH] [--create] [--complete-after MS]\n"
      L"                   [--items N] [--report NAME] [--press Riprova|Ignora|Annulla]\n"
      L"                   [--timeout MS] [--hold-while-writing MS] [-- ITEM-WORD FIELDS...]\n"
      L"                   [--ipp URI --asked SIZE,TYPE,SOURCE]\n"
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
    } else if (argument == L"--hold-while-writing" && hasValue) {
      ok = ParseNumber(arguments[++i], options.holdMs);
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
    } else if (argument == L"--ipp" && hasValue) {
      options.ippUri = drv::Utf8(arguments[++i]);
    } else if (argument == L"--asked" && hasValue) {
      const std::string asked = drv::Utf8(arguments[++i]);
      const std::size_t first = asked.find(',');
      const std::size_t second = first == std::string::npos ? first : asked.find(',', first + 1);
      ok = second != std::string::npos;
      if (ok) {
        options.askedSize = asked.substr(0, first);
        options.askedType = asked.substr(first + 1, second - first - 1);
        options.askedSource = asked.substr(second + 1);
      }
    } else {
      ok = false;
    }
  }
  LocalFree(arguments);
  return ok && options.ippUri.empty() == options.askedSource.empty();
}

int ButtonOf(const std::wstring& name) {
  if (_wcsicmp(name.c_str(), L"Riprova") == 0) return 1000;
  if (_wcsicmp(name.c_str(), L"Ignora") == 0) return 1009;
  if (_wcsicmp(name.c_str(), L"Annulla") == 0) return 1002;
  return 0;
}

void PrintRows(HWND dialog) {
  const int lists[] = {IDC_SETTING_LIST, IDC_APPLICATION_LIST, IDC_PRINTER_LIST};
  for (int list : lists) {
    std::wstring line = L"dialog rows:";
    for (const std::wstring& row : drv::ListRows(dialog, list)) line += L" [" + row + L"]";
    PrintLine(line);
  }
}

// Unattended runs: once paperchk's dialog is shown, (show its rows and) press the button.
bool PressWhenShown(std::uint32_t processId, int button, bool printRows) {
  HWND dialog = nullptr;
  drv::WaitUntil(
      [&] {
        for (HWND window : drv::TopLevelWindows(processId, drv::kDialogClass, true)) {
          if (drv::WindowText(window).rfind(L"Verifica carta", 0) == 0) dialog = window;
        }
        return dialog != nullptr;
      },
      kDialogTimeoutMs);
  if (dialog != nullptr && printRows) PrintRows(dialog);
  return dialog != nullptr && drv::ClickButton(dialog, button);
}

std::wstring FromUtf8(const char* text) { return drv::Widen(text); }

// The report from the printer: nullopt (with the reason printed) when there
// is nothing to launch, because the printer agrees or could not be read.
std::optional<client::Request> RequestFromPrinter(const Options& options, const paperchk_ipp_asked& asked, int& status) {
  paperchk_request read{};
  paperchk_ipp_printer printer{};
  paperchk_ipp_outcome outcome{};
  const int result = paperchk_ipp_read(options.ippUri.c_str(), &asked, 0, &read, &printer, &outcome);
  PrintLine(L"printer " + drv::Widen(options.ippUri) + L": '" + FromUtf8(printer.name) + L"', " +
            std::to_wstring(printer.loaded_count) + L" source(s) loaded");
  for (std::size_t i = 0; i < printer.loaded_count; ++i) {
    const paperchk_ipp_media& media = printer.loaded[i];
    PrintLine(L"  " + FromUtf8(media.source) + L": " + FromUtf8(media.size_name) + L" " + FromUtf8(media.type));
  }
  PrintLine(L"report: " + FromUtf8(outcome.message));
  if (outcome.unknown[0] != '\0') PrintLine(L"not in the table (shown as Altro): " + FromUtf8(outcome.unknown));
  if (result != PAPERCHK_IPP_DIFFERS) {
    if (result != PAPERCHK_IPP_AGREE) PrintLine(L"standin: no report from the printer, so nothing is launched");
    status = result == PAPERCHK_IPP_AGREE ? 0 : 1;
    return std::nullopt;
  }
  client::Request request;
  // The printer's own name is UTF-8 and may hold a backslash: taken only
  // when it is plain ASCII without one (a driver passes the spooler's name).
  request.printerName = "IPP printer";
  if (printer.name[0] != '\0' &&
      std::all_of(printer.name, printer.name + std::strlen(printer.name),
                  [](char c) { return c >= ' ' && c < 0x7F && c != '\\'; })) {
    request.printerName = printer.name;
  }
  request.port = options.ippUri;
  for (std::size_t i = 0; i < read.item_count; ++i) {
    request.items.push_back({read.items[i].setting_name, read.items[i].application_value, read.items[i].printer_value});
  }
  request.paperSource = read.paper_source;
  request.secondTrayShown = read.second_tray_shown != 0;
  request.otherTraySize = read.other_tray_size;
  request.otherTrayMedia = read.other_tray_media;
  return request;
}

std::wstring WhyNoDecision(const client::LaunchResult& result) {
  switch (result.ending) {
    case client::LaunchEnding::Decided:
    case client::LaunchEnding::NotLaunched: return L"";
    case client::LaunchEnding::RequestRefused: return L"not started: " + drv::Widen(client::Describe(result.error));
    case client::LaunchEnding::StartFailed:
      return L"paperchk could not be started, error " + std::to_wstring(result.systemError);
    case client::LaunchEnding::FileFailed:
      return L"the exchange file could not be prepared or read: " + drv::Widen(client::Describe(result.error));
    case client::LaunchEnding::ProcessGone:
    case client::LaunchEnding::TimedOut: return drv::Widen(client::Describe(result.error));
    case client::LaunchEnding::NoUserSession:
    case client::LaunchEnding::ExchangePathInUse: return L"not started: " + drv::Widen(client::Describe(result.error));
  }
  return L"";
}

// paperchk.exe beside the stand-in (a build), else where the release puts
// the program of the stand-in's own width: tools\x64\standin.exe runs
// bin\x64\paperchk.exe.
std::wstring DefaultPaperchk() {
  const std::wstring here = drv::DirectoryOfThisProgram();
  std::wstring beside = here + L"\\paperchk.exe";
  if (drv::FileExists(beside)) return beside;
  const std::wstring inRelease = here + L"\\..\\..\\bin\\" + (sizeof(void*) == 8 ? L"x64" : L"x86") + L"\\paperchk.exe";
  wchar_t full[MAX_PATH];
  const DWORD got = GetFullPathNameW(inRelease.c_str(), MAX_PATH, full, nullptr);
  return got != 0 && got < MAX_PATH ? full : inRelease;
}

int Run(const Options& options) {
  const std::wstring paperchk = options.paperchk.empty() ? DefaultPaperchk() : drv::ToWindowsPath(options.paperchk);
  if (!drv::FileExists(paperchk)) {
    PrintLine(L"standin: paperchk not found: " + paperchk);
    return 2;
  }
  const std::string program = client::ShortProgramPath(drv::Ansi(paperchk));

  std::optional<client::Request> request;
  std::wstring exchange;
  std::string rawCommandLine;
  bool madeExchange = false;
  const paperchk_ipp_asked asked{options.askedSize.c_str(), options.askedType.c_str(), options.askedSource.c_str()};
  if (!options.ippUri.empty()) {
    int status = 0;
    request = RequestFromPrinter(options, asked, status);
    if (!request) return status;
  }
  if (options.rawTail) {
    exchange = drv::ExchangePathOfTail(*options.rawTail);
    if (exchange.empty()) exchange = drv::ToWindowsPath(options.exchange);
    rawCommandLine = program + " " + drv::Ansi(*options.rawTail);
  } else {
    if (options.ippUri.empty()) request = SampleRequest(drv::Utf8(options.report));
    if (!request) {
      PrintLine(L"standin: unknown report '" + options.report + L"'");
      PrintUsage();
      return 2;
    }
    if (options.items > 0) request->items.resize(static_cast<std::size_t>(options.items));
    if (options.exchange.empty()) {
      // A file of this run's own: a fixed default would be another run's too.
      char made[MAX_PATH];
      paperchk_error error{};
      if (paperchk_make_exchange_path(made, sizeof made, &error) != PAPERCHK_OK) {
        PrintLine(L"standin: no exchange file: " + drv::FromAnsi(error.message));
        return 2;
      }
      exchange = drv::FromAnsi(made);
      madeExchange = true;
    } else {
      exchange = drv::ToWindowsPath(options.exchange);
    }
    request->exchangePath = drv::Ansi(exchange);
  }
  if (exchange.empty()) {
    PrintLine(L"standin: the command line names no exchange file");
    return 2;
  }

  client::LaunchOptions launch;
  // Either start from {0, 0} or let paperchk create the file: an old
  // decision must not be taken for the user's.
  launch.preparation = options.create ? client::Preparation::CreateEmpty : client::Preparation::RemoveOld;
  // A file named with --exchange stays for whoever runs standin (the demo
  // reads it); one standin made goes at the end.
  launch.keepExchangeFile = !madeExchange;
  launch.decisionTimeoutMs = options.decisionTimeoutMs;
  launch.endTimeoutMs = kEndTimeoutMs;
  bool pressed = true;
  const int button = ButtonOf(options.press);
  if (!options.press.empty()) {
    launch.started = [&](std::uint32_t processId) {
      pressed = button != 0 && PressWhenShown(processId, button, !options.ippUri.empty());
    };
  }
  double flagWrittenAt = 0;
  paperchk_ipp_reread reread{};
  reread.uri = options.ippUri.c_str();
  reread.asked = asked;
  launch.rereadPrinter = [&] {
    PrintLine(L"decision: 1 Riprova");
    if (!options.ippUri.empty()) {
      // The user may still be loading paper: ask again until the printer
      // agrees or the time is up.
      const double until = drv::NowMs() + options.completeAfterMs;
      PrintLine(L"re-reading the printer for at most " + std::to_wstring(options.completeAfterMs) + L" ms");
      bool agrees = paperchk_ipp_reread_printer(&reread) != 0;
      while (!agrees && drv::NowMs() < until) {
        Sleep(kRereadPauseMs);
        agrees = paperchk_ipp_reread_printer(&reread) != 0;
      }
      PrintLine(std::wstring(agrees ? L"re-read: the printer now agrees" : L"re-read: the printer does not agree") +
                L" (" + std::to_wstring(reread.reads) + L" read(s)): " + FromUtf8(reread.outcome.message));
      flagWrittenAt = drv::NowMs();
      return agrees;
    }
    PrintLine(L"re-reading the printer for " + std::to_wstring(options.completeAfterMs) + L" ms");
    Sleep(options.completeAfterMs);
    if (options.holdMs > 0) {
      // A driver that keeps others out while it writes: the flag goes in
      // through the hold; the time counts from the release.
      drv::ExclusiveHold hold(exchange);
      if (!hold.WriteCompletionFlag(1)) PrintLine(L"standin: could not write the flag under the hold");
      PrintLine(L"flag written under a hold without sharing, kept " + std::to_wstring(options.holdMs) + L" ms");
      Sleep(options.holdMs);
    }
    flagWrittenAt = drv::NowMs();  // the launcher writes the flag right after
    return true;
  };

  client::LaunchResult result;
  if (request) {
    std::string commandLine;
    if (client::BuildCommandLine(program, *request, commandLine).ok()) PrintLine(L"command line: " + drv::FromAnsi(commandLine));
    result = client::Launch(program, *request, launch);
  } else {
    PrintLine(L"command line: " + drv::FromAnsi(rawCommandLine));
    result = client::LaunchCommandLine(program, rawCommandLine, drv::Ansi(exchange), launch);
  }
  const double endedAt = drv::NowMs();

  if (!pressed) {
    PrintLine(L"standin: could not press '" + options.press + L"'");
    return 1;
  }
  if (result.ending != client::LaunchEnding::Decided) {
    PrintLine(L"decision: none (" + WhyNoDecision(result) + L")");
    return 1;
  }
  if (result.decision != client::kRetry) {
    PrintLine(L"decision: " + std::to_wstring(result.decision) + L" " + drv::DecisionName(result.decision));
  }
  if (!options.press.empty() && _wcsicmp(options.press.c_str(), drv::DecisionName(result.decision)) != 0) {
    PrintLine(L"standin: pressed '" + options.press + L"' but the decision is another");
    return 1;
  }
  if (result.decision == client::kRetry) {
    if (!result.completionFlagWritten) {
      PrintLine(L"standin: cannot write the completion flag");
      return 1;
    }
    PrintLine(L"completion flag written");
    if (!options.ippUri.empty() && !result.rereadSucceeded) {
      PrintLine(L"standin: the printer still differs from what the job asks");
      return 1;
    }
  }
  if (result.terminated) {
    PrintLine(L"standin: paperchk did not end after the decision; ended it");
    return 1;
  }
  if (result.decision == client::kRetry) {
    wchar_t line[128];
    // swprintf reports a text that does not fit, and the buffer is then no text.
    if (std::swprintf(line, 128, L"paperchk ended %.0f ms after the completion flag, exit status %lu",
                      endedAt - flagWrittenAt, static_cast<unsigned long>(result.exitStatus)) > 0) {
      PrintLine(line);
    }
  } else {
    PrintLine(L"paperchk ended, exit status " + std::to_wstring(result.exitStatus));
  }
  return result.exitStatusKnown && result.exitStatus == 0 ? 0 : 1;
}

}  // namespace

int main() {
  paperchk::win::UseSystemFolderDllsOnly();
  Options options;
  if (!ParseOptions(options)) {
    PrintUsage();
    return 2;
  }
  return Run(options);
}
