/* A DLL a test plants beside a program, or in its current folder, under the
 * name of a system DLL. Loaded into a process, it appends one line to the
 * file PLANTED_DLL_LOG names: its own path and the program's. It exports
 * nothing, so a program that gets it instead of the system's DLL fails to
 * start; the line is written first. */
#include <windows.h>

static void append_line(const wchar_t* log_path, const wchar_t* line) {
  HANDLE log = CreateFileW(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
  if (log == INVALID_HANDLE_VALUE) return;
  char bytes[2 * MAX_PATH * 3 + 8];
  int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, (int)sizeof bytes, NULL, NULL);
  if (length > 1) {
    DWORD written = 0;
    bytes[length - 1] = '\n';
    WriteFile(log, bytes, (DWORD)length, &written, NULL);
  }
  CloseHandle(log);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t log_path[MAX_PATH];
  DWORD got = GetEnvironmentVariableW(L"PLANTED_DLL_LOG", log_path, MAX_PATH);
  if (got == 0 || got >= MAX_PATH) return TRUE;
  wchar_t line[2 * MAX_PATH + 8];
  DWORD own = GetModuleFileNameW(instance, line, MAX_PATH);
  if (own == 0 || own >= MAX_PATH) return TRUE;
  line[own] = L' ';
  line[own + 1] = L'<';
  line[own + 2] = L' ';
  DWORD program = GetModuleFileNameW(NULL, line + own + 3, MAX_PATH);
  if (program == 0 || program >= MAX_PATH) return TRUE;
  append_line(log_path, line);
  return TRUE;
}
