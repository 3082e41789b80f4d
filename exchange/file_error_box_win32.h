#pragma once
#include <windows.h>

#include "exchange/exchange_file.h"

namespace paperchk::win {

// Shows a file error in an English message box owned by `owner`.
class FileErrorBox final : public FileErrorReporter {
 public:
  explicit FileErrorBox(HWND owner) : owner_(owner) {}
  void ShowFileError(const char* message) override {
    MessageBoxA(owner_, message, kFileErrorCaption, MB_SETFOREGROUND);
  }

 private:
  HWND owner_;
};

}  // namespace paperchk::win
