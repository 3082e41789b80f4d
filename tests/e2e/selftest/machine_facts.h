// What the self-test's report says first about the machine it ran on, and
// whether it can run at all.
#pragma once

#include <string>
#include <vector>

namespace selftest {

// "name: value" lines: Windows version and build, the machine's and this
// process's architecture, system code page, user interface language, DPI,
// session, Wine.
std::vector<std::string> MachineFacts();

// Why no check can run on this desktop (no desktop a person sees, a locked
// workstation), in one sentence; empty when it can.
std::string WhyNoDesktop();

// "x86", "x64", "arm64" or "unknown": the machine's own, and this process's.
std::string MachineArchitecture();
std::string ProcessArchitecture();

}  // namespace selftest
