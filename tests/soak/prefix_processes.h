// The Windows processes of the soak's Wine prefix (one wineserver: every
// process the snapshot lists belongs to it). The soak takes the set once
// it is running; after each run any process that was not there before
// (paperchk, a help viewer, anything they started) is a leftover.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace soak {

struct ProcessEntry {
  DWORD id = 0;
  std::wstring name;
};

std::vector<ProcessEntry> RunningProcesses();

class PrefixProcesses {
 public:
  // The processes running now (this one included) are the baseline.
  PrefixProcesses();
  // Processes started since, that are still there.
  std::vector<ProcessEntry> Newcomers() const;

 private:
  std::set<DWORD> baseline_;
};

}  // namespace soak
