#pragma once
// The small dialog framework: a dialog built from a template number, a static
// message map, the modal run, and the confirm and cancel operations.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "framework/window.h"

namespace paperchk::win {

// The process-wide state of the framework: the module and the main window,
// which becomes the owner of dialogs created without one.
struct Application {
  static HINSTANCE instance;
  static const Window* mainWindow;
  // The module that holds the resources: the one set, else the program's own.
  static HINSTANCE Module() { return instance ? instance : GetModuleHandleA(nullptr); }
};

// What a modal run waits for besides messages: at most one handle and one
// deadline at a time. The run asks before each wait and calls back on the
// dialog's thread, between messages.
class ModalWaits {
 public:
  virtual ~ModalWaits() = default;
  // The handle to wait for now, or null for none.
  virtual HANDLE WaitHandle() = 0;
  // Milliseconds until OnDeadline is due, INFINITE for none.
  virtual DWORD MsUntilDeadline() = 0;
  virtual void OnSignalled() = 0;
  virtual void OnDeadline() = 0;
};

class Dialog : public Window {
 public:
  explicit Dialog(int templateId, HWND owner = nullptr) : templateId_(templateId), owner_(owner) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally; returns the result given to EndDialog (or -1
  // when the dialog could not be created).
  INT_PTR DoModal();
  // The same modal run (owner disabled, dialog keys, the same messages to the
  // same handlers), whose loop also waits for what `waits` names.
  INT_PTR DoModal(ModalWaits& waits);

  void SetItemText(int id, const char* text) { SetDlgItemTextA(hwnd_, id, text); }

 protected:
  // Called once the controls exist; returning TRUE gives the focus to the
  // first tab stop.
  virtual BOOL OnInitDialog() { return TRUE; }
  // Enter (IDOK) and Esc (IDCANCEL) when the message map does not bind them.
  virtual void OnOK() { Confirm(); }
  virtual void OnCancel() { End(IDCANCEL); }
  // The confirm operation: end with the OK result.
  void Confirm() { End(IDOK); }

  // Ends the modal run, whichever of the two runs it.
  void End(INT_PTR result) {
    if (!ownLoop_) {
      EndDialog(hwnd_, result);
      return;
    }
    ended_ = true;
    result_ = result;
  }

  // Looks the message up in the derived class's message map; true when a
  // handler ran, its answer in `result`.
  virtual bool Dispatch(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) = 0;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleInitDialog();

  HWND ResolvedOwner() const;
  void RunLoop(ModalWaits& waits);

  int templateId_;
  HWND owner_;
  bool ownLoop_ = false;  // run by DoModal(ModalWaits&)
  bool ended_ = false;
  INT_PTR result_ = 0;
};

// One row of a message map: a message, and for WM_COMMAND a notification
// code and a control id, bound to a member handler that takes the message's
// parameters it uses. Message handlers answer as a dialog procedure does
// (FALSE: let the platform's default handling run):
//   INT_PTR OnX();  INT_PTR OnX(WPARAM);  INT_PTR OnX(LPARAM);  INT_PTR OnX(WPARAM, LPARAM);
// A command handler takes nothing and returns nothing: the command is handled.
//   void OnX();
template <class Owner>
struct MessageEntry {
  enum class Takes { Nothing, WParam, LParam, Both, Command };
  union Handler {
    constexpr explicit Handler(INT_PTR (Owner::*handler)()) : nothing(handler) {}
    constexpr explicit Handler(INT_PTR (Owner::*handler)(WPARAM)) : wparam(handler) {}
    constexpr explicit Handler(INT_PTR (Owner::*handler)(LPARAM)) : lparam(handler) {}
    constexpr explicit Handler(INT_PTR (Owner::*handler)(WPARAM, LPARAM)) : both(handler) {}
    constexpr explicit Handler(void (Owner::*handler)()) : command(handler) {}
    INT_PTR (Owner::*nothing)();
    INT_PTR (Owner::*wparam)(WPARAM);
    INT_PTR (Owner::*lparam)(LPARAM);
    INT_PTR (Owner::*both)(WPARAM, LPARAM);
    void (Owner::*command)();
  };

