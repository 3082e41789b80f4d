// Paths under Wine: its converter from Windows to Unix paths, and the
// temporary folder.
#include "automation_internal.h"
#include "test_automation.h"

namespace paperchk_driver {

namespace {

// Wine's path converters (kernel32 exports them only under Wine).
using DosToUnix = char* (CDECL*)(const WCHAR*);

DosToUnix WineDosToUnix() {
  return reinterpret_cast<DosToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

}  // namespace

namespace internal {

std::optional<std::string> UnixPathOf(const std::wstring& windowsPath) {
  const DosToUnix convert = WineDosToUnix();
  if (!convert) return std::nullopt;
  char* unixPath = convert(windowsPath.c_str());
  if (!unixPath) return std::nullopt;
  std::string result(unixPath);
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

std::wstring TempDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring path(buffer, length <= MAX_PATH ? length : 0);
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

}  // namespace internal


}  // namespace paperchk_driver
