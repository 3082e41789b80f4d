// The dialog framework on the real platform: message-map dispatch, the
// confirm and cancel operations, the classic placement, and the modal run
// that also waits for a handle.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/dialog.h"
#include "framework/window_menu.h"
#include "resources/resource_ids.h"

namespace paperchk::win {
namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr UINT kRecordPlacement = WM_APP + 2;
constexpr WORD kProbeCommand = 4242;

// A dialog from the wait box's template whose behaviour the tests script.
class ProbeDialog final : public MappedDialog<ProbeDialog> {
 public:
  explicit ProbeDialog(HWND owner = nullptr) : MappedDialog(IDD_RETRIEVE_WAIT, owner) {}

  UINT firstMessage = kProbe;  // posted once the dialog is up
  WPARAM firstWparam = 42;
  bool moveDuringInit = false;
  int probes = 0;
  RECT placement{};

 private:
  friend class MappedDialog<ProbeDialog>;

  INT_PTR OnProbe(WPARAM wparam) {
    ++probes;
    EndDialog(hwnd_, static_cast<INT_PTR>(wparam));
    return TRUE;
  }
  INT_PTR OnRecordPlacement() {
    GetWindowRect(hwnd_, &placement);
    EndDialog(hwnd_, 0);
    return TRUE;
  }

  static const auto& MessageMap() {
    static constexpr MessageEntry<ProbeDialog> kMap[] = {
        OnMessage(kProbe, &ProbeDialog::OnProbe),
        OnMessage(kRecordPlacement, &ProbeDialog::OnRecordPlacement),
    };
    return kMap;
  }

