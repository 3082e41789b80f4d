#include "help/help_engine_win32.h"

#include <windows.h>

namespace paperchk::win {

TextBuffer WinHelpEngine::WindowsDirectory() {
  // Fetched whole, whatever its length, so that composing the path sees a
  // directory over the limit and refuses it instead of using a cut one.
  const UINT size = GetWindowsDirectoryA(nullptr, 0);  // the NUL included
  TextBuffer directory;
  if (size == 0 || size > TextBuffer::kMaxLength) return directory;
  const UINT length = GetWindowsDirectoryA(directory.Resize(size - 1), size);
  directory.Truncate(length < size ? length : 0);
  return directory;
}

void WinHelpEngine::ShowContext(const char* path, std::uint32_t context) {
  WinHelpA(nullptr, path, HELP_CONTEXT, context);
}

void WinHelpEngine::Quit(const char* path) { WinHelpA(nullptr, path, HELP_QUIT, 0); }

}  // namespace paperchk::win
