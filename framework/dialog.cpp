#include "framework/dialog.h"

namespace paperchk::win {

HINSTANCE Application::instance = nullptr;
const Window* Application::mainWindow = nullptr;

INT_PTR Dialog::DoModal() {
  HWND owner = owner_;
  if (!owner && Application::mainWindow) owner = Application::mainWindow->handle();
  HINSTANCE instance = Application::instance ? Application::instance : GetModuleHandleA(nullptr);
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId_), owner, &Dialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::HandleInitDialog() {
  RECT before;
  GetWindowRect(hwnd_, &before);
  const BOOL result = OnInitDialog();
  // A dialog that did not place itself is centred, as the classic framework does.
  RECT after;
  if (IsWindow(hwnd_) && GetWindowRect(hwnd_, &after) && EqualRect(&before, &after))
    CentreWindow(hwnd_, GetWindow(hwnd_, GW_OWNER));
  return result;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Dialog*>(lparam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
    dialog->hwnd_ = hwnd;
    return dialog->HandleInitDialog();
  }
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!dialog) return FALSE;

  INT_PTR result = FALSE;
  if (dialog->Dispatch(message, wparam, lparam, result)) return result;

  if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
    if (LOWORD(wparam) == IDOK) {
      dialog->OnOK();
      return TRUE;
    }
    if (LOWORD(wparam) == IDCANCEL) {
      dialog->OnCancel();
      return TRUE;
    }
  }
  return FALSE;
}

void CentreWindow(HWND window, HWND owner) {
  RECT rect;
  GetWindowRect(window, &rect);
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;

  HMONITOR monitor = MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoA(monitor, &info);
  const RECT work = info.rcWork;

  RECT centre = work;
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &centre);

  LONG left = (centre.left + centre.right) / 2 - width / 2;
  LONG top = (centre.top + centre.bottom) / 2 - height / 2;
  if (left + width > work.right) left = work.right - width;
  if (left < work.left) left = work.left;
  if (top + height > work.bottom) top = work.bottom - height;
  if (top < work.top) top = work.top;

  SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace paperchk::win
