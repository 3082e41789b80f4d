// A stand-in for the system's hhctrl.ocx, put into the end-to-end tests'
// Wine prefix (Wine's own shows nothing a test can check). It appends one
// line per event to the file named by PAPERCHK_HTML_HELP_LOG:
//   loaded <this module's path>
//   <command> <data> <file or -> <owner window>
// and gives no window back, as for a file that does not map the topic.

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void AppendLine(const char* line) {
  char logPath[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("PAPERCHK_HTML_HELP_LOG", logPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (log == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(log, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
  CloseHandle(log);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH] = {};
  if (GetModuleFileNameA(module, path, MAX_PATH) >= MAX_PATH) return TRUE;
  char line[MAX_PATH + 16];
  std::snprintf(line, sizeof line, "loaded %s\n", path);
  AppendLine(line);
  return TRUE;
}

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpA(HWND owner, LPCSTR file, UINT command, DWORD_PTR data) {
  char line[MAX_PATH + 64];
  std::snprintf(line, sizeof line, "%u %llu %s %llu\n", command, static_cast<unsigned long long>(data),
                file != nullptr ? file : "-", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)));
  AppendLine(line);
  return nullptr;
}
