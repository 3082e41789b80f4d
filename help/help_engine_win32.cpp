#include "help/help_engine_win32.h"

#include <htmlhelp.h>

#include <cstring>

namespace paperchk::win {

namespace {

const char kHtmlHelpModule[] = "\\hhctrl.ocx";

}  // namespace

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

TextBuffer WinHelpEngine::ProgramPath() {
  // A path that fills the buffer may be cut; it is then not used at all.
  char path[kHelpPathSize];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return TextBuffer();
  return TextBuffer(path, length);
}

bool WinHelpEngine::FileExists(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void WinHelpEngine::ShowContext(const char* path, std::uint32_t context) {
  WinHelpA(nullptr, path, HELP_CONTEXT, context);
}

void WinHelpEngine::Quit(const char* path) { WinHelpA(nullptr, path, HELP_QUIT, 0); }

bool WinHelpEngine::LoadHtmlHelp() {
  if (htmlHelp_ != nullptr) return true;
  // Only the system's own copy, by its full path: never one from the
  // program's or the current folder. Its own imports are looked for in the
  // system folder too.
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + sizeof kHtmlHelpModule > sizeof path) return false;
  std::memcpy(path + length, kHtmlHelpModule, sizeof kHtmlHelpModule);
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) return false;
  htmlHelp_ = reinterpret_cast<HtmlHelpFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA")));
  if (htmlHelp_ == nullptr) FreeLibrary(module);
  return htmlHelp_ != nullptr;
}

bool WinHelpEngine::HtmlShowContext(const char* path, std::uint32_t context) {
  return htmlHelp_ != nullptr && htmlHelp_(nullptr, path, HH_HELP_CONTEXT, context) != nullptr;
}

void WinHelpEngine::HtmlShowDefaultTopic(const char* path) {
  if (htmlHelp_ != nullptr) htmlHelp_(nullptr, path, HH_DISPLAY_TOPIC, 0);
}

void WinHelpEngine::HtmlCloseAll() {
  if (htmlHelp_ != nullptr) htmlHelp_(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

}  // namespace paperchk::win
