#pragma once
#include "dialog/decisions.h"
#include "dialog/paper_check_controls_win32.h"
#include "dialog/paper_check_logic.h"
#include "dialog/scaled_pictures_win32.h"
#include "exchange/exchange_file.h"
#include "framework/dialog.h"
#include "help/help_engine_win32.h"
#include "report/mismatch_report.h"
#include "resources/resource_ids.h"
#include "resources/text_catalogue.h"

// Sent when the window moves to a display of another scale; newer than the
// headers' target system.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace paperchk::win {

// The paper-check dialog: a switchboard between the window's messages and
// the paper-check logic.
class PaperCheckDialog final : public MappedDialog<PaperCheckDialog>, private PaperCheckWindow {
 public:
  PaperCheckDialog(MismatchReport& report, const TextCatalogue& catalogue, ExchangeFileSystem& files);

  // Parses the command line into the report (true on success).
  bool Parse(char* commandLine);

 private:
  friend class MappedDialog<PaperCheckDialog>;  // reads the message map

  // Message handlers, bound by the message map below (which cppcheck does not
  // follow: it takes them for unused).
  INT_PTR OnPaint(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnQueryDragIcon(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnRetry(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnIgnore(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnCancelPrinting(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnListFocus(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnTraySelection(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnHelp(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnSystemCommand(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnInitMenuPopup(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnEnterIdle(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap
  INT_PTR OnDpiChanged(WPARAM, LPARAM);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap

  static constexpr MessageEntry<PaperCheckDialog> kMessageMap[] = {
      OnMessage(WM_PAINT, &PaperCheckDialog::OnPaint),
      OnMessage(WM_QUERYDRAGICON, &PaperCheckDialog::OnQueryDragIcon),
      OnCommand(BN_CLICKED, IDC_RETRY, &PaperCheckDialog::OnRetry),
      OnCommand(BN_CLICKED, IDC_IGNORE, &PaperCheckDialog::OnIgnore),
      OnCommand(BN_CLICKED, IDC_CANCEL_PRINTING, &PaperCheckDialog::OnCancelPrinting),
      OnCommand(LBN_SETFOCUS, IDC_SETTING_LIST, &PaperCheckDialog::OnListFocus),
      OnCommand(LBN_SETFOCUS, IDC_APPLICATION_LIST, &PaperCheckDialog::OnListFocus),
      OnCommand(LBN_SETFOCUS, IDC_PRINTER_LIST, &PaperCheckDialog::OnListFocus),
      OnCommand(CBN_SELCHANGE, IDC_TRAY_COMBO, &PaperCheckDialog::OnTraySelection),
      OnCommand(BN_CLICKED, IDC_HELP_BUTTON, &PaperCheckDialog::OnHelp),
      OnMessage(WM_SYSCOMMAND, &PaperCheckDialog::OnSystemCommand),
      OnMessage(WM_INITMENUPOPUP, &PaperCheckDialog::OnInitMenuPopup),
      OnMessage(WM_ENTERIDLE, &PaperCheckDialog::OnEnterIdle),
      OnMessage(WM_DPICHANGED, &PaperCheckDialog::OnDpiChanged),
  };

  BOOL OnInitDialog() override;
  // Esc and the close command do nothing: the dialog ends only through a
  // decision.
  void OnCancel() override {}
  // Enter: presses the focused push button, or does nothing.
  void OnOK() override;

  void ShowStartupError();
  void DecideAndEnd(DecisionCode decision);

  // PaperCheckWindow
  void Hide() override;
  void RunWaitDialog() override;
  void Confirm() override;

  MismatchReport& report_;
  const TextCatalogue& catalogue_;
  PaperCheckState state_;
  ExchangeChannel channel_;
  WinHelpEngine helpEngine_;
  HelpSession help_;
  HICON icon_;
  ScaledPictures pictures_;
};

}  // namespace paperchk::win
