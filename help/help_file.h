#pragma once
#include <cstddef>
#include <cstdint>

#include "text/text_buffer.h"

namespace paperchk {

constexpr std::size_t kHelpPathSize = 264;
constexpr std::size_t kWindowsDirectoryLimit = 260;
constexpr std::uint32_t kHelpContext = 4608;
extern const char kHelpFolder[];        // "\System32\spool\drivers\w32x86\2\"
extern const char kHelpFileName[];      // "PCHKHELP.HLP"
extern const char kHtmlHelpFileName[];  // "PCHKHELP.CHM"

// Windows directory + folder + file name. Returns false (and an empty path)
// when the result does not fit the 264-byte buffer.
bool ComposeHelpPath(const char* windowsDirectory, const char* fileName,
                     char (&path)[kHelpPathSize]);

// The folder of a program's full path (up to and including its last
// backslash) + file name. Returns false (and an empty path) when the program
// path has no folder or the result does not fit.
bool ComposeBesideProgramPath(const char* programPath, const char* fileName,
                              char (&path)[kHelpPathSize]);

// The platform's help engines, always called without an owner window:
// WinHelp for the .HLP file, HTML Help for a .CHM.
class HelpEngine {
 public:
  virtual ~HelpEngine() = default;
  // The Windows directory as GetWindowsDirectoryA returns it (limit 260).
  virtual TextBuffer WindowsDirectory() = 0;
  // The full path the program was started from (empty when unknown).
  virtual TextBuffer ProgramPath() = 0;
  virtual bool FileExists(const char* path) = 0;

  virtual void ShowContext(const char* path, std::uint32_t context) = 0;  // WinHelp, HELP_CONTEXT
  virtual void Quit(const char* path) = 0;                                // WinHelp, HELP_QUIT

  // Makes HTML Help ready; false when its engine cannot be had.
  virtual bool LoadHtmlHelp() = 0;
  // HH_HELP_CONTEXT; false when no window came back (topic not mapped).
  virtual bool HtmlShowContext(const char* path, std::uint32_t context) = 0;
  virtual void HtmlShowDefaultTopic(const char* path) = 0;  // HH_DISPLAY_TOPIC, 0
  virtual void HtmlCloseAll() = 0;                          // HH_CLOSE_ALL
};

// Opens the driver's help file at the dialog's topic and closes it again.
// An HTML Help file (in the fixed help folder, else beside the program) is
// preferred, since current Windows no longer shows .HLP files; without one,
// or without HTML Help, the .HLP file goes to WinHelp.
class HelpSession {
 public:
  HelpSession(HelpEngine& engine, const char* fileName) : engine_(engine), fileName_(fileName) {}

  // Opens the topic and sets the opened flag; refuses (flag unchanged) when
  // no path would fit.
  void Open();
  // Closes what was ever opened, if anything.
  void CloseIfOpened();
  std::uint32_t opened() const { return helpOpened_; }

 private:
  bool FindHtmlHelpFile(char (&path)[kHelpPathSize]);
  bool OpenHtmlHelp();
  bool OpenWinHelp();

  HelpEngine& engine_;
  const char* fileName_;
  std::uint32_t helpOpened_ = 0;
  bool htmlHelpOpened_ = false;
  bool winHelpOpened_ = false;
};

}  // namespace paperchk