  UINT message;
  UINT notification;
  UINT controlId;
  Takes takes;
  Handler handler;
};

template <class Owner>
constexpr MessageEntry<Owner> OnMessage(UINT message, INT_PTR (Owner::*handler)()) {
  using Entry = MessageEntry<Owner>;
  return {message, 0, 0, Entry::Takes::Nothing, typename Entry::Handler(handler)};
}

template <class Owner>
constexpr MessageEntry<Owner> OnMessage(UINT message, INT_PTR (Owner::*handler)(WPARAM)) {
  using Entry = MessageEntry<Owner>;
  return {message, 0, 0, Entry::Takes::WParam, typename Entry::Handler(handler)};
}

template <class Owner>
constexpr MessageEntry<Owner> OnMessage(UINT message, INT_PTR (Owner::*handler)(LPARAM)) {
  using Entry = MessageEntry<Owner>;
  return {message, 0, 0, Entry::Takes::LParam, typename Entry::Handler(handler)};
}

template <class Owner>
constexpr MessageEntry<Owner> OnMessage(UINT message, INT_PTR (Owner::*handler)(WPARAM, LPARAM)) {
  using Entry = MessageEntry<Owner>;
  return {message, 0, 0, Entry::Takes::Both, typename Entry::Handler(handler)};
}

template <class Owner>
constexpr MessageEntry<Owner> OnCommand(UINT notification, UINT controlId, void (Owner::*handler)()) {
  using Entry = MessageEntry<Owner>;
  return {WM_COMMAND, notification, controlId, Entry::Takes::Command, typename Entry::Handler(handler)};
}

// A dialog whose derived class `Owner` declares its map as
//   static const auto& MessageMap() {
//     static constexpr MessageEntry<Owner> kMap[] = {OnMessage(WM_X, &Owner::OnX), ...};
//     return kMap;
//   }
// (a function body, where the analysers see the handlers used).
template <class Owner>
class MappedDialog : public Dialog {
 public:
  using Dialog::Dialog;

 protected:
  bool Dispatch(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override {
    for (const MessageEntry<Owner>& entry : Owner::MessageMap()) {
      if (entry.message != message) continue;
      if (message == WM_COMMAND &&
          (entry.notification != HIWORD(wparam) || entry.controlId != LOWORD(wparam)))
        continue;
      result = Call(entry, wparam, lparam);
      return true;
    }
    return false;
  }

  INT_PTR Call(const MessageEntry<Owner>& entry, WPARAM wparam, LPARAM lparam) {
    using Takes = typename MessageEntry<Owner>::Takes;
    Owner& owner = *static_cast<Owner*>(this);
    switch (entry.takes) {
      case Takes::Nothing: return (owner.*entry.handler.nothing)();
      case Takes::WParam: return (owner.*entry.handler.wparam)(wparam);
      case Takes::LParam: return (owner.*entry.handler.lparam)(lparam);
      case Takes::Both: return (owner.*entry.handler.both)(wparam, lparam);
      case Takes::Command: break;
    }
    (owner.*entry.handler.command)();
    return TRUE;
  }

  // Whether the map binds a click of this control: the map is the list of
  // the dialog's push buttons.
  static bool HandlesClick(int controlId) {
    const auto& map = Owner::MessageMap();
    return std::any_of(std::begin(map), std::end(map), [controlId](const MessageEntry<Owner>& entry) {
      return entry.message == WM_COMMAND && entry.notification == BN_CLICKED &&
             entry.controlId == static_cast<UINT>(controlId);
    });
  }
};

// Centres `window` over `owner` when the owner is visible and not minimized,
// otherwise within the work area of the screen; kept inside the work area.
void CentreWindow(HWND window, HWND owner);

}  // namespace paperchk::win
