#include "dialog/paper_check_controls_win32.h"

#include "framework/window.h"

namespace paperchk::win {

void DialogControls::SetTitle(const char* text) { SetWindowTextA(dialog_, text); }

void DialogControls::SetControlText(int id, const char* text) { SetDlgItemTextA(dialog_, id, text); }

void DialogControls::ListInsert(int id, int position, const char* text) {
  ListBox(GetDlgItem(dialog_, id)).InsertString(position, text);
}

void DialogControls::ListDelete(int id, int position) { ListBox(GetDlgItem(dialog_, id)).DeleteString(position); }

void DialogControls::ComboAdd(int id, const char* text) { ComboBox(GetDlgItem(dialog_, id)).AddString(text); }

int DialogControls::ComboSelectString(int id, int startAfter, const char* prefix) {
  return ComboBox(GetDlgItem(dialog_, id)).SelectString(startAfter, prefix);
}

int DialogControls::ComboGetCurSel(int id) { return ComboBox(GetDlgItem(dialog_, id)).GetCurSel(); }

TextBuffer DialogControls::ComboGetText(int id, int index) {
  ComboBox combo(GetDlgItem(dialog_, id));
  const int length = combo.GetLBTextLen(index);
  // CB_GETLBTEXT cannot be told the buffer's size: an entry longer than a
  // text may hold is not read at all.
  if (length <= 0 || static_cast<std::size_t>(length) > TextBuffer::kMaxLength) return {};
  TextBuffer text;
  const int copied = combo.GetLBText(index, text.Resize(static_cast<std::size_t>(length)));
  if (copied <= 0) return {};
  text.Truncate(static_cast<std::size_t>(copied));
  return text;
}

}  // namespace paperchk::win
