#pragma once
#include <windows.h>

#include "help/help_file.h"

namespace paperchk::win {

// The platform's help engines, asked without an owner window: WinHelp
// (user32) and HTML Help, whose hhctrl.ocx is loaded from the system folder
// only when first needed.
class WinHelpEngine final : public HelpEngine {
 public:
  TextBuffer WindowsDirectory() override;
  TextBuffer ProgramPath() override;
  bool FileExists(const char* path) override;
  void ShowContext(const char* path, std::uint32_t context) override;
  void Quit(const char* path) override;
  bool LoadHtmlHelp() override;
  bool HtmlShowContext(const char* path, std::uint32_t context) override;
  void HtmlShowDefaultTopic(const char* path) override;
  void HtmlCloseAll() override;

 private:
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  // Kept for the whole run: an HTML Help window lives in this process.
  HtmlHelpFunction htmlHelp_ = nullptr;
};

}  // namespace paperchk::win
