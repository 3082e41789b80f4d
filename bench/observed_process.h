#pragma once
// A program the bench starts with CreateProcess and watches from outside, as
// a driver would: its windows, its end, its CPU time and its memory.
#include <windows.h>

#include <string>

namespace bench {

// Seconds on the performance counter.
double Now();
// This process's user and kernel time so far, in seconds (-1 when unknown).
double OwnCpuSeconds();

class ObservedProcess {
 public:
  ObservedProcess() = default;
  ~ObservedProcess();
  ObservedProcess(const ObservedProcess&) = delete;
  ObservedProcess& operator=(const ObservedProcess&) = delete;

  // Starts `commandLine`; false when CreateProcess fails. started() is the
  // time just before the call.
  bool Start(const std::wstring& commandLine);
  double started() const { return started_; }

  // Polls every millisecond (at most `timeoutSeconds`) for a visible
  // top-level window of the process other than `except`; with `titled` only a
  // window whose title is not empty counts. Returns it, or nullptr.
  HWND WaitForVisibleWindow(double timeoutSeconds, bool titled, HWND except = nullptr) const;
  // Polls every millisecond for the process's end; false on timeout.
  bool WaitForExit(double timeoutSeconds) const;
  bool Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  DWORD ExitCode() const;

  // User and kernel time used so far (GetProcessTimes), in seconds; -1 when
  // unknown.
  double CpuSeconds() const;
  // Peak working set so far, in bytes (0 when unknown).
  SIZE_T PeakWorkingSet() const;

  // Ends the process if it still runs, and waits for it.
  void Terminate();

 private:
  PROCESS_INFORMATION info_{};
  HANDLE process_ = nullptr;
  double started_ = 0;
};

}  // namespace bench
