#include "dialog/decisions.h"

namespace paperchk {

void Decide(DecisionCode decision, ExchangeChannel& channel, FileErrorReporter& errors,
            HelpSession& help, PaperCheckWindow& window) {
  // A failed write has already been shown; the user's choice still ends the dialog.
  channel.WriteDecision(decision, errors);

  if (decision == DecisionCode::Retry) {
    window.Hide();
    // The caller's completion ends the process inside this run; it returns
    // only when the user dismissed the wait box.
    window.RunWaitDialog();
  }

  help.CloseIfOpened();
  window.Confirm();
}

}  // namespace paperchk
