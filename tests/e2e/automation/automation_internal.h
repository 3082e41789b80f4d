// Pieces the automation's files share; not for the tests themselves.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace paperchk_driver::internal {

// The temporary folder, without a trailing separator.
std::wstring TempDirectory();
// Windows path -> Unix path under Wine; nothing elsewhere.
std::optional<std::string> UnixPathOf(const std::wstring& windowsPath);

}  // namespace paperchk_driver::internal
