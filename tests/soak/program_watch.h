// Watches the program under test while a run goes on: every look at its
// windows sorts them (the paper-check dialog, the wait box, file-error
// boxes, anything else) and checks what must never be on the screen: a
// window the run did not provoke, more file-error boxes than the run allows,
// the paper-check dialog back after "Riprova". Failures are collected; a
// step that returns false ends the run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "soak_driver.h"

namespace soak {

// paperchk's visible dialogs, by kind.
struct Windows {
  HWND main = nullptr;
  HWND waitBox = nullptr;
  std::vector<HWND> fileBoxes;
  std::vector<HWND> strangers;  // anything else
};

// "'caption': text / text" of a window and its controls.
std::string Description(HWND window);

class ProgramWatch {
 public:
  using Condition = std::function<bool(const Windows&)>;

  explicit ProgramWatch(const drv::ProgramProcess& process) : process_(process) {}

  // Notes a failed check and returns false, for `return Fail(...)`.
  bool Fail(const std::string& what);
  bool failed() const { return !failures_.empty(); }
  const std::vector<std::string>& failures() const { return failures_; }

  void AllowFileBoxes(std::size_t count) { allowedFileBoxes_ = count; }
  void DialogMustStayHidden() { dialogMustStayHidden_ = true; }

  Windows Look() const;
  // False (with the failure noted) when the windows show what they must not.
  bool Check(const Windows& windows);
  // Looks until `done` holds (true), the time is over or paperchk has ended
  // (false); a failed check also gives false.
  bool Observe(const Condition& done, DWORD timeoutMs);
  // Observe, and a failure when `done` did not come: "no <what> within ...".
  bool Await(const Condition& done, DWORD timeoutMs, const std::string& what);
  // Time passes while paperchk must go on running with nothing unexpected.
  bool Watch(DWORD ms);

  std::string ExitStatusText() const;

 private:
  const drv::ProgramProcess& process_;
  std::size_t allowedFileBoxes_ = 0;
  bool dialogMustStayHidden_ = false;
  std::vector<std::string> failures_;
};

}  // namespace soak
