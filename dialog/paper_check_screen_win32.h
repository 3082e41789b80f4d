#pragma once
#include <windows.h>

#include "dialog/paper_check_view.h"
#include "framework/window.h"

namespace paperchk::win {

// The controls of the paper-check dialog's template, given what the dialog
// shows: the one place that knows which control shows which part.
class PaperCheckScreen {
 public:
  explicit PaperCheckScreen(HWND dialog) : dialog_(dialog) {}

  // Puts every part of the view into its control, once, before the dialog is
  // first shown.
  void Show(const PaperCheckView& view);
  // Replaces the printer column's rows one at a time, each deleted, then
  // inserted at its place.
  void ShowPrinterColumn(const ColumnRows& column);
  // The text of the tray list's chosen entry, as the list holds it; empty
  // when none is chosen.
  TextBuffer ChosenTray() const;

 private:
  ListBox List(int id) const { return ListBox(GetDlgItem(dialog_, id)); }
  ComboBox Trays() const;
  void SetText(int id, const TextBuffer& text) { SetDlgItemTextA(dialog_, id, text.c_str()); }

  HWND dialog_;
};

}  // namespace paperchk::win
