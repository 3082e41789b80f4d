#include "client/command_line.h"

#include <algorithm>

namespace paperchk_client {

namespace {

// The longest line the other limits allow stays within paperchk's line
// buffer, so no accepted request can be refused for its length as a whole.
constexpr std::size_t kMaxCodeDigits = 5;  // 65535
constexpr std::size_t kCodeFields = 3 * kMaxItems + 4;
constexpr std::size_t kLongestCommandLine =
    kMaxProgramPathLength + 1 + (sizeof "3_Item" - 1) + 1 + (kMaxPrinterNameLength + 2) + 1 + kMaxPortLength +
    kCodeFields * (1 + kMaxCodeDigits) + 1 + kMaxExchangePathLength;
static_assert(kLongestCommandLine <= kMaxCommandLineLength,
              "the field limits must keep every command line within paperchk's buffer");

BuildError Refuse(Field field, Rule rule, std::size_t limit = 0, std::size_t item = 0) {
  BuildError error;
  error.field = field;
  error.rule = rule;
  error.limit = limit;
  error.item = item;
  return error;
}

bool Contains(const std::string& text, char character) { return text.find(character) != std::string::npos; }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// A field that paperchk reads up to the next space: the program path and the
// exchange path. It also skips spaces in front of it.
BuildError CheckSpaceDelimited(const std::string& text, Field field, std::size_t maxLength) {
  if (text.empty()) return Refuse(field, Rule::Empty);
  if (Contains(text, '\0')) return Refuse(field, Rule::Nul);
  if (Contains(text, ' ')) return Refuse(field, Rule::Space);
  if (text.size() > maxLength) return Refuse(field, Rule::TooLong, maxLength);
  return {};
}

BuildError CheckPrinterName(const std::string& name) {
  if (Contains(name, '\0')) return Refuse(Field::PrinterName, Rule::Nul);
  if (Contains(name, '\\')) {
    const bool connection = StartsWith(name, "\\\\");
    return Refuse(Field::PrinterName, connection ? Rule::PrinterConnection : Rule::Backslash);
  }
  // Any characters may stand between the quotes, quotes and spaces
  // included: paperchk drops the first and the last character of the field.
  if (name.size() > kMaxPrinterNameLength) return Refuse(Field::PrinterName, Rule::TooLong, kMaxPrinterNameLength);
  return {};
}

// paperchk turns every comma of a port starting with ",," into a backslash,
// so only a port whose trip there and back gives itself is accepted.
BuildError CheckPort(const std::string& port) {
  if (port.empty()) return Refuse(Field::Port, Rule::Empty);
  if (Contains(port, '\0')) return Refuse(Field::Port, Rule::Nul);
  if (port.size() > kMaxPortLength) return Refuse(Field::Port, Rule::TooLong, kMaxPortLength);
  if (Contains(port, '\\')) {
    if (!StartsWith(port, "\\\\")) return Refuse(Field::Port, Rule::NotNetworkPath);
    if (Contains(port, ',')) return Refuse(Field::Port, Rule::CommaInNetworkPath);
  } else if (StartsWith(port, ",,")) {
    return Refuse(Field::Port, Rule::MisreadAsNetworkPath);
  }
  return {};
}

BuildError CheckCode(std::uint32_t code, Field field, std::size_t item = 0) {
  if (code > kMaxCode) return Refuse(field, Rule::CodeOutOfRange, kMaxCode, item);
  return {};
}

BuildError CheckRequest(const Request& request) {
  BuildError error = CheckPrinterName(request.printerName);
  if (!error.ok()) return error;
  error = CheckPort(request.port);
  if (!error.ok()) return error;
  if (request.items.empty() || request.items.size() > kMaxItems) {
    return Refuse(Field::Items, Rule::ItemCount, kMaxItems);
  }
  for (std::size_t index = 0; index < request.items.size(); ++index) {
    const RequestItem& item = request.items[index];
    const std::size_t number = index + 1;
    for (const BuildError& itemError : {CheckCode(item.settingName, Field::SettingName, number),
                                        CheckCode(item.applicationValue, Field::ApplicationValue, number),
                                        CheckCode(item.printerValue, Field::PrinterValue, number)}) {
      if (!itemError.ok()) return itemError;
    }
  }
  for (const BuildError& trayError : {CheckCode(request.paperSource, Field::PaperSource),
                                      CheckCode(request.otherTraySize, Field::OtherTraySize),
                                      CheckCode(request.otherTrayMedia, Field::OtherTrayMedia)}) {
    if (!trayError.ok()) return trayError;
  }
  return CheckSpaceDelimited(request.exchangePath, Field::ExchangePath, kMaxExchangePathLength);
}

// A network port travels with commas for its backslashes.
std::string PortOnCommandLine(const std::string& port) {
  std::string travelling = port;
  std::replace(travelling.begin(), travelling.end(), '\\', ',');
  return travelling;
}

void AppendField(std::string& tail, std::uint32_t code) {
  tail += '\\';
  tail += std::to_string(code);
}

const char* RuleText(Rule rule) {
  switch (rule) {
    case Rule::None: return "accepted";
    case Rule::Empty: return "must not be empty (a run of separators counts as one, so every later field would move up)";
    case Rule::TooLong: return "is longer than paperchk reads";
    case Rule::Nul: return "holds a NUL character, which would end the command line";
    case Rule::Backslash: return "holds a backslash, which paperchk reads as a field separator";
    case Rule::PrinterConnection:
      return "is a printer connection (\\\\server\\printer): its backslashes would split the field; "
             "pass the printer's name without the server part (for \\\\server\\Laser 2 pass \"Laser 2\")";
    case Rule::Space: return "holds a space, which ends this field";
    case Rule::NotNetworkPath:
      return "holds backslashes but is not a network path (\\\\server\\queue): paperchk would show it with commas";
    case Rule::MisreadAsNetworkPath:
      return "starts with two commas and would be misread as a network path (its commas shown as backslashes)";
    case Rule::CommaInNetworkPath:
      return "is a network path holding a comma: paperchk would show the comma as a backslash";
    case Rule::ItemCount: return "must hold 1 to 3 items";
    case Rule::CodeOutOfRange: return "is not a catalogue number (0 to 65535)";
    case Rule::BufferTooSmall: return "does not fit the caller's buffer";
  }
  return "is refused";
}

}  // namespace

std::string FieldName(Field field, std::size_t item) {
  const std::string ofItem = " of item " + std::to_string(item);
  switch (field) {
    case Field::None: return "request";
    case Field::ProgramPath: return "program path";
    case Field::PrinterName: return "printer name";
    case Field::Port: return "port";
    case Field::Items: return "items";
    case Field::SettingName: return "setting name" + ofItem;
    case Field::ApplicationValue: return "application value" + ofItem;
    case Field::PrinterValue: return "printer value" + ofItem;
    case Field::PaperSource: return "paper source";
    case Field::OtherTraySize: return "other tray size";
    case Field::OtherTrayMedia: return "other tray media";
    case Field::ExchangePath: return "exchange path";
    case Field::CommandLine: return "command line";
  }
  return "request";
}

std::string Describe(const BuildError& error) {
  std::string text = FieldName(error.field, error.item) + " " + RuleText(error.rule);
  switch (error.rule) {
    case Rule::TooLong: text += " (at most " + std::to_string(error.limit) + " characters)"; break;
    case Rule::BufferTooSmall: text += " (" + std::to_string(error.limit) + " bytes needed)"; break;
    default: break;
  }
  return text;
}

BuildError BuildCommandLineTail(const Request& request, std::string& tail) {
  tail.clear();
  const BuildError error = CheckRequest(request);
  if (!error.ok()) return error;

  std::string built = std::to_string(request.items.size()) + "_Item ";
  built += '"' + request.printerName + '"';
  built += '\\' + PortOnCommandLine(request.port);
  for (const RequestItem& item : request.items) {
    AppendField(built, item.settingName);
    AppendField(built, item.applicationValue);
    AppendField(built, item.printerValue);
  }
  AppendField(built, request.paperSource);
  AppendField(built, request.secondTrayShown ? 1 : 0);
  AppendField(built, request.otherTraySize);
  AppendField(built, request.otherTrayMedia);
  built += '\\' + request.exchangePath;
  tail = std::move(built);
  return {};
}

BuildError BuildCommandLine(const std::string& programPath, const Request& request, std::string& commandLine) {
  commandLine.clear();
  BuildError error = CheckSpaceDelimited(programPath, Field::ProgramPath, kMaxProgramPathLength);
  if (!error.ok()) return error;
  std::string tail;
  error = BuildCommandLineTail(request, tail);
  if (!error.ok()) return error;
  commandLine = programPath + ' ' + tail;
  return {};
}

}  // namespace paperchk_client
