#include "exchange/retrieve_wait_dialog_win32.h"

#include "exchange/file_error_box_win32.h"
#include "resources/resource_ids.h"

namespace paperchk::win {

RetrieveWaitDialog::RetrieveWaitDialog(ExchangeChannel& channel, const TextCatalogue& catalogue)
    : MappedDialog(IDD_RETRIEVE_WAIT), channel_(channel), catalogue_(catalogue) {}

BOOL RetrieveWaitDialog::OnInitDialog() {
  SetTimer(hwnd_, ID_POLL_TIMER, POLL_PERIOD_MS, nullptr);
  SetItemText(IDC_WAIT_MESSAGE, Text(catalogue_, kTextWaitMessage).c_str());
  return TRUE;
}

INT_PTR RetrieveWaitDialog::OnTick(WPARAM, LPARAM) {
  FileErrorBox errors(hwnd_);
  if (PollTick(channel_, *this, errors)) ExitProcess(0);
  return TRUE;
}

void RetrieveWaitDialog::Stop() { KillTimer(hwnd_, ID_POLL_TIMER); }

}  // namespace paperchk::win
