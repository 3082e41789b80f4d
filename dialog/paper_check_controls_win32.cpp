#include "dialog/paper_check_controls_win32.h"

#include <vector>

#include "framework/window.h"

namespace paperchk::win {

void DialogControls::SetTitle(const std::string& text) { SetWindowTextA(dialog_, text.c_str()); }

void DialogControls::SetControlText(int id, const std::string& text) { SetDlgItemTextA(dialog_, id, text.c_str()); }

void DialogControls::ListInsert(int id, int position, const std::string& text) {
  ListBox(GetDlgItem(dialog_, id)).InsertString(position, text.c_str());
}

void DialogControls::ListDelete(int id, int position) { ListBox(GetDlgItem(dialog_, id)).DeleteString(position); }

void DialogControls::ComboAdd(int id, const std::string& text) { ComboBox(GetDlgItem(dialog_, id)).AddString(text.c_str()); }

int DialogControls::ComboSelectString(int id, int startAfter, const std::string& prefix) {
  return ComboBox(GetDlgItem(dialog_, id)).SelectString(startAfter, prefix.c_str());
}

int DialogControls::ComboGetCurSel(int id) { return ComboBox(GetDlgItem(dialog_, id)).GetCurSel(); }

std::string DialogControls::ComboGetText(int id, int index) {
  ComboBox combo(GetDlgItem(dialog_, id));
  const int length = combo.GetLBTextLen(index);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  const int copied = combo.GetLBText(index, buffer.data());
  if (copied <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(copied) < buffer.size() ? static_cast<size_t>(copied) : buffer.size() - 1);
}

}  // namespace paperchk::win
