// Paths under Wine: its converters between Unix and Windows paths, the
// temporary folder, and the 8-bit form of a path for the client library.
#include "automation_internal.h"
#include "test_automation.h"

namespace paperchk_driver {

namespace {

// Wine's path converters (kernel32 exports them only under Wine).
using UnixToDos = WCHAR* (CDECL*)(const char*);
using DosToUnix = char* (CDECL*)(const WCHAR*);

UnixToDos WineUnixToDos() {
  return reinterpret_cast<UnixToDos>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
}

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

std::string AnsiPath(const std::wstring& path) { return Ansi(path); }

}  // namespace internal

std::string Ansi(const std::wstring& text) {
  if (text.empty()) return "";
  const int length =
      WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return "";
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                      nullptr);
  return result;
}

std::wstring FromAnsi(const std::string& text) {
  if (text.empty()) return L"";
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return L"";
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
  return result;
}

std::wstring ToWindowsPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  const UnixToDos convert = WineUnixToDos();
  if (!convert) return path;
  const std::string unixPath = Utf8(path);
  WCHAR* dosPath = convert(unixPath.c_str());
  if (!dosPath) return path;
  std::wstring result(dosPath);
  HeapFree(GetProcessHeap(), 0, dosPath);
  // Wine may answer with \\?\unix\... for places outside its drives.
  return result;
}

}  // namespace paperchk_driver
