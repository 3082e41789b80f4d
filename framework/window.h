#pragma once
// Thin wrappers over HWND: one small class per control kind, one-line methods
// that name what they do.
#include <windows.h>

namespace paperchk::win {

class Window {
 public:
  explicit Window(HWND hwnd = nullptr) : hwnd_(hwnd) {}
  HWND handle() const { return hwnd_; }

  void SetText(const char* text) { SetWindowTextA(hwnd_, text); }
  void Show(int command) { ShowWindow(hwnd_, command); }
  bool IsMinimized() const { return IsIconic(hwnd_) != FALSE; }
  LRESULT Send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const {
    return SendMessageA(hwnd_, message, wparam, lparam);
  }

 protected:
  HWND hwnd_;
};

class ListBox : public Window {
 public:
  using Window::Window;
  int InsertString(int position, const char* text) {
    return static_cast<int>(Send(LB_INSERTSTRING, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(text)));
  }
  int DeleteString(int position) { return static_cast<int>(Send(LB_DELETESTRING, static_cast<WPARAM>(position))); }
};

class ComboBox : public Window {
 public:
  using Window::Window;
  int AddString(const char* text) { return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  void SetCurSel(int index) { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
  int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
  int GetLBTextLen(int index) const { return static_cast<int>(Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index))); }
  int GetLBText(int index, char* buffer) const {
    return static_cast<int>(Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)));
  }
};

}  // namespace paperchk::win
