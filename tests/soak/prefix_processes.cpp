#include "prefix_processes.h"

#include <tlhelp32.h>

namespace soak {

std::vector<ProcessEntry> RunningProcesses() {
  std::vector<ProcessEntry> processes;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return processes;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  if (Process32FirstW(snapshot, &entry)) {
    do {
      processes.push_back({entry.th32ProcessID, entry.szExeFile});
    } while (Process32NextW(snapshot, &entry));
  }
  CloseHandle(snapshot);
  return processes;
}

PrefixProcesses::PrefixProcesses() {
  for (const ProcessEntry& process : RunningProcesses()) baseline_.insert(process.id);
}

std::vector<ProcessEntry> PrefixProcesses::Newcomers() const {
  std::vector<ProcessEntry> newcomers;
  for (const ProcessEntry& process : RunningProcesses()) {
    if (baseline_.count(process.id) == 0) newcomers.push_back(process);
  }
  return newcomers;
}

}  // namespace soak
