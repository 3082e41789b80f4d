#include "client/launcher_win32.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "client/protocol_files.h"

namespace paperchk_client {

namespace {

constexpr UINT kTerminatedStatus = 0xDEAD;
constexpr DWORD kWaitAfterTerminateMs = 5000;
constexpr int kFailedReadsToGiveUp = 20;  // one second at the usual poll interval

// The started paperchk. Ending it and closing its handle happen on every way
// out, an exception from the driver's callback included.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() {
    if (handle_ == nullptr) return;
    if (IsRunning()) Terminate();
    CloseHandle(handle_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Start(const std::string& programPath, const std::string& commandLine, DWORD& systemError) {
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    // No handle is inherited: paperchk opens the exchange file itself.
    if (!CreateProcessA(programPath.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
      systemError = GetLastError();
      return false;
    }
    CloseHandle(started.hThread);
    handle_ = started.hProcess;
    id_ = started.dwProcessId;
    return true;
  }

  std::uint32_t id() const { return id_; }

  bool IsRunning() const { return WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }
  // True when it has ended within the time.
  bool WaitForEnd(DWORD timeoutMs) const { return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0; }

  void Terminate() {
    TerminateProcess(handle_, kTerminatedStatus);
    WaitForSingleObject(handle_, kWaitAfterTerminateMs);
  }

  bool ExitStatus(std::uint32_t& status) const {
    DWORD code = 0;
    if (IsRunning() || !GetExitCodeProcess(handle_, &code)) return false;
    status = code;
    return true;
  }

 private:
  HANDLE handle_ = nullptr;
  std::uint32_t id_ = 0;
};

// GetTickCount wraps after 49 days; differences of its values do not.
class Deadline {
 public:
  explicit Deadline(std::uint32_t timeoutMs) : start_(GetTickCount()), timeoutMs_(timeoutMs) {}
  bool Passed() const { return timeoutMs_ != 0 && GetTickCount() - start_ >= timeoutMs_; }

 private:
  DWORD start_;
  std::uint32_t timeoutMs_;
};

// Ends paperchk if it still runs after `timeoutMs`, then reads its status.
void FinishProcess(ChildProcess& process, std::uint32_t timeoutMs, LaunchResult& result) {
  if (!process.WaitForEnd(timeoutMs)) {
    process.Terminate();
    result.terminated = true;
  }
  result.exitStatusKnown = process.ExitStatus(result.exitStatus);
}

// Waits until paperchk has written a decision or has ended. Returns the
// ending (Decided with the decision in `result`).
LaunchEnding WaitForDecision(const ChildProcess& process, ProtocolFileSystem& files, const std::string& exchangePath,
                             const LaunchOptions& options, LaunchResult& result) {
  const Deadline deadline(options.decisionTimeoutMs);
  const DWORD step = options.pollIntervalMs != 0 ? options.pollIntervalMs : 50;
  int failedReads = 0;
  for (;;) {
    // Whether it has ended is asked before the file is read, so a decision
    // written just before the end is not missed.
    const bool ended = process.WaitForEnd(step);
    const DecisionReading reading = ReadDecision(files, exchangePath.c_str());
    switch (reading.state) {
      case DecisionState::Decided: result.decision = reading.value; return LaunchEnding::Decided;
      case DecisionState::Unexpected: return LaunchEnding::FileFailed;
      case DecisionState::FileError:
        // Another program (a virus scanner, say) may hold the file for a
        // moment; only an error that lasts ends the wait. An ended paperchk
        // may have written its decision, so the file is read again.
        if (++failedReads >= kFailedReadsToGiveUp) return LaunchEnding::FileFailed;
        if (ended) Sleep(step);
        break;
      case DecisionState::None:
        if (ended) return LaunchEnding::ProcessGone;
        failedReads = 0;
        break;
    }
    if (deadline.Passed()) return LaunchEnding::TimedOut;
  }
}

}  // namespace

std::string ShortProgramPath(const std::string& programPath) {
  if (programPath.find(' ') == std::string::npos) return programPath;
  const DWORD needed = GetShortPathNameA(programPath.c_str(), nullptr, 0);
  if (needed == 0) return programPath;
  std::vector<char> shortPath(needed);
  const DWORD length = GetShortPathNameA(programPath.c_str(), shortPath.data(), needed);
  if (length == 0 || length >= needed) return programPath;
  return std::string(shortPath.data(), length);
}

LaunchResult Launch(const std::string& programPath, const Request& request, const LaunchOptions& options) {
  const std::string program = ShortProgramPath(programPath);
  std::string commandLine;
  const BuildError error = BuildCommandLine(program, request, commandLine);
  if (!error.ok()) {
    LaunchResult result;
    result.ending = LaunchEnding::RequestRefused;
    result.error = error;
    return result;
  }
  return LaunchCommandLine(program, commandLine, request.exchangePath, options);
}

LaunchResult LaunchCommandLine(const std::string& programPath, const std::string& commandLine,
                               const std::string& exchangePath, const LaunchOptions& options) {
  LaunchResult result;
  result.commandLine = commandLine;
  std::unique_ptr<ProtocolFileSystem> nativeFiles;
  ProtocolFileSystem* files = options.files;
  if (files == nullptr) {
    nativeFiles = MakeNativeProtocolFileSystem();
    files = nativeFiles.get();
  }
  // An old decision must not be taken for the user's.
  if (!PrepareExchangeFile(*files, exchangePath.c_str(), options.preparation)) {
    result.ending = LaunchEnding::FileFailed;
    return result;
  }

  ChildProcess process;
  DWORD systemError = 0;
  if (!process.Start(programPath, commandLine, systemError)) {
    result.ending = LaunchEnding::StartFailed;
    result.systemError = systemError;
    return result;
  }
  if (options.started) options.started(process.id());

  result.ending = WaitForDecision(process, *files, exchangePath, options, result);
  if (result.ending != LaunchEnding::Decided) {
    // Gone by itself, or given up: nothing more will come.
    FinishProcess(process, 0, result);
    return result;
  }
  if (result.decision == kRetry) {
    if (options.rereadPrinter) {
      result.rereadCalled = true;
      result.rereadSucceeded = options.rereadPrinter();
    }
    result.completionFlagWritten = WriteCompletionFlag(*files, exchangePath.c_str());
  }
  FinishProcess(process, options.endTimeoutMs, result);
  return result;
}

}  // namespace paperchk_client
