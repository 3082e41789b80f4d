// Carries out one drawn run against the real paperchk.exe and checks what
// the program must do: the decision in the file is the button pressed,
// bytes 8 onwards unchanged, exit status 0, the end within 1.05 s of the
// completion flag, no message box the run did not provoke, help closed
// exactly when it must be, and nothing left running in the prefix.
#pragma once

#include <string>

#include "prefix_processes.h"
#include "run_plan.h"
#include "soak_driver.h"

namespace soak {

struct SoakContext {
  std::wstring paperchkPath;
  drv::RealInput* input = nullptr;
  HelpEngineStandIn* help = nullptr;
  const PrefixProcesses* processes = nullptr;
};

struct RunOutcome {
  bool passed = false;
  std::string failure;      // the first check that failed
  double flagToEndMs = -1;  // after a completed retry
  // HeldWhileWritingFlag: from the driver letting go to the end, or a tick
  // that fell inside the hold (its box closed, which ends the process).
  double releaseToEndMs = -1;
  bool tickInHold = false;
  double durationMs = 0;
};

RunOutcome ExecuteRun(const RunPlan& plan, const SoakContext& context);

// The completion flag must end the wait within this time: one poll period
// and a little for the poll and the end of the process.
constexpr double kFlagToEndLimitMs = 1050;

}  // namespace soak
