// Where the programs of the release take DLLs from: the system folder only.
// The import table's DLLs (and what the system loads for them) are covered by
// the image's load configuration (load_config_win32.c); everything loaded
// later by UseSystemFolderDllsOnly, which each program calls first thing.
#pragma once

namespace paperchk::win {

// Restricts the default DLL search to the system folder for every later load
// (LoadLibrary without a path, and what the system loads for the program).
// Windows before 8 without its update KB2533623 lacks the call; there the
// search stays as it was, and the load configuration is all there is.
void UseSystemFolderDllsOnly();

}  // namespace paperchk::win
