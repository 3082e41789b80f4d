#pragma once
#include <cstddef>
#include <cstdint>

#include "resources/text_buffer.h"

namespace paperchk {

constexpr std::size_t kHelpPathSize = 264;
constexpr std::size_t kWindowsDirectoryLimit = 260;
constexpr std::uint32_t kHelpContext = 4608;
extern const char kHelpFolder[];    // "\System32\spool\drivers\w32x86\2\"
extern const char kHelpFileName[];  // "PCHKHELP.HLP"

// Windows directory + folder + file name. Returns false (and an empty path)
// when the result does not fit the 264-byte buffer.
bool ComposeHelpPath(const char* windowsDirectory, const char* fileName,
                     char (&path)[kHelpPathSize]);

// The platform's help engine, always called without an owner window.
class HelpEngine {
 public:
  virtual ~HelpEngine() = default;
  // The Windows directory as GetWindowsDirectoryA returns it (limit 260).
  virtual TextBuffer WindowsDirectory() = 0;
  virtual void ShowContext(const char* path, std::uint32_t context) = 0;  // HELP_CONTEXT
  virtual void Quit(const char* path) = 0;                                // HELP_QUIT
};

// Opens the driver's help file at the dialog's topic and closes it again.
class HelpSession {
 public:
  HelpSession(HelpEngine& engine, const char* fileName) : engine_(engine), fileName_(fileName) {}

  // Opens the topic and sets the opened flag; refuses (flag unchanged) when
  // the path would not fit.
  void Open();
  // Closes the help file if it was ever opened.
  void CloseIfOpened();
  std::uint32_t opened() const { return helpOpened_; }

 private:
  HelpEngine& engine_;
  const char* fileName_;
  std::uint32_t helpOpened_ = 0;
};

}  // namespace paperchk
