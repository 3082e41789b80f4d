#pragma once
#include "dialog/decisions.h"
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

  // Each handler is one row of the map and takes what it uses.
  INT_PTR OnPaint();
  INT_PTR OnQueryDragIcon();
  void OnRetry();
  void OnIgnore();
  void OnCancelPrinting();
  void OnListFocus();
  void OnTraySelection();
  void OnHelp();
  INT_PTR OnSystemCommand(WPARAM command);
  INT_PTR OnInitMenuPopup(LPARAM menuInfo);
  INT_PTR OnEnterIdle(WPARAM source, LPARAM window);
  INT_PTR OnDpiChanged();

  // The push buttons are the BN_CLICKED rows (Enter presses them, OnOK).
  static const auto& MessageMap() {
    static constexpr MessageEntry<PaperCheckDialog> kMap[] = {
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
    return kMap;
  }

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
