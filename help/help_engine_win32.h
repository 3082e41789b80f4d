#pragma once
#include "help/help_file.h"

namespace paperchk::win {

// The platform's help engine, asked without an owner window.
class WinHelpEngine final : public HelpEngine {
 public:
  TextBuffer WindowsDirectory() override;
  void ShowContext(const char* path, std::uint32_t context) override;
  void Quit(const char* path) override;
};

}  // namespace paperchk::win
