#include "run_plan.h"

#include "random_source.h"

namespace soak {
namespace {

using Codes = std::vector<std::wstring>;

// Codes with a text in the program's catalogue, by what they name.
const Codes kSettingCodes = {L"40001", L"40002", L"40003"};
const Codes kSourceCodes = {L"30001", L"30002", L"30003", L"30004", L"30005", L"30006"};
const Codes kMediaCodes = {L"20001", L"20002", L"20003", L"20004", L"20005",
                           L"20006", L"20007", L"20008", L"20009", L"20010"};
const Codes kPrinterSizeCodes = {L"256",   L"257",   L"512",   L"513",   L"768",   L"769",  L"1024", L"1025",
                                 L"1280",  L"1536",  L"1792",  L"2048",  L"2049",  L"2304", L"2305", L"2560",
                                 L"2561",  L"3072",  L"3328",  L"7168",  L"8192",  L"8961", L"9985", L"10753",
                                 L"11009", L"11520", L"11776", L"12032", L"12288", L"12544"};
const Codes kApplicationSizeCodes = {
    L"50001", L"50005", L"50007", L"50008", L"50009", L"50011", L"50012", L"50013", L"50020", L"50027", L"50028",
    L"50031", L"50256", L"50257", L"50258", L"50259", L"50260", L"50261", L"50262", L"50263", L"50264", L"50266",
    L"50267", L"50268", L"50269", L"50270", L"50287", L"50288", L"50291", L"50292", L"50293", L"50294", L"50296"};

constexpr wchar_t kPortCharacters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789:._-,";
constexpr wchar_t kNameCharacters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::wstring RandomText(RandomSource& random, const wchar_t* alphabet, std::size_t alphabetSize, std::size_t length) {
  std::wstring text;
  for (std::size_t i = 0; i < length; ++i) {
    text += alphabet[random.Between(0, static_cast<std::uint32_t>(alphabetSize - 1))];
  }
  return text;
}

template <std::size_t N>
std::wstring RandomText(RandomSource& random, const wchar_t (&alphabet)[N], std::size_t length) {
  return RandomText(random, alphabet, N - 1, length);
}

// Words of letters and digits with single spaces between them.
std::wstring RandomName(RandomSource& random, std::size_t words) {
  std::wstring name;
  for (std::size_t i = 0; i < words; ++i) {
    if (i > 0) name += L' ';
    name += RandomText(random, kNameCharacters, random.Between(1, 12));
  }
  return name;
}

// A port of the class; never empty, no backslash, no leading comma (two
// leading commas would make it a network path). Inner single spaces are
// fine: the port is a backslash-separated field.
std::wstring RandomPort(RandomSource& random, PortClass portClass) {
  if (portClass == PortClass::Network) {
    std::wstring path = L"\\\\" + RandomText(random, kNameCharacters, random.Between(1, 20));
    const std::uint32_t parts = random.Between(1, 3);
    for (std::uint32_t i = 0; i < parts; ++i)
      path += L"\\" + RandomText(random, kNameCharacters, random.Between(1, 16));
    return path;
  }
  std::uint32_t length = 0;
  switch (portClass) {
    case PortClass::OneLine: length = random.Between(1, 15); break;
    case PortClass::TwoLines: length = random.Between(16, 27); break;
    case PortClass::CutLines: length = random.Percent(10) ? random.Between(400, 511) : random.Between(28, 90); break;
    case PortClass::Network: break;
  }
  std::wstring port = RandomText(random, kNameCharacters, 1);
  while (port.size() < length) {
    const bool space = port.size() + 1 < length && port.back() != L' ' && random.Percent(8);
    port += space ? std::wstring(L" ") : RandomText(random, kPortCharacters, 1);
  }
  return port;
}

// Values that fit the setting the item names; application sizes differ
// from printer sizes.
std::wstring RandomValue(RandomSource& random, const std::wstring& setting, bool application) {
  if (setting == L"40001") return random.Pick(kSourceCodes);
  if (setting == L"40002") return random.Pick(application ? kApplicationSizeCodes : kPrinterSizeCodes);
  return random.Pick(kMediaCodes);
}

void DrawReport(RandomSource& random, RunPlan& plan) {
  plan.sampleName = random.Pick(drv::SampleNames());
  drv::SampleReport& report = plan.report;
  report = *drv::NamedSample(plan.sampleName);

  std::size_t items = random.Between(1, 3);
  if (plan.sampleName == L"one-item") items = 1;
  if (plan.sampleName == L"two-item") items = 2;
  if (plan.sampleName == L"three-item") items = 3;
  report.items.resize(items);
  for (std::size_t k = 0; k < items; ++k) {
    // Mostly the settings in their own order, which lets the tray selector
    // show the other tray's values.
    drv::ReportItem& item = report.items[k];
    item.settingName = random.Percent(85) ? kSettingCodes[k] : random.Pick(kSettingCodes);
    item.applicationValue = RandomValue(random, item.settingName, true);
    item.printerValue = RandomValue(random, item.settingName, false);
  }

  // What makes each sample what it is: its paper source and trays.
  if (plan.sampleName == L"manual-feed") {
    report.paperSource = random.Percent(50) ? L"30001" : L"30004";
  } else if (plan.sampleName == L"auto-select") {
    report.paperSource = random.Percent(50) ? L"30006" : L"30003";
    report.twoTrayFlag = L"0";
  } else if (plan.sampleName != L"unknown-source") {
    report.paperSource = random.Percent(50) ? L"30002" : L"30005";
  }
  if (report.items[0].settingName == L"40001" && plan.sampleName != L"unknown-source") {
    report.items[0].printerValue = report.paperSource;
  }
  report.otherTraySize = random.Pick(kPrinterSizeCodes);
  report.otherTrayMedia = random.Pick(kMediaCodes);
  report.printerName = RandomName(random, random.Between(1, 4));

  const std::uint32_t portDraw = random.Between(1, 100);
  plan.portClass = plan.sampleName == L"network-port" || portDraw > 85 ? PortClass::Network
                   : portDraw > 60                                     ? PortClass::CutLines
                   : portDraw > 30                                     ? PortClass::TwoLines
                                                                       : PortClass::OneLine;
  report.port = RandomPort(random, plan.portClass);
}

void DrawFile(RandomSource& random, RunPlan& plan) {
  const std::uint32_t draw = random.Between(1, 100);
  plan.fileBefore = draw > 25;
  if (!plan.fileBefore) return;
  plan.initialBytes = drv::EncodeRecord({0, 0});
  if (draw > 45) {
    // Bytes the driver keeps after the record: paperchk must leave them.
    const std::uint32_t extra = random.Between(1, 24);
    for (std::uint32_t i = 0; i < extra; ++i) plan.initialBytes.push_back(static_cast<std::uint8_t>(random.Next()));
  }
}

void DrawActions(RandomSource& random, RunPlan& plan) {
  plan.help = random.Percent(30);
  plan.traySwitch = random.Percent(35);
  plan.helpBeforeTray = random.Percent(50);
  plan.trayBack = random.Percent(50);
  const std::uint32_t decision = random.Between(1, 100);
  plan.decision = decision <= 50 ? drv::kRetry : decision <= 75 ? drv::kIgnore : drv::kCancelPrinting;
  plan.decisionWay = random.Percent(50) ? Way::Mouse : Way::Keyboard;
  plan.helpWay = random.Percent(50) ? Way::Mouse : Way::Keyboard;
  plan.boxCloseWay = random.Percent(50) ? Way::Mouse : Way::Keyboard;
  plan.thinkMs = random.Between(0, 400);
}

void DrawFault(RandomSource& random, RunPlan& plan) {
  const std::uint32_t draw = random.Between(1, 100);
  if (plan.decision != drv::kRetry) {
    plan.fault = draw <= 15 ? FileFault::HeldAtDecision : FileFault::None;
  } else {
    plan.fault = draw <= 10   ? FileFault::HeldAtDecision
                 : draw <= 20 ? FileFault::HeldDuringWait
                 : draw <= 28 ? FileFault::CutDuringWait
                 : draw <= 34 ? FileFault::DeletedDuringWait
                 : draw <= 46 ? FileFault::HeldWhileWritingFlag
                              : FileFault::None;
  }
  plan.holdPastWriteBox = random.Percent(50);
  plan.holdMs = random.Between(200, 2500);
  plan.cutTo = random.Between(0, 7);

  const std::uint32_t end = random.Between(1, 100);
  plan.waitEnd = end <= 70 ? WaitEnd::Completion : end <= 85 ? WaitEnd::Escape : WaitEnd::Enter;
  // The held write is the driver's completion.
  if (plan.fault == FileFault::HeldWhileWritingFlag) plan.waitEnd = WaitEnd::Completion;
  plan.completionDelayMs = random.Between(0, 2500);
}

const char* WayName(Way way) { return way == Way::Mouse ? "mouse" : "keyboard"; }

}  // namespace

RunPlan DrawPlan(std::uint64_t seed) {
  RandomSource random(seed);
  RunPlan plan;
  plan.seed = seed;
  DrawReport(random, plan);
  DrawFile(random, plan);
  DrawActions(random, plan);
  DrawFault(random, plan);
  return plan;
}

const char* PortClassName(PortClass portClass) {
  switch (portClass) {
    case PortClass::OneLine: return "port 1..15";
    case PortClass::TwoLines: return "port 16..27";
    case PortClass::CutLines: return "port 28+";
    case PortClass::Network: return "network port";
  }
  return "?";
}

std::string Describe(const RunPlan& plan) {
  std::string line = drv::Utf8(plan.sampleName) + ", " + std::to_string(plan.report.items.size()) + " item" +
                     (plan.report.items.size() == 1 ? "" : "s") + ", " + PortClassName(plan.portClass) + " (" +
                     std::to_string(plan.report.port.size()) + "), file " +
                     (plan.fileBefore ? std::to_string(plan.initialBytes.size()) + " bytes" : "absent") + ";";
  if (plan.help && plan.traySwitch) {
    line += plan.helpBeforeTray ? " ? then tray;" : " tray then ?;";
  } else if (plan.help) {
    line += " ?;";
  } else if (plan.traySwitch) {
    line += " tray;";
  }
  if (plan.traySwitch && plan.trayBack) line.insert(line.size() - 1, " and back");
  line += std::string(" ") + drv::Utf8(drv::DecisionName(plan.decision)) + " by " + WayName(plan.decisionWay);
  switch (plan.fault) {
    case FileFault::None: break;
    case FileFault::HeldAtDecision:
      line += "; file held at the decision";
      if (plan.decision == drv::kRetry) {
        line += plan.holdPastWriteBox ? " and into the wait (poll box up " + std::to_string(plan.holdMs) + " ms)"
                                      : " until its box closes";
      } else if (plan.holdPastWriteBox) {
        line += " until the end";
      }
      break;
    case FileFault::HeldDuringWait: line += "; file held " + std::to_string(plan.holdMs) + " ms in the wait"; break;
    case FileFault::CutDuringWait: line += "; file cut to " + std::to_string(plan.cutTo) + " in the wait"; break;
    case FileFault::DeletedDuringWait: line += "; file deleted in the wait"; break;
    case FileFault::HeldWhileWritingFlag:
      line += "; flag written under a " + std::to_string(kFlagHoldMs) + " ms hold";
      break;
  }
  if (plan.decision == drv::kRetry) {
    switch (plan.waitEnd) {
      case WaitEnd::Completion: line += "; flag after " + std::to_string(plan.completionDelayMs) + " ms"; break;
      case WaitEnd::Escape: line += "; Esc in the wait box"; break;
      case WaitEnd::Enter: line += "; Enter in the wait box"; break;
    }
  }
  return line;
}

PortLines ExpectedPortLines(const std::wstring& port) {
  constexpr std::size_t kFirst = 15;
  constexpr std::size_t kSecond = 12;
  PortLines lines;
  lines.first = port.substr(0, kFirst);
  if (port.size() > kFirst) {
    const std::wstring rest = port.substr(kFirst);
    lines.second = rest.size() <= kSecond ? rest : rest.substr(0, kSecond) + L"...";
  }
  return lines;
}

}  // namespace soak
