#include "startup/system_dlls_win32.h"

#include <windows.h>

namespace paperchk::win {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

}  // namespace

void UseSystemFolderDllsOnly() {
  // Looked up, not imported: an import would stop the program from starting
  // at all on a system without it. kernel32 is always loaded already.
  const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_default != nullptr) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace paperchk::win
