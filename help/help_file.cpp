#include "help/help_file.h"

#include <cstring>

namespace paperchk {

const char kHelpFolder[] = "\\System32\\spool\\drivers\\w32x86\\2\\";
const char kHelpFileName[] = "PCHKHELP.HLP";
const char kHtmlHelpFileName[] = "PCHKHELP.CHM";

namespace {

struct PathPart {
  const char* text;
  std::size_t length;
};

// Joins the parts; a path that with its NUL does not fit is refused whole.
bool JoinPath(const PathPart (&parts)[3], char (&path)[kHelpPathSize]) {
  std::memset(path, 0, sizeof path);
  std::size_t total = 0;
  for (const PathPart& part : parts) total += part.length;
  if (total >= kHelpPathSize) return false;

  std::size_t used = 0;
  for (const PathPart& part : parts) {
    std::memcpy(path + used, part.text, part.length);
    used += part.length;
  }
  return true;
}

PathPart Whole(const char* text) {
  const char* const safe = text != nullptr ? text : "";
  return PathPart{safe, std::strlen(safe)};
}

}  // namespace

bool ComposeHelpPath(const char* windowsDirectory, const char* fileName,
                     char (&path)[kHelpPathSize]) {
  return JoinPath({Whole(windowsDirectory), Whole(kHelpFolder), Whole(fileName)}, path);
}

bool ComposeBesideProgramPath(const char* programPath, const char* fileName,
                              char (&path)[kHelpPathSize]) {
  const PathPart program = Whole(programPath);
  const char* const lastSeparator = std::strrchr(program.text, '\\');
  if (lastSeparator == nullptr) {
    std::memset(path, 0, sizeof path);
    return false;
  }
  const auto folderLength = static_cast<std::size_t>(lastSeparator - program.text) + 1;
  return JoinPath({PathPart{program.text, folderLength}, Whole(fileName), PathPart{"", 0}}, path);
}

bool HelpSession::FindHtmlHelpFile(char (&path)[kHelpPathSize]) {
  if (ComposeHelpPath(engine_.WindowsDirectory().c_str(), kHtmlHelpFileName, path) &&
      engine_.FileExists(path))
    return true;
  return ComposeBesideProgramPath(engine_.ProgramPath().c_str(), kHtmlHelpFileName, path) &&
         engine_.FileExists(path);
}

bool HelpSession::OpenHtmlHelp() {
  char path[kHelpPathSize];
  // The engine is loaded only for a file it can show.
  if (!FindHtmlHelpFile(path) || !engine_.LoadHtmlHelp()) return false;
  // A file without this topic in its map still opens, at its default topic.
  if (!engine_.HtmlShowContext(path, kHelpContext)) engine_.HtmlShowDefaultTopic(path);
  htmlHelpOpened_ = true;
  return true;
}

bool HelpSession::OpenWinHelp() {
  char path[kHelpPathSize];
  if (!ComposeHelpPath(engine_.WindowsDirectory().c_str(), fileName_, path)) return false;
  engine_.ShowContext(path, kHelpContext);
  winHelpOpened_ = true;
  return true;
}

void HelpSession::Open() {
  // Set whatever the engine answered: it reports a missing file itself.
  if (OpenHtmlHelp() || OpenWinHelp()) helpOpened_ = 1;
}

void HelpSession::CloseIfOpened() {
  if (helpOpened_ == 0) return;
  if (htmlHelpOpened_) engine_.HtmlCloseAll();
  if (!winHelpOpened_) return;
  char path[kHelpPathSize];
  if (!ComposeHelpPath(engine_.WindowsDirectory().c_str(), fileName_, path)) return;
  engine_.Quit(path);
}

}  // namespace paperchk
