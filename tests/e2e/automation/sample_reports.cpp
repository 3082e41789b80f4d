#include "test_automation.h"

#include <algorithm>
#include <cwchar>

namespace paperchk_driver {

namespace {

SampleReport ThreeItemSample() {
  SampleReport report;
  report.printerName = L"Stampante Ufficio 2";
  report.port = L"LPT1:";
  // The job asks for the upper tray, A4 and plain paper; the printer has
  // the lower tray selected, loaded with glossy A3.
  report.items = {
      {L"40001", L"30002", L"30005"},  // Percorso carta: Vassoio carta / (inferiore)
      {L"40002", L"50009", L"256"},    // Formato carta: A4 / A3
      {L"40003", L"20001", L"20005"},  // Tipo supporto: Carta Comune / patinata
  };
  report.paperSource = L"30005";    // current tray: the lower one
  report.twoTrayFlag = L"1";
  report.otherTraySize = L"768";    // the upper tray holds A4 ...
  report.otherTrayMedia = L"20001"; // ... plain paper
  return report;
}


}  // namespace

// ---------------------------------------------------------------------------
// Command line

std::vector<std::wstring> SampleNames() {
  return {L"three-item", L"two-item",       L"one-item",    L"manual-feed",
          L"auto-select", L"unknown-source", L"network-port"};
}

std::optional<SampleReport> NamedSample(const std::wstring& name) {
  SampleReport report = ThreeItemSample();
  if (name == L"three-item") return report;
  if (name == L"two-item") {
    report.items.resize(2);
    return report;
  }
  if (name == L"one-item") {
    report.items.resize(1);
    return report;
  }
  if (name == L"manual-feed") {
    report.items[0].printerValue = L"30004";
    report.paperSource = L"30004";
    return report;
  }
  if (name == L"auto-select") {
    report.items[0].printerValue = L"30006";
    report.paperSource = L"30006";
    report.twoTrayFlag = L"0";
    return report;
  }
  if (name == L"unknown-source") {
    report.paperSource = L"30999";
    return report;
  }
  if (name == L"network-port") {
    report.port = L"\\\\printserver01\\office-laser-2";
    return report;
  }
  return std::nullopt;
}

std::wstring ItemCountWord(std::size_t itemCount) {
  return std::to_wstring(itemCount) + L"_Item";
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

std::wstring ExchangePathOfTail(const std::wstring& tail) {
  const std::size_t wordEnd = tail.find(L' ');
  if (wordEnd == std::wstring::npos) return L"";
  const std::wstring word = tail.substr(0, wordEnd);
  std::size_t fieldCount = 0;
  for (std::size_t items = 1; items <= 3; ++items) {
    if (_wcsicmp(word.c_str(), ItemCountWord(items).c_str()) == 0) fieldCount = 6 + 3 * items;
  }
  if (fieldCount == 0) return L"";
  std::size_t position = wordEnd + 1;
  while (position < tail.size() && tail[position] == L' ') ++position;
  for (std::size_t field = 0; field < fieldCount; ++field) {
    while (position < tail.size() && tail[position] == L'\\') ++position;
    const std::size_t end = tail.find(L'\\', position);
    if (end == std::wstring::npos) return L"";
    position = end;
  }
  while (position < tail.size() && tail[position] == L'\\') ++position;
  while (position < tail.size() && tail[position] == L' ') ++position;
  const std::size_t end = tail.find(L' ', position);
  return tail.substr(position, end == std::wstring::npos ? std::wstring::npos : end - position);
}


}  // namespace paperchk_driver
