#include "framework/dialog.h"

namespace paperchk::win {

HINSTANCE Application::instance = nullptr;
const Window* Application::mainWindow = nullptr;

HWND Dialog::ResolvedOwner() const {
  if (!owner_ && Application::mainWindow) return Application::mainWindow->handle();
  return owner_;
}

INT_PTR Dialog::DoModal() {
  return DialogBoxParamA(Application::Module(), MAKEINTRESOURCEA(templateId_), ResolvedOwner(), &Dialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::DoModal(ModalWaits& waits) {
  HWND owner = ResolvedOwner();
  // As the platform's modal run: the owner is disabled before the dialog
  // exists and enabled again before it goes.
  const bool disabledOwner = owner && IsWindowEnabled(owner);
  if (disabledOwner) EnableWindow(owner, FALSE);
  ownLoop_ = true;
  ended_ = false;
  result_ = -1;
  if (CreateDialogParamA(Application::Module(), MAKEINTRESOURCEA(templateId_), owner, &Dialog::DialogProc,
                         reinterpret_cast<LPARAM>(this)) != nullptr) {
    RunLoop(waits);
  }
  if (disabledOwner) EnableWindow(owner, TRUE);
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  ownLoop_ = false;
  return result_;
}

// The platform's dialog loop (dialog keys, translation, dispatch; the dialog
// shown once its first messages are handled; the owner told when the queue
// is empty), waiting with MsgWaitForMultipleObjectsEx instead of GetMessage.
void Dialog::RunLoop(ModalWaits& waits) {
  bool shown = false;
  while (!ended_) {
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));  // for the loop outside
        return;
      }
      if (!IsDialogMessageA(hwnd_, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      if (!IsWindow(hwnd_)) return;
      continue;
    }
    if (!shown) {
      shown = true;
      if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOWNORMAL);
      continue;
    }
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner && (GetWindowLongA(hwnd_, GWL_STYLE) & DS_NOIDLEMSG) == 0)
      SendMessageA(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwnd_));
    if (ended_) return;

    HANDLE handle = waits.WaitHandle();
    const DWORD count = handle ? 1 : 0;
    const DWORD woken = MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, waits.MsUntilDeadline(),
                                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (count == 1 && woken == WAIT_OBJECT_0) {
      waits.OnSignalled();
    } else if (woken == WAIT_TIMEOUT) {
      waits.OnDeadline();
    } else if (woken == WAIT_FAILED) {
      // A handle that cannot be waited for: messages alone from here on.
      WaitMessage();
    }
  }
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