  BOOL OnInitDialog() override {
    if (moveDuringInit) SetWindowPos(hwnd_, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageA(hwnd_, firstMessage, firstWparam, 0);
    return TRUE;
  }
};

POINT Centre(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

RECT WorkArea() {
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

void ExpectCentredOn(const RECT& placed, const RECT& target) {
  EXPECT_LE(std::abs(Centre(placed).x - Centre(target).x), 1);
  EXPECT_LE(std::abs(Centre(placed).y - Centre(target).y), 1);
}

// A plain top-level window to own the dialog.
class OwnerWindow {
 public:
  OwnerWindow(int x, int y, int width, int height) {
    hwnd_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  }
  ~OwnerWindow() { DestroyWindow(hwnd_); }
  HWND handle() const { return hwnd_; }

 private:
  HWND hwnd_;
};

TEST(DialogFramework, MessageMapRoutesAMessageToItsHandler) {
  ProbeDialog dialog;
  EXPECT_EQ(dialog.DoModal(), 42);
  EXPECT_EQ(dialog.probes, 1);
}

// A dialog with one bound command.
class CommandDialog final : public MappedDialog<CommandDialog> {
 public:
  CommandDialog() : MappedDialog(IDD_RETRIEVE_WAIT) {}
  int handled = 0;

 private:
  friend class MappedDialog<CommandDialog>;
  void OnCommandProbe() {
    ++handled;
    EndDialog(hwnd_, 7);
  }
  static const auto& MessageMap() {
    static constexpr MessageEntry<CommandDialog> kMap[] = {
        OnCommand(BN_CLICKED, kProbeCommand, &CommandDialog::OnCommandProbe),
    };
    return kMap;
  }
  BOOL OnInitDialog() override {
    // Same id, other notification: must not reach the handler.
    PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(kProbeCommand, BN_DOUBLECLICKED), 0);
    PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(kProbeCommand, BN_CLICKED), 0);
    return TRUE;
  }
};

TEST(DialogFramework, CommandsMatchOnNotificationAndControlId) {
  CommandDialog dialog;
  EXPECT_EQ(dialog.DoModal(), 7);
  EXPECT_EQ(dialog.handled, 1);
}

TEST(DialogFramework, UnboundOkConfirmsAndUnboundCancelCancels) {
  ProbeDialog ok;
  ok.firstMessage = WM_COMMAND;
  ok.firstWparam = MAKEWPARAM(IDOK, BN_CLICKED);
  EXPECT_EQ(ok.DoModal(), IDOK);

  ProbeDialog cancel;
  cancel.firstMessage = WM_COMMAND;
  cancel.firstWparam = MAKEWPARAM(IDCANCEL, BN_CLICKED);
  EXPECT_EQ(cancel.DoModal(), IDCANCEL);
}

TEST(DialogPlacement, WithoutOwnerTheDialogIsCentredInTheWorkArea) {
  ProbeDialog dialog;
  dialog.firstMessage = kRecordPlacement;
  dialog.DoModal();
  ExpectCentredOn(dialog.placement, WorkArea());
}

TEST(DialogPlacement, AVisibleOwnerCentresTheDialogOverIt) {
  OwnerWindow owner(60, 80, 700, 500);
  ShowWindow(owner.handle(), SW_SHOWNORMAL);
  RECT ownerRect;
  GetWindowRect(owner.handle(), &ownerRect);

  ProbeDialog dialog(owner.handle());
  dialog.firstMessage = kRecordPlacement;
  dialog.DoModal();
  ExpectCentredOn(dialog.placement, ownerRect);
  EXPECT_NE(Centre(ownerRect).x, Centre(WorkArea()).x);  // the two cases differ
}

TEST(DialogPlacement, AHiddenOrMinimizedOwnerIsPassedOverForTheWorkArea) {
  OwnerWindow hidden(60, 80, 700, 500);
  ProbeDialog overHidden(hidden.handle());
  overHidden.firstMessage = kRecordPlacement;
  overHidden.DoModal();
  ExpectCentredOn(overHidden.placement, WorkArea());

  OwnerWindow minimized(60, 80, 700, 500);
  ShowWindow(minimized.handle(), SW_SHOWMINNOACTIVE);
  ProbeDialog overMinimized(minimized.handle());
  overMinimized.firstMessage = kRecordPlacement;
  overMinimized.DoModal();
  ExpectCentredOn(overMinimized.placement, WorkArea());
}

TEST(DialogPlacement, AnOwnerNearTheEdgeKeepsTheDialogInsideTheWorkArea) {
  const RECT work = WorkArea();
  OwnerWindow owner(work.left - 50, work.top - 40, 120, 90);
  ShowWindow(owner.handle(), SW_SHOWNORMAL);
  ProbeDialog dialog(owner.handle());
  dialog.firstMessage = kRecordPlacement;
  dialog.DoModal();
  EXPECT_EQ(dialog.placement.left, work.left);
  EXPECT_EQ(dialog.placement.top, work.top);
}

TEST(DialogPlacement, ADialogThatPlacedItselfIsLeftWhereItIs) {
  ProbeDialog dialog;
  dialog.moveDuringInit = true;
  dialog.firstMessage = kRecordPlacement;
  dialog.DoModal();
  EXPECT_EQ(dialog.placement.left, 10);
  EXPECT_EQ(dialog.placement.top, 20);
}

// The modal run that also waits for a handle and a deadline: each wake-up
// reaches the dialog between its messages, and the messages keep their way
// through the message map and the dialog keys.
class WaitingDialog final : public MappedDialog<WaitingDialog>, public ModalWaits {
 public:
  explicit WaitingDialog(HWND owner = nullptr) : MappedDialog(IDD_RETRIEVE_WAIT, owner) {
    event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ~WaitingDialog() override { CloseHandle(event_); }

  DWORD deadlineMs = INFINITE;
  int deadlinesToEnd = 0;     // end after this many deadlines (0: never)
  bool signalAtStart = false;
  UINT postAtStart = 0;       // a message posted once the dialog is up
  WPARAM postWparam = 0;
  int probes = 0;
  int signals = 0;
  int deadlines = 0;
  bool visibleWhenWoken = false;
  bool ownerEnabledWhenWoken = true;

 private:
  friend class MappedDialog<WaitingDialog>;

  INT_PTR OnProbe() {
    ++probes;
    return TRUE;
  }
  static const auto& MessageMap() {
    static constexpr MessageEntry<WaitingDialog> kMap[] = {
        OnMessage(kProbe, &WaitingDialog::OnProbe),
    };
    return kMap;
  }

  BOOL OnInitDialog() override {
    if (signalAtStart) SetEvent(event_);
    if (postAtStart != 0) PostMessageA(hwnd_, postAtStart, postWparam, 0);
    return TRUE;
  }

  void NoteWake() {
    visibleWhenWoken = IsWindowVisible(hwnd_) != FALSE;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner) ownerEnabledWhenWoken = IsWindowEnabled(owner) != FALSE;
  }
  HANDLE WaitHandle() override { return event_; }
  DWORD MsUntilDeadline() override { return deadlineMs; }
  void OnSignalled() override {
    NoteWake();
    ++signals;
    ResetEvent(event_);
    End(5);
  }
  void OnDeadline() override {
    NoteWake();
    if (++deadlines == deadlinesToEnd) End(6);
  }

