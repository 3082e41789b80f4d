#include "run_plan.h"

#include "random_source.h"

namespace soak {
namespace {

using Codes = std::vector<std::uint32_t>;

// Codes with a text in the program's catalogue, by what they name.
const Codes kSettingCodes = {40001, 40002, 40003};
const Codes kSourceCodes = {30001, 30002, 30003, 30004, 30005, 30006};
const Codes kMediaCodes = {20001, 20002, 20003, 20004, 20005, 20006, 20007, 20008, 20009, 20010};
const Codes kPrinterSizeCodes = {256,  257,  512,  513,  768,  769,  1024, 1025,  1280,  1536,  1792,  2048,
                                 2049, 2304, 2305, 2560, 2561, 3072, 3328, 7168,  8192,  8961,  9985,  10753,
                                 11009, 11520, 11776, 12032, 12288, 12544};
const Codes kApplicationSizeCodes = {50001, 50005, 50007, 50008, 50009, 50011, 50012, 50013, 50020, 50027, 50028,
                                     50031, 50256, 50257, 50258, 50259, 50260, 50261, 50262, 50263, 50264, 50266,
                                     50267, 50268, 50269, 50270, 50287, 50288, 50291, 50292, 50293, 50294, 50296};

constexpr char kPortCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789:._-,";
constexpr char kNameCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomText(RandomSource& random, const char* alphabet, std::size_t alphabetSize, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    text += alphabet[random.Between(0, static_cast<std::uint32_t>(alphabetSize - 1))];
  }
  return text;
}

template <std::size_t N>
std::string RandomText(RandomSource& random, const char (&alphabet)[N], std::size_t length) {
  return RandomText(random, alphabet, N - 1, length);
}

// Words of letters and digits with single spaces between them.
std::string RandomName(RandomSource& random, std::size_t words) {
  std::string name;
  for (std::size_t i = 0; i < words; ++i) {
    if (i > 0) name += ' ';
    name += RandomText(random, kNameCharacters, random.Between(1, 12));
  }
  return name;
}

// A port of the class; never empty, no backslash, no leading comma (two
// leading commas would make it a network path). Inner single spaces are
// fine: the port is a backslash-separated field.
std::string RandomPort(RandomSource& random, PortClass portClass) {
  if (portClass == PortClass::Network) {
    std::string path = "\\\\" + RandomText(random, kNameCharacters, random.Between(1, 20));
    const std::uint32_t parts = random.Between(1, 3);
    for (std::uint32_t i = 0; i < parts; ++i)
      path += "\\" + RandomText(random, kNameCharacters, random.Between(1, 16));
    return path;
  }
  std::uint32_t length = 0;
  switch (portClass) {
    case PortClass::OneLine: length = random.Between(1, 15); break;
    case PortClass::TwoLines: length = random.Between(16, 27); break;
    case PortClass::CutLines: length = random.Percent(10) ? random.Between(400, 511) : random.Between(28, 90); break;
    case PortClass::Network: break;
  }
  std::string port = RandomText(random, kNameCharacters, 1);
  while (port.size() < length) {
    const bool space = port.size() + 1 < length && port.back() != ' ' && random.Percent(8);
    port += space ? std::string(" ") : RandomText(random, kPortCharacters, 1);
  }
  return port;
}

// Values that fit the setting the item names; application sizes differ
// from printer sizes.
std::uint32_t RandomValue(RandomSource& random, std::uint32_t setting, bool application) {
  if (setting == 40001) return random.Pick(kSourceCodes);
  if (setting == 40002) return random.Pick(application ? kApplicationSizeCodes : kPrinterSizeCodes);
  return random.Pick(kMediaCodes);
}

void DrawReport(RandomSource& random, RunPlan& plan) {
  plan.sampleName = random.Pick(SampleRequestNames());
  paperchk_client::Request& report = plan.report;
  report = *SampleRequest(plan.sampleName);

  std::size_t items = random.Between(1, 3);
  if (plan.sampleName == "one-item") items = 1;
  if (plan.sampleName == "two-item") items = 2;
  if (plan.sampleName == "three-item") items = 3;
  report.items.resize(items);
  for (std::size_t k = 0; k < items; ++k) {
    // Mostly the settings in their own order, which lets the tray selector
    // show the other tray's values.
    paperchk_client::RequestItem& item = report.items[k];
    item.settingName = random.Percent(85) ? kSettingCodes[k] : random.Pick(kSettingCodes);
    item.applicationValue = RandomValue(random, item.settingName, true);
    item.printerValue = RandomValue(random, item.settingName, false);
  }

  // What makes each sample what it is: its paper source and trays.
  if (plan.sampleName == "manual-feed") {
    report.paperSource = random.Percent(50) ? 30001 : 30004;
  } else if (plan.sampleName == "auto-select") {
    report.paperSource = random.Percent(50) ? 30006 : 30003;
    report.secondTrayShown = false;
  } else if (plan.sampleName != "unknown-source") {
    report.paperSource = random.Percent(50) ? 30002 : 30005;
  }
  if (report.items[0].settingName == 40001 && plan.sampleName != "unknown-source") {
    report.items[0].printerValue = report.paperSource;
  }
  report.otherTraySize = random.Pick(kPrinterSizeCodes);
  report.otherTrayMedia = random.Pick(kMediaCodes);
  report.printerName = RandomName(random, random.Between(1, 4));

  const std::uint32_t portDraw = random.Between(1, 100);
  plan.portClass = plan.sampleName == "network-port" || portDraw > 85 ? PortClass::Network
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
  std::string line = plan.sampleName + ", " + std::to_string(plan.report.items.size()) + " item" +
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
