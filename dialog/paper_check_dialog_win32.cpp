#include "dialog/paper_check_dialog_win32.h"

#include "dialog/paper_check_screen_win32.h"
#include "exchange/file_error_box_win32.h"
#include "exchange/retrieve_wait_dialog_win32.h"
#include "framework/window_menu.h"
#include "report/system_lead_bytes.h"
#include "resources/resource_ids.h"

namespace paperchk::win {
namespace {

// The start-up error, kept as the Shift-JIS bytes the driver's texts use and
// converted from code page 932 for the wide message box, so that it reads the
// same on every system code page.
const char kStartupErrorText[] =
    "\x83\x70\x83\x89\x83\x81\x81\x5B\x83\x5E\x82\xF0\x8E\x77\x92\xE8\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2";
const char kStartupErrorCaption[] = "\x8F\x89\x8A\xFA\x89\xBB\x83\x47\x83\x89\x81\x5B";

// Room for either text in UTF-16, the NUL included (each has fewer than 32
// characters).
constexpr int kStartupErrorLength = 32;

// Converts a NUL-terminated Shift-JIS text; a text that does not fit comes
// out empty rather than cut.
void FromShiftJis(const char* bytes, wchar_t (&text)[kStartupErrorLength]) {
  if (MultiByteToWideChar(932, 0, bytes, -1, text, kStartupErrorLength) <= 0) text[0] = L'\0';
}

}  // namespace

PaperCheckDialog::PaperCheckDialog(MismatchReport& report, const TextCatalogue& catalogue, ExchangeFileSystem& files)
    : MappedDialog(IDD_PAPER_CHECK),
      report_(report),
      catalogue_(catalogue),
      channel_(files, report.exchangePath),
      help_(helpEngine_, state_.helpFileName),
      // The program ships no icon under this number, so the window shows none.
      icon_(LoadIconA(Application::instance, MAKEINTRESOURCEA(IDI_WINDOW_ICON))) {}

bool PaperCheckDialog::Parse(char* commandLine) { return ParseCommandLine(commandLine, report_, state_.codePage); }

BOOL PaperCheckDialog::OnInitDialog() {
  Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  GrayFixedWindowMenuItems(hwnd_);
  state_.codePage = SystemLeadBytes();

  static char commandLine[kCommandLineSize];
  if (!CopyCommandLine(GetCommandLineA(), commandLine) || !Parse(commandLine)) {
    ShowStartupError();
    Dialog::Confirm();
    return TRUE;
  }

  PaperCheckScreen(hwnd_).Show(ViewPaperCheck(report_, catalogue_, state_));
  pictures_.Attach(hwnd_);
  pictures_.ShowFor(WindowDpi(hwnd_));
  return TRUE;
}

INT_PTR PaperCheckDialog::OnDpiChanged() {
  // The window's DPI, not the one the message brings: where the system can
  // tell a window's own DPI it also scales the dialog itself (which it goes on
  // to do when this returns); older per-monitor systems leave the layout as
  // it was, and the system DPI keeps the pictures matching it.
  pictures_.ShowFor(WindowDpi(hwnd_));
  return FALSE;
}

void PaperCheckDialog::OnOK() {
  // The platform sends the focused push button's own command for Enter once
  // the button has taken the default style; where the first focus did not give
  // it that style, Enter arrives here and presses the button all the same.
  // Enter with the focus elsewhere (the tray selector) does nothing, so the
  // dialog never ends without a decision in the file.
  HWND focus = GetFocus();
  if (!focus || GetParent(focus) != hwnd_) return;
  const int id = GetDlgCtrlID(focus);
  if (HandlesClick(id)) Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
}

INT_PTR PaperCheckDialog::OnSystemCommand(WPARAM command) {
  // Move and Size are grayed in the window menu each time it opens; the
  // commands themselves are refused all the same (a keyboard shortcut or
  // another program may still send them). A drag of the title bar comes with
  // the hit-test code and is the platform's.
  if (command == SC_MOVE || command == SC_SIZE) return TRUE;
  return FALSE;
}

void PaperCheckDialog::ShowStartupError() {
  wchar_t text[kStartupErrorLength];
  wchar_t caption[kStartupErrorLength];
  FromShiftJis(kStartupErrorText, text);
  FromShiftJis(kStartupErrorCaption, caption);
  MessageBoxW(hwnd_, text, caption, 0);
}

INT_PTR PaperCheckDialog::OnPaint() {
  if (!IsMinimized()) return FALSE;  // the platform paints the dialog

  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
  RECT client;
  GetClientRect(hwnd_, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  if (icon_) DrawIcon(dc, x, y, icon_);
  EndPaint(hwnd_, &paint);
  return TRUE;
}

INT_PTR PaperCheckDialog::OnInitMenuPopup(LPARAM menuInfo) { return OnWindowMenuPopup(hwnd_, menuInfo); }

INT_PTR PaperCheckDialog::OnEnterIdle(WPARAM source, LPARAM window) { return OnMenuIdle(hwnd_, source, window); }

INT_PTR PaperCheckDialog::OnQueryDragIcon() { return reinterpret_cast<INT_PTR>(icon_); }

void PaperCheckDialog::OnRetry() { DecideAndEnd(DecisionCode::Retry); }

void PaperCheckDialog::OnIgnore() { DecideAndEnd(DecisionCode::Ignore); }

void PaperCheckDialog::OnCancelPrinting() { DecideAndEnd(DecisionCode::CancelPrinting); }

void PaperCheckDialog::DecideAndEnd(DecisionCode decision) {
  FileErrorBox errors(hwnd_);
  Decide(decision, channel_, errors, help_, *this);
}

void PaperCheckDialog::OnListFocus() {
  // The lists never keep the focus: it goes back to the previous tab stop.
  Send(WM_NEXTDLGCTL, 1, 0);
}

void PaperCheckDialog::OnTraySelection() {
  PaperCheckScreen screen(hwnd_);
  ColumnRows printerColumn;
  if (PrinterColumnForTray(report_, catalogue_, state_, screen.ChosenTray(), printerColumn)) {
    screen.ShowPrinterColumn(printerColumn);
  }
}

void PaperCheckDialog::OnHelp() { help_.Open(); }

void PaperCheckDialog::Hide() { Show(SW_HIDE); }

void PaperCheckDialog::RunWaitDialog() {
  RetrieveWaitDialog wait(channel_, catalogue_);
  wait.Run();
}

void PaperCheckDialog::Confirm() { Dialog::Confirm(); }

}  // namespace paperchk::win
