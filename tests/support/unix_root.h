// Under Wine, another drive letter for a folder: the one that reaches the
// Unix root (Z:), through the path Wine gives the file. Empty on Windows.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

namespace paperchk::fakes {

inline std::string ThroughUnixRoot(const std::string& windowsPath) {
  using UnixFileName = char* (*)(const wchar_t*);
  const FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
  wchar_t wide[MAX_PATH];
  if (found == nullptr || MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH) == 0) return "";
  const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(found));
  char* name = unixFileName(wide);
  if (name == nullptr) return "";
  std::string spelled = std::string("Z:") + name;
  HeapFree(GetProcessHeap(), 0, name);
  std::replace(spelled.begin(), spelled.end(), '/', '\\');
  return spelled;
}

}  // namespace paperchk::fakes
