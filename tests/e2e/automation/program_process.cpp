#include "test_automation.h"

#include <tlhelp32.h>

#include <cwchar>

namespace paperchk_driver {

// ---------------------------------------------------------------------------
// Process

ProgramProcess::~ProgramProcess() {
  Kill();
  if (process_) CloseHandle(process_);
}

bool ProgramProcess::Start(const std::wstring& commandLine, std::wstring* error) {
  if (process_) {
    if (error) *error = L"already started";
    return false;
  }
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    if (error) *error = L"CreateProcessW failed, error " + std::to_wstring(GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  return true;
}

bool ProgramProcess::IsRunning() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ProgramProcess::WaitForExit(DWORD timeoutMs) const {
  return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

std::optional<DWORD> ProgramProcess::ExitCode() const {
  if (!process_ || IsRunning()) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
  return code;
}

void ProgramProcess::Kill() {
  if (IsRunning()) {
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, 5000);
  }
}

std::vector<DWORD> ProcessIdsByName(const wchar_t* exeName) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  if (Process32FirstW(snapshot, &entry)) {
    do {
      if (_wcsicmp(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
    } while (Process32NextW(snapshot, &entry));
  }
  CloseHandle(snapshot);
  return ids;
}

bool KillProcessId(DWORD processId, DWORD timeoutMs) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
  if (!process) return false;
  TerminateProcess(process, 0xDEAD);
  const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

// ---------------------------------------------------------------------------
// Waiting

HWND WaitForDialog(const ProgramProcess& process, DWORD timeoutMs, const std::function<bool(HWND)>& accept) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows(process.id(), kDialogClass, true)) {
          if (!accept || accept(window)) {
            found = window;
            return true;
          }
        }
        return !process.IsRunning();
      },
      timeoutMs);
  return found;
}


}  // namespace paperchk_driver
