#include "observed_process.h"

#include <psapi.h>

#include <cstdio>
#include <vector>

namespace bench {

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<double>(value.QuadPart);
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency;
}

namespace {

struct WindowSearch {
  DWORD processId;
  bool titled;
  HWND except;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || window == search->except || !IsWindowVisible(window)) return TRUE;
  if (search->titled && GetWindowTextLengthW(window) == 0) return TRUE;
  search->found = window;
  return FALSE;
}

double FileTimeSeconds(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<double>(value.QuadPart) / 1e7;
}

}  // namespace

double OwnCpuSeconds() {
  FILETIME creation;
  FILETIME exit;
  FILETIME kernel;
  FILETIME user;
  if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return -1;
  return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

ObservedProcess::~ObservedProcess() {
  Terminate();
  if (process_ != nullptr) CloseHandle(process_);
  if (info_.hThread != nullptr) CloseHandle(info_.hThread);
}

bool ObservedProcess::Start(const std::wstring& commandLine) {
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  started_ = Now();
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_))
    return false;
  process_ = info_.hProcess;
  return true;
}

HWND ObservedProcess::WaitForVisibleWindow(double timeoutSeconds, bool titled, HWND except) const {
  const double deadline = Now() + timeoutSeconds;
  do {
    WindowSearch search{info_.dwProcessId, titled, except, nullptr};
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (!Running()) return nullptr;
    Sleep(1);
  } while (Now() < deadline);
  return nullptr;
}

bool ObservedProcess::WaitForExit(double timeoutSeconds) const {
  const double deadline = Now() + timeoutSeconds;
  while (Running()) {
    if (Now() >= deadline) return false;
    Sleep(1);
  }
  return true;
}

DWORD ObservedProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_, &code);
  return code;
}

double ObservedProcess::CpuSeconds() const {
  FILETIME creation;
  FILETIME exit;
  FILETIME kernel;
  FILETIME user;
  if (!GetProcessTimes(process_, &creation, &exit, &kernel, &user)) {
    (void)std::fprintf(stderr, "bench: GetProcessTimes failed (error %lu)\n", GetLastError());
    return -1;
  }
  return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

SIZE_T ObservedProcess::PeakWorkingSet() const {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process_, &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}

void ObservedProcess::Terminate() {
  if (process_ == nullptr || !Running()) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, 10000);
}

}  // namespace bench
