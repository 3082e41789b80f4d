#include "test_automation.h"

#include <algorithm>
#include <cwchar>

#include "sample_requests.h"

namespace paperchk_driver {

namespace {

// A sample as the stand-in sends it, as text (every code in decimal).
SampleReport ReportOf(const paperchk_client::Request& request) {
  SampleReport report;
  report.printerName = Widen(request.printerName);
  report.port = Widen(request.port);
  for (const paperchk_client::RequestItem& item : request.items) {
    report.items.push_back({std::to_wstring(item.settingName), std::to_wstring(item.applicationValue),
                            std::to_wstring(item.printerValue)});
  }
  report.paperSource = std::to_wstring(request.paperSource);
  report.twoTrayFlag = request.secondTrayShown ? L"1" : L"0";
  report.otherTraySize = std::to_wstring(request.otherTraySize);
  report.otherTrayMedia = std::to_wstring(request.otherTrayMedia);
  return report;
}

}  // namespace

// ---------------------------------------------------------------------------
// Command line

std::vector<std::wstring> SampleNames() {
  std::vector<std::wstring> names;
  for (const std::string& name : SampleRequestNames()) names.push_back(Widen(name));
  return names;
}

std::optional<SampleReport> NamedSample(const std::wstring& name) {
  const std::optional<paperchk_client::Request> request = SampleRequest(Utf8(name));
  if (!request) return std::nullopt;
  return ReportOf(*request);
}


std::wstring PortForCommandLine(const std::wstring& port) {
  std::wstring result = port;
  std::replace(result.begin(), result.end(), L'\\', L',');
  return result;
}

std::wstring CommandLineTail(const SampleReport& report, const std::wstring& exchangePath) {
  std::wstring tail = ItemCountWord(report.items.size()) + L" ";
  tail += L"\"" + report.printerName + L"\"";
  tail += L"\\" + PortForCommandLine(report.port);
  for (const ReportItem& item : report.items) {
    tail += L"\\" + item.settingName + L"\\" + item.applicationValue + L"\\" + item.printerValue;
  }
  tail += L"\\" + report.paperSource + L"\\" + report.twoTrayFlag + L"\\" + report.otherTraySize +
          L"\\" + report.otherTrayMedia + L"\\" + exchangePath;
  return tail;
}

std::wstring BuildCommandLine(const std::wstring& programPath, const std::wstring& tail) {
  std::wstring program = programPath;
  if (program.find(L' ') != std::wstring::npos) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(program.c_str(), shortPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) program = shortPath;
  }
  return program + L" " + tail;
}



}  // namespace paperchk_driver
