#pragma once
#include "exchange/exchange_file.h"
#include "help/help_file.h"

namespace paperchk {

// What a decision does to the paper-check window.
class PaperCheckWindow {
 public:
  virtual ~PaperCheckWindow() = default;
  virtual void Hide() = 0;
  // Runs the wait dialog modally; returns only if the user dismissed it (the
  // caller's completion ends the process inside the run).
  virtual void RunWaitDialog() = 0;
  // Ends the dialog with the OK result (the confirm operation).
  virtual void Confirm() = 0;
};

// Turns the decision buttons into the exchange record and the window's end.
// A failed write has shown its message; the sequence goes on regardless.
void Decide(DecisionCode decision, ExchangeChannel& channel, FileErrorReporter& errors,
            HelpSession& help, PaperCheckWindow& window);

}  // namespace paperchk
