// The driver's side of paperchk: the command line that starts it.
//
// paperchk reads its command line with a strtok-style tokenizer: a run of
// backslashes is one separator, the program path and the exchange path end at
// a space, and the printer name loses its first and last characters. A driver
// that writes a field paperchk reads differently gets no error, only a dialog
// with the wrong values or a decision in another file. The builder therefore
// refuses every request paperchk would refuse or misread, with an error that
// names the field, the rule and the limit; it never cuts or rewrites a field.
//
// Portable standard C++17, no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace paperchk_client {

// paperchk's limits, in characters (terminating NUL not counted).
constexpr std::size_t kMaxTokenLength = 511;       // every field after the item-count word
constexpr std::size_t kMaxPrinterNameLength = 509; // one token with the two quotes
constexpr std::size_t kMaxPortLength = 511;
constexpr std::size_t kMaxExchangePathLength = 511;  // one token (its field holds 1023)
constexpr std::size_t kMaxProgramPathLength = 1023;
constexpr std::size_t kMaxCommandLineLength = 4095;
constexpr std::size_t kMaxItems = 3;
constexpr std::uint32_t kMaxCode = 65535;  // codes are catalogue numbers

// One mismatching setting: three catalogue numbers.
struct RequestItem {
  std::uint32_t settingName = 0;       // column 1, e.g. 40002 "Formato carta"
  std::uint32_t applicationValue = 0;  // column 2, what the job asks for
  std::uint32_t printerValue = 0;      // column 3, what the printer has
};

// What the driver wants paperchk to show, as the driver knows it.
struct Request {
  std::string printerName;  // shown in the title; the builder adds the quotes
  // The port as the driver knows it; a network port with its backslashes,
  // e.g. \\server\queue (it travels with commas).
  std::string port;
  std::vector<RequestItem> items;  // 1 to 3
  std::uint32_t paperSource = 0;   // the printer's current paper source
  bool secondTrayShown = false;    // the tray selector may offer the other tray
  std::uint32_t otherTraySize = 0;
  std::uint32_t otherTrayMedia = 0;
  std::string exchangePath;  // no spaces; may hold backslashes
};

enum class Field {
  None,
  ProgramPath,
  PrinterName,
  Port,
  Items,
  SettingName,       // of item `item`
  ApplicationValue,  // of item `item`
  PrinterValue,      // of item `item`
  PaperSource,
  OtherTraySize,
  OtherTrayMedia,
  ExchangePath,
  CommandLine,
};

enum class Rule {
  None,
  Empty,                  // the field would vanish (a run of separators is one)
  TooLong,                // over `limit` characters
  Nul,                    // a NUL would end the command line there
  Backslash,              // a backslash would split the field
  PrinterConnection,      // a printer name of the form \\server\printer
  Space,                  // a space would end the field
  NotNetworkPath,         // a port with backslashes that does not start with two
  MisreadAsNetworkPath,   // a port starting with ",," would come back with backslashes
  CommaInNetworkPath,     // a network port's commas would come back as backslashes
  ItemCount,              // not 1 to `limit` items
  CodeOutOfRange,         // a code over `limit`
  BufferTooSmall,         // (C interface) the caller's buffer needs `limit` bytes
};

// Why a request was refused. `item` counts from 1 for the item fields.
struct BuildError {
  Field field = Field::None;
  Rule rule = Rule::None;
  std::size_t limit = 0;
  std::size_t item = 0;

  bool ok() const { return rule == Rule::None; }
};

// "printer name" and the like; item fields name their item.
std::string FieldName(Field field, std::size_t item);
// One sentence for a log or a message: the field, the rule, the limit, and
// for a printer connection what to pass instead.
std::string Describe(const BuildError& error);

// Everything after the program path: the item-count word, the backslash
// fields and the exchange path. Refuses (and leaves `tail` empty) what
// paperchk would refuse or misread.
BuildError BuildCommandLineTail(const Request& request, std::string& tail);

// Program path, one space, tail. The program path must hold no space (pass
// its short form) and at most kMaxProgramPathLength characters.
BuildError BuildCommandLine(const std::string& programPath, const Request& request,
                            std::string& commandLine);

}  // namespace paperchk_client
