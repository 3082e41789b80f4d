#include "help/help_file.h"

#include <cstring>

namespace paperchk {

const char kHelpFolder[] = "\\System32\\spool\\drivers\\w32x86\\2\\";
const char kHelpFileName[] = "PCHKHELP.HLP";

bool ComposeHelpPath(const char* windowsDirectory, const char* fileName,
                     char (&path)[kHelpPathSize]) {
  std::memset(path, 0, sizeof path);
  const char* const parts[] = {windowsDirectory != nullptr ? windowsDirectory : "", kHelpFolder,
                               fileName != nullptr ? fileName : ""};

  std::size_t total = 0;
  for (const char* part : parts) total += std::strlen(part);
  // The path and its NUL must fit the buffer; a longer one is refused whole.
  if (total >= kHelpPathSize) return false;

  std::size_t used = 0;
  for (const char* part : parts) {
    const std::size_t length = std::strlen(part);
    std::memcpy(path + used, part, length);
    used += length;
  }
  return true;
}

void HelpSession::Open() {
  char path[kHelpPathSize];
  if (!ComposeHelpPath(engine_.WindowsDirectory().c_str(), fileName_, path)) return;
  engine_.ShowContext(path, kHelpContext);
  // Set whatever the engine answered: it reports a missing file itself.
  helpOpened_ = 1;
}

void HelpSession::CloseIfOpened() {
  if (helpOpened_ == 0) return;
  char path[kHelpPathSize];
  if (!ComposeHelpPath(engine_.WindowsDirectory().c_str(), fileName_, path)) return;
  engine_.Quit(path);
}

}  // namespace paperchk
