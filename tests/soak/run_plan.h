// One run of the soak, drawn from its seed: the report paperchk is started
// with, what the exchange file holds before, what the user does (with real
// input) and what the driver does to the file meanwhile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "soak_driver.h"

namespace soak {

// How long a port is, which decides how it is shown: one line (1..15
// characters), two lines (16..27), two lines cut with "..." (28 and more),
// or a network path passed with commas for its backslashes.
enum class PortClass { OneLine, TwoLines, CutLines, Network };

// Real input: a mouse click on the control, or the keyboard (Tab to it,
// then Enter).
enum class Way { Mouse, Keyboard };

// What the driver does to the exchange file, besides the completion flag.
enum class FileFault {
  None,
  HeldAtDecision,     // held without sharing when the button is pressed
  HeldDuringWait,     // held for holdMs while the wait box polls
  CutDuringWait,      // shortened to cutTo bytes (fewer than 8)
  DeletedDuringWait,  // removed; the next poll creates it again, empty
  HeldWhileWritingFlag,  // the completion flag written under a 30 ms hold without sharing
};

// How long the driver of HeldWhileWritingFlag keeps the file after writing.
constexpr std::uint32_t kFlagHoldMs = 30;

// How the wait after "Riprova" ends, if no file error ends it.
enum class WaitEnd { Completion, Escape, Enter };

struct RunPlan {
  std::uint64_t seed = 0;

  std::string sampleName;
  // The client library builds the line from it; the run adds its exchange path.
  paperchk_client::Request report;
  PortClass portClass = PortClass::OneLine;

  bool fileBefore = false;                 // else there is no file at the start
  std::vector<std::uint8_t> initialBytes;  // the file's contents when fileBefore

  bool help = false;        // press "?" before deciding
  bool traySwitch = false;  // look at the other tray before deciding
  bool helpBeforeTray = true;
  bool trayBack = false;  // and switch back again
  std::uint32_t decision = drv::kIgnore;
  Way decisionWay = Way::Mouse;
  Way helpWay = Way::Mouse;
  Way boxCloseWay = Way::Mouse;  // how a file-error box is closed
  std::uint32_t thinkMs = 0;     // the longest pause between two actions

  FileFault fault = FileFault::None;
  bool holdPastWriteBox = false;  // HeldAtDecision: still held once the write box is closed
                                  // (with "Riprova": into the wait)
  std::uint32_t holdMs = 0;       // HeldDuringWait
  std::uint32_t cutTo = 0;        // CutDuringWait

  WaitEnd waitEnd = WaitEnd::Completion;
  std::uint32_t completionDelayMs = 0;  // from the wait box to the flag
};

RunPlan DrawPlan(std::uint64_t seed);

// One line for the log, e.g.
// "three-item, 2 items, port 16..27; ? then tray; Riprova by keyboard; cut to 3; flag after 1200 ms"
std::string Describe(const RunPlan& plan);
const char* PortClassName(PortClass portClass);

// The two port lines the dialog shows for a port (as the driver knows it,
// backslashes and all): 15 characters, then up to 12 more, or 12 and "...".
struct PortLines {
  std::wstring first;
  std::wstring second;
};
PortLines ExpectedPortLines(const std::wstring& port);

}  // namespace soak
