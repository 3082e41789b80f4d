#pragma once
#include "exchange/exchange_file.h"
#include "framework/dialog.h"
#include "resources/text_catalogue.h"

namespace paperchk::win {

// The box shown after a retry: polls the exchange file once a second and
// ends the process as soon as the driver marks the record done.
class RetrieveWaitDialog final : public MappedDialog<RetrieveWaitDialog>, private PollTimer {
 public:
  RetrieveWaitDialog(ExchangeChannel& channel, const TextCatalogue& catalogue);

 private:
  friend class MappedDialog<RetrieveWaitDialog>;  // reads the message map

  // Message handlers, bound by the message map below (which cppcheck does not
  // follow: it takes them for unused).
  INT_PTR OnTick(WPARAM wparam, LPARAM lparam);  // cppcheck-suppress unusedPrivateFunction ; in kMessageMap

  static constexpr MessageEntry<RetrieveWaitDialog> kMessageMap[] = {
      OnMessage(WM_TIMER, &RetrieveWaitDialog::OnTick),
  };

  BOOL OnInitDialog() override;
  void Stop() override;

  ExchangeChannel& channel_;
  const TextCatalogue& catalogue_;
};

}  // namespace paperchk::win
