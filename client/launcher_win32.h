// Starts paperchk for a request and plays the driver's part until it ends:
// waits for the decision (or the process's end), after a retry calls back
// into the driver to read the printer again, writes the completion flag and
// waits for the end with a time limit. Never leaves a process or a handle
// behind: whatever still runs when the launcher gives up is ended.
// Windows only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "client/command_line.h"
#include "client/exchange_protocol.h"

namespace paperchk_client {

enum class LaunchEnding {
  Decided,         // `decision` came
  RequestRefused,  // the builder refused the request; paperchk never ran
  StartFailed,     // CreateProcess failed (`systemError`)
  FileFailed,      // the exchange file could not be prepared, or not read for 20 polls in a row
  ProcessGone,     // paperchk ended without a decision (its start-up error, say)
  TimedOut,        // no decision within the time; paperchk was ended
};

struct LaunchOptions {
  // Called once paperchk runs, with its process id, before the wait for the
  // decision begins (a driver may log it; the stand-in's unattended mode
  // presses a button from here).
  std::function<void(std::uint32_t processId)> started;
  // After "Riprova": read the printer again; false when that failed (the
  // completion flag is written either way, or paperchk would wait forever).
  std::function<bool()> rereadPrinter;
  Preparation preparation = Preparation::CreateEmpty;
  std::uint32_t decisionTimeoutMs = 0;  // 0: as long as the user takes
  std::uint32_t endTimeoutMs = 10000;   // paperchk polls once a second
  std::uint32_t pollIntervalMs = 50;
  ProtocolFileSystem* files = nullptr;  // null: the platform's files
};

struct LaunchResult {
  LaunchEnding ending = LaunchEnding::ProcessGone;
  std::uint32_t decision = 0;  // 1, 2 or 3 when Decided
  bool rereadCalled = false;
  bool rereadSucceeded = false;
  bool completionFlagWritten = false;
  bool exitStatusKnown = false;
  std::uint32_t exitStatus = 0;
  bool terminated = false;       // the launcher had to end paperchk
  std::uint32_t systemError = 0;  // of a failed CreateProcess
  BuildError error;               // with RequestRefused
  std::string commandLine;        // as started
};

// The path's short form when it holds a space (paperchk takes the first
// space for the end of its own path); the path itself otherwise, or when the
// file system has no short names (the builder then refuses it).
std::string ShortProgramPath(const std::string& programPath);

LaunchResult Launch(const std::string& programPath, const Request& request, const LaunchOptions& options);

// The same run for a command line built elsewhere, which nothing here checks:
// for tools that try out what paperchk does with a line the builder would
// refuse. `programPath` is the module started; `exchangePath` the file named
// in the line.
LaunchResult LaunchCommandLine(const std::string& programPath, const std::string& commandLine,
                               const std::string& exchangePath, const LaunchOptions& options);

}  // namespace paperchk_client
