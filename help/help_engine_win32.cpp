#include "help/help_engine_win32.h"

#include <windows.h>

namespace paperchk::win {

std::string WinHelpEngine::WindowsDirectory() {
  char directory[kHelpPathSize] = {};
  const UINT length = GetWindowsDirectoryA(directory, kWindowsDirectoryLimit);
  if (length < kWindowsDirectoryLimit) return std::string(directory, length);
  // Longer than the limit: fetch it whole, so that composing the path sees
  // its real length and refuses it.
  std::string whole(length, '\0');
  const UINT copied = GetWindowsDirectoryA(whole.data(), length);
  whole.resize(copied < length ? copied : 0);
  return whole;
}

void WinHelpEngine::ShowContext(const char* path, std::uint32_t context) {
  WinHelpA(nullptr, path, HELP_CONTEXT, context);
}

void WinHelpEngine::Quit(const char* path) { WinHelpA(nullptr, path, HELP_QUIT, 0); }

}  // namespace paperchk::win
