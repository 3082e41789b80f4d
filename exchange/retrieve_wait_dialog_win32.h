#pragma once
#include "exchange/completion_watch.h"
#include "exchange/exchange_file.h"
#include "exchange/folder_change_notification_win32.h"
#include "framework/dialog.h"
#include "report/mismatch_report.h"
#include "resources/text_catalogue.h"

namespace paperchk::win {

// The box shown after a retry: polls the exchange file once a second, also
// reads it as soon as its folder changes, and ends the process as soon as
// the driver marks the record done.
class RetrieveWaitDialog final : public MappedDialog<RetrieveWaitDialog>, private PollTimer, private ModalWaits {
 public:
  RetrieveWaitDialog(ExchangeChannel& channel, const TextCatalogue& catalogue);

  // Runs the box modally, watching the folder while it is shown.
  INT_PTR Run() { return DoModal(static_cast<ModalWaits&>(*this)); }

 private:
  friend class MappedDialog<RetrieveWaitDialog>;  // reads the message map

  INT_PTR OnTick();

  static const auto& MessageMap() {
    static constexpr MessageEntry<RetrieveWaitDialog> kMap[] = {
        OnMessage(WM_TIMER, &RetrieveWaitDialog::OnTick),
    };
    return kMap;
  }

  BOOL OnInitDialog() override;
  void Stop() override;

  HANDLE WaitHandle() override;
  DWORD MsUntilDeadline() override;
  void OnSignalled() override;
  void OnDeadline() override;

  const TextCatalogue& catalogue_;
  char folder_[kExchangePathSize];
  FolderChangeNotification notification_;
  CompletionWatch watch_;
};

}  // namespace paperchk::win
