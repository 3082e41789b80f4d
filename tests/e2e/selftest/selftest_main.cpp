// paperchk-selftest: the end-to-end cases run on the desktop of whoever
// starts it, against the release's own programs, with a report to paste
// into an issue. Needs nothing but the unpacked release.
//   paperchk-selftest [--paperchk PATH] [--only GROUP] [--junit FILE] [--chm FILE]
// Exit status 0: none failed; 1: some failed; 2: it cannot run here.
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/paperchk_client.h"
#include "e2e_groups.h"
#include "e2e_support.h"
#include "machine_facts.h"
#include "report.h"
#include "startup/system_dlls_win32.h"

namespace {

constexpr int kCannotRun = 2;

struct Options {
  std::wstring paperchk;
  std::string only;
  std::string junit;
  std::wstring chm;
};

int CannotRun(const std::string& why) {
  std::printf("cannot run: %s\n", why.c_str());
  return kCannotRun;
}

const char kUsage[] = "usage: paperchk-selftest [--paperchk PATH] [--only GROUP] [--junit FILE] [--chm FILE]";

// "--name VALUE" or "--name=VALUE".
bool TakeOptions(int argc, char** argv, Options& options, std::string& why) {
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    std::string value;
    const std::size_t equals = argument.find('=');
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
      argument.resize(equals);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      why = argument + " needs a value; " + kUsage;
      return false;
    }
    if (argument == "--paperchk") options.paperchk = drv::ToWindowsPath(drv::Widen(value));
    else if (argument == "--only") options.only = value;
    else if (argument == "--junit") options.junit = value;
    else if (argument == "--chm") options.chm = drv::ToWindowsPath(drv::Widen(value));
    else {
      why = "unknown option " + argument + "; " + kUsage;
      return false;
    }
  }
  return true;
}

// The machine a program file is built for, from its PE header.
std::string ProgramArchitecture(const std::wstring& path) {
  const std::optional<std::vector<std::uint8_t>> bytes = drv::ReadWholeFile(path);
  if (!bytes || bytes->size() < 0x40) return "unknown";
  std::uint32_t header = 0;
  std::memcpy(&header, bytes->data() + 0x3C, 4);
  if (header > bytes->size() - 6) return "unknown";
  std::uint16_t machine = 0;
  std::memcpy(&machine, bytes->data() + header + 4, 2);
  return machine == IMAGE_FILE_MACHINE_I386 ? "x86" : machine == IMAGE_FILE_MACHINE_AMD64 ? "x64" : "unknown";
}

struct Program {
  std::string architecture;
  std::wstring path;
};

// By default the release's programs: tools/<arch>/ holds this kit and
// bin/<arch>/ the programs; the x64 kit tests the product (x86, under
// WOW64) and x64.
std::vector<Program> ProgramsToTest(const Options& options) {
  if (!options.paperchk.empty()) return {{ProgramArchitecture(options.paperchk), options.paperchk}};
  const std::wstring kit = drv::DirectoryOfThisProgram();
  const std::wstring release = kit.substr(0, kit.find_last_of(L'\\', kit.find_last_of(L'\\') - 1));
  std::vector<Program> programs{{"x86", release + L"\\bin\\x86\\paperchk.exe"}};
  if (selftest::ProcessArchitecture() == "x64") programs.push_back({"x64", release + L"\\bin\\x64\\paperchk.exe"});
  return programs;
}

// Processes this kit started (and what they started) that still run.
std::vector<PROCESSENTRY32W> Descendants() {
  std::vector<PROCESSENTRY32W> all;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return all;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    all.push_back(entry);
  }
  CloseHandle(snapshot);
  std::vector<DWORD> family{GetCurrentProcessId()};
  std::vector<PROCESSENTRY32W> found;
  for (std::size_t i = 0; i < family.size(); ++i) {
    for (const PROCESSENTRY32W& process : all) {
      if (process.th32ParentProcessID == family[i] && process.th32ProcessID != family[i] &&
          std::find(family.begin(), family.end(), process.th32ProcessID) == family.end()) {
        family.push_back(process.th32ProcessID);
        found.push_back(process);
      }
    }
  }
  return found;
}

// The kit's own last check: nothing it started still runs (what does is
// ended and named), and its temporary folder is gone.
selftest::CheckResult NothingLeftBehind(const std::vector<DWORD>& runningBefore, const std::wstring& temporary) {
  selftest::CheckResult check;
  check.program = "kit";
  check.name = "Kit.LeavesNothingBehind";
  std::string left;
  for (const PROCESSENTRY32W& process : Descendants()) {
    if (std::find(runningBefore.begin(), runningBefore.end(), process.th32ProcessID) != runningBefore.end()) continue;
    drv::KillProcessId(process.th32ProcessID);
    left += (left.empty() ? "" : ", ") + drv::Utf8(process.szExeFile) + " (" + std::to_string(process.th32ProcessID) + ")";
  }
  if (!left.empty()) check.detail = "no process of the kit left running, came: " + left + " (ended now)";
  if (drv::FileExists(temporary)) {
    check.detail += std::string(check.detail.empty() ? "" : "; ") + "the temporary folder gone, came: " +
                    drv::Utf8(temporary) + " still there";
  }
  check.outcome = check.detail.empty() ? selftest::CheckResult::Passed : selftest::CheckResult::Failed;
  return check;
}

}  // namespace