  HANDLE event_;
};

TEST(DialogFrameworkWaits, ASignalledHandleReachesTheDialogWhileItIsShown) {
  OwnerWindow owner(100, 100, 400, 300);
  WaitingDialog dialog(owner.handle());
  dialog.signalAtStart = true;
  dialog.postAtStart = kProbe;
  EXPECT_EQ(dialog.DoModal(static_cast<ModalWaits&>(dialog)), 5);
  EXPECT_EQ(dialog.signals, 1);
  EXPECT_EQ(dialog.probes, 1) << "the message posted before the wait was not handled first";
  EXPECT_TRUE(dialog.visibleWhenWoken);
  EXPECT_FALSE(dialog.ownerEnabledWhenWoken) << "the owner was not disabled during the run";
  EXPECT_TRUE(IsWindowEnabled(owner.handle())) << "the owner was not enabled again";
  EXPECT_FALSE(IsWindow(dialog.handle()));
}

TEST(DialogFrameworkWaits, DeadlinesComeAgainUntilTheDialogEnds) {
  WaitingDialog dialog;
  dialog.deadlineMs = 5;
  dialog.deadlinesToEnd = 3;
  EXPECT_EQ(dialog.DoModal(static_cast<ModalWaits&>(dialog)), 6);
  EXPECT_EQ(dialog.deadlines, 3);
  EXPECT_EQ(dialog.signals, 0);
}

TEST(DialogFrameworkWaits, EnterAndEscEndTheRunAsTheyEndTheClassicOne) {
  for (const WPARAM command : {static_cast<WPARAM>(IDOK), static_cast<WPARAM>(IDCANCEL)}) {
    WaitingDialog dialog;
    dialog.postAtStart = WM_COMMAND;
    dialog.postWparam = MAKEWPARAM(command, BN_CLICKED);
    EXPECT_EQ(dialog.DoModal(static_cast<ModalWaits&>(dialog)), static_cast<INT_PTR>(command));
    EXPECT_EQ(dialog.signals + dialog.deadlines, 0);
  }
}

}  // namespace
}  // namespace paperchk::win

namespace paperchk::win {
namespace {

constexpr UINT kOpenWindowMenu = WM_APP + 3;

// A dialog from the paper-check template that keeps its window menu fixed as
// the paper-check dialog does, opens that menu and records the items' states
// while the menu is shown, after the platform has brought it up to date.
class WindowMenuDialog final : public MappedDialog<WindowMenuDialog> {
 public:
  WindowMenuDialog() : MappedDialog(IDD_PAPER_CHECK) {}

  bool bindMenuMessages = true;
  bool menuShown = false;
  UINT states[3] = {};  // Close, Move, Size as GetMenuState reports them

 private:
  friend class MappedDialog<WindowMenuDialog>;

  static WindowMenuDialog* running;

  INT_PTR OnInitMenuPopup(LPARAM lparam) {
    return bindMenuMessages ? OnWindowMenuPopup(hwnd_, lparam) : FALSE;
  }
  INT_PTR OnEnterIdle(WPARAM wparam, LPARAM lparam) {
    return bindMenuMessages ? OnMenuIdle(hwnd_, wparam, lparam) : FALSE;
  }
  INT_PTR OnOpenWindowMenu() {
    running = this;
    // Timer messages are dispatched inside the menu's own loop.
    SetTimer(nullptr, 0, 100, &WindowMenuDialog::WhileMenuOpen);
    PostMessageA(hwnd_, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);  // Alt+Space
    SetTimer(hwnd_, 1, 5000, nullptr);                           // gives up after 5 s
    return TRUE;
  }
  INT_PTR OnGiveUp() {
    EndMenu();
    EndDialog(hwnd_, 0);
    return TRUE;
  }

  static void CALLBACK WhileMenuOpen(HWND, UINT, UINT_PTR timer, DWORD) {
    WindowMenuDialog* dialog = running;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetCurrentThreadId(), &info) || (info.flags & GUI_INMENUMODE) == 0) return;
    KillTimer(nullptr, timer);
    HMENU menu = GetSystemMenu(dialog->hwnd_, FALSE);
    const UINT commands[3] = {SC_CLOSE, SC_MOVE, SC_SIZE};
    for (int i = 0; i < 3; ++i) dialog->states[i] = GetMenuState(menu, commands[i], MF_BYCOMMAND);
    dialog->menuShown = true;
    EndMenu();
    EndDialog(dialog->hwnd_, 1);
  }

  static const auto& MessageMap() {
    static constexpr MessageEntry<WindowMenuDialog> kMap[] = {
        OnMessage(WM_INITMENUPOPUP, &WindowMenuDialog::OnInitMenuPopup),
        OnMessage(WM_ENTERIDLE, &WindowMenuDialog::OnEnterIdle),
        OnMessage(kOpenWindowMenu, &WindowMenuDialog::OnOpenWindowMenu),
        OnMessage(WM_TIMER, &WindowMenuDialog::OnGiveUp),
    };
    return kMap;
  }

  BOOL OnInitDialog() override {
    GrayFixedWindowMenuItems(hwnd_);
    PostMessageA(hwnd_, kOpenWindowMenu, 0, 0);
    return TRUE;
  }
};

WindowMenuDialog* WindowMenuDialog::running = nullptr;

TEST(WindowMenu, CloseMoveAndSizeStayGrayedWhileTheMenuIsShown) {
  WindowMenuDialog dialog;
  EXPECT_EQ(dialog.DoModal(), 1) << "the window menu did not open";
  ASSERT_TRUE(dialog.menuShown);
  const char* const names[3] = {"Close", "Move", "Size"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(dialog.states[i], static_cast<UINT>(-1)) << names[i] << " is missing";
    EXPECT_TRUE(dialog.states[i] & MF_GRAYED) << names[i] << " is not grayed";
  }
}

}  // namespace
}  // namespace paperchk::win
