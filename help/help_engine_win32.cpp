#include "help/help_engine_win32.h"

#include <windows.h>

namespace paperchk::win {

std::string WinHelpEngine::WindowsDirectory() {
  // Fetched whole, whatever its length, so that composing the path sees a
  // directory over the limit and refuses it instead of using a cut one.
  const UINT size = GetWindowsDirectoryA(nullptr, 0);
  std::string directory(size, '\0');
  const UINT length = GetWindowsDirectoryA(directory.data(), size);
  directory.resize(length < size ? length : 0);
  return directory;
}

void WinHelpEngine::ShowContext(const char* path, std::uint32_t context) {
  WinHelpA(nullptr, path, HELP_CONTEXT, context);
}

void WinHelpEngine::Quit(const char* path) { WinHelpA(nullptr, path, HELP_QUIT, 0); }

}  // namespace paperchk::win
