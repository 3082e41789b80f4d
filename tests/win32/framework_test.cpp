// The dialog framework on the real platform: message-map dispatch, the
// confirm and cancel operations, and the classic placement.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/dialog.h"
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
  int exchanges = 0;
  RECT placement{};

 private:
  friend class MappedDialog<ProbeDialog>;

  INT_PTR OnProbe(WPARAM wparam, LPARAM) {
    ++probes;
    EndDialog(hwnd_, static_cast<INT_PTR>(wparam));
    return TRUE;
  }
  INT_PTR OnRecordPlacement(WPARAM, LPARAM) {
    GetWindowRect(hwnd_, &placement);
    EndDialog(hwnd_, 0);
    return TRUE;
  }

  static constexpr MessageEntry<ProbeDialog> kMessageMap[] = {
      OnMessage(kProbe, &ProbeDialog::OnProbe),
      OnMessage(kRecordPlacement, &ProbeDialog::OnRecordPlacement),
  };

  BOOL OnInitDialog() override {
    if (moveDuringInit) SetWindowPos(hwnd_, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageA(hwnd_, firstMessage, firstWparam, 0);
    return TRUE;
  }
  void DoDataExchange() override { ++exchanges; }
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
  INT_PTR OnCommandProbe(WPARAM, LPARAM) {
    ++handled;
    EndDialog(hwnd_, 7);
    return TRUE;
  }
  static constexpr MessageEntry<CommandDialog> kMessageMap[] = {
      OnCommand(BN_CLICKED, kProbeCommand, &CommandDialog::OnCommandProbe),
  };
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

TEST(DialogFramework, UnboundOkConfirmsWithDataExchangeAndUnboundCancelCancels) {
  ProbeDialog ok;
  ok.firstMessage = WM_COMMAND;
  ok.firstWparam = MAKEWPARAM(IDOK, BN_CLICKED);
  EXPECT_EQ(ok.DoModal(), IDOK);
  EXPECT_EQ(ok.exchanges, 1);

  ProbeDialog cancel;
  cancel.firstMessage = WM_COMMAND;
  cancel.firstWparam = MAKEWPARAM(IDCANCEL, BN_CLICKED);
  EXPECT_EQ(cancel.DoModal(), IDCANCEL);
  EXPECT_EQ(cancel.exchanges, 0);
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

}  // namespace
}  // namespace paperchk::win
