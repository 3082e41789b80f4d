#pragma once
#include <windows.h>

#include "dialog/paper_check_controls.h"

namespace paperchk::win {

// The paper-check dialog's controls, reached through its window handle.
class DialogControls final : public PaperCheckControls {
 public:
  explicit DialogControls(HWND dialog) : dialog_(dialog) {}

  void SetTitle(const char* text) override;
  void SetControlText(int id, const char* text) override;
  void ListInsert(int id, int position, const char* text) override;
  void ListDelete(int id, int position) override;
  void ComboAdd(int id, const char* text) override;
  int ComboSelectString(int id, int startAfter, const char* prefix) override;
  int ComboGetCurSel(int id) override;
  TextBuffer ComboGetText(int id, int index) override;

 private:
  HWND dialog_;
};

}  // namespace paperchk::win