int main(int argc, char** argv) {
  paperchk::win::UseSystemFolderDllsOnly();
  Options options;
  std::string why;
  if (!TakeOptions(argc, argv, options, why)) return CannotRun(why);

  std::printf("paperchk-selftest %s\n", paperchk_client_version());
  for (const std::string& fact : selftest::MachineFacts()) std::printf("%s\n", fact.c_str());

  const std::string filter = e2e::KitFilter(options.only);
  if (filter.empty()) {
    std::string names;
    for (const e2e::CaseGroup& group : e2e::CaseGroups()) names += std::string(" ") + group.name;
    return CannotRun("no group " + options.only + "; the groups are" + names);
  }
  const std::vector<Program> programs = ProgramsToTest(options);
  for (const Program& program : programs) {
    if (!drv::FileExists(program.path)) return CannotRun("the program is missing: " + drv::Utf8(program.path));
    std::printf("paperchk %s: %s\n", program.architecture.c_str(), drv::Utf8(program.path).c_str());
  }
  if (!options.chm.empty() && !drv::FileExists(options.chm)) {
    return CannotRun("the help file is missing: " + drv::Utf8(options.chm));
  }
  const std::string noDesktop = selftest::WhyNoDesktop();
  if (!noDesktop.empty()) return CannotRun(noDesktop);
  std::printf("checks: %s\nLeave the mouse and keyboard alone until the last line comes (about two minutes).\n\n",
              options.only.empty() ? "all" : options.only.c_str());
  std::fflush(stdout);

  const std::vector<DWORD> runningBefore = [] {
    std::vector<DWORD> ids;
    for (const PROCESSENTRY32W& process : Descendants()) ids.push_back(process.th32ProcessID);
    return ids;
  }();
  const DWORD started = GetTickCount();
  int exitStatus = 0;
  std::vector<selftest::CheckResult> results;
  {
    // Every file of the run, the programs' own included, in one folder of
    // the kit's own, removed at the end.
    auto scratch = std::make_unique<drv::ScratchDirectory>(L"paperchk-selftest");
    if (!scratch->ok()) return CannotRun("no temporary folder could be made");
    const std::wstring temporary = scratch->path();
    wchar_t savedTemp[MAX_PATH + 1] = {}, savedTmp[MAX_PATH + 1] = {};
    const DWORD tempLength = GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH + 1);
    const DWORD tmpLength = GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH + 1);
    SetEnvironmentVariableW(L"TEMP", temporary.c_str());
    SetEnvironmentVariableW(L"TMP", temporary.c_str());

    e2e::SetInput(drv::MakeSendInput());
    e2e::g_standinPath = drv::DirectoryOfThisProgram() + L"\\standin.exe";
    e2e::g_chmPath = options.chm;
    int gtestArgc = 1;
    char* gtestArgv[] = {argv[0], nullptr};
    ::testing::InitGoogleTest(&gtestArgc, gtestArgv);
    GTEST_FLAG_SET(filter, filter);
    GTEST_FLAG_SET(repeat, static_cast<int>(programs.size()));
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    auto* report = new selftest::ReportPrinter(
        [&] {
          std::vector<std::string> names;
          for (const Program& program : programs) names.push_back(program.architecture);
          return names;
        }(),
        [&](int iteration) { e2e::g_paperchkPath = programs[static_cast<std::size_t>(iteration)].path; });
    listeners.Append(report);  // owned by GoogleTest from here
    // Its status counts the cases only; the report's count includes the kit's own check.
    const int casesStatus = RUN_ALL_TESTS();
    (void)casesStatus;

    SetEnvironmentVariableW(L"TEMP", tempLength > 0 && tempLength <= MAX_PATH ? savedTemp : nullptr);
    SetEnvironmentVariableW(L"TMP", tmpLength > 0 && tmpLength <= MAX_PATH ? savedTmp : nullptr);
    scratch.reset();
    report->Add(NothingLeftBehind(runningBefore, temporary));
    results = report->results();
    const int failed = report->Count(selftest::CheckResult::Failed);
    std::printf("\ntook %lu s\n", static_cast<unsigned long>((GetTickCount() - started) / 1000));
    std::printf("%d passed, %d failed, %d skipped\n", report->Count(selftest::CheckResult::Passed), failed,
                report->Count(selftest::CheckResult::Skipped));
    exitStatus = failed == 0 ? 0 : 1;
  }
  if (!options.junit.empty() && !selftest::WriteJunit(options.junit, results)) {
    std::printf("the JUnit file could not be written: %s\n", options.junit.c_str());
    return exitStatus == 0 ? 1 : exitStatus;
  }
  return exitStatus;
}
