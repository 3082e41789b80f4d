// Round trip of the command-line builder through paperchk's own parser:
// - a request the builder accepts is read back by the parser (and the
//   dialog's comma conversion of the port) into exactly the report it
//   describes, and the builder wrote what a plain concatenation writes;
// - for a request it refuses, the plain concatenation that a driver without
//   the rules would write is really refused or misread by paperchk.
// Every input is tried in a single-byte code page and in each double-byte
// one, where the second byte of a character may look like a backslash.
//
// Input: four lines (program path, printer name, port, exchange path; every
// byte but '\n' allowed, NUL included), then the numbers: one byte for the
// item count (0 to 4), then three bytes per code (little-endian; the third
// byte counts only when it is 0 or 1, so numbers just over 65535 occur),
// nine item codes, paper source, other tray size and media, and one byte
// whose low bit is the second-tray flag. Missing bytes read as 0.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "client/paperchk_client.hpp"
#include "dialog/paper_check_logic.h"
#include "report/code.h"
#include "report/mismatch_report.h"
#include "resources/text_catalogue.h"
#include "support/code_pages.h"

namespace {

namespace client = paperchk_client;

void Require(bool condition) {
  if (!condition) std::abort();
}

class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::string Line() {
    std::string line;
    while (position_ < size_ && data_[position_] != '\n') line += static_cast<char>(data_[position_++]);
    if (position_ < size_) ++position_;
    return line;
  }

  std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }

  std::uint32_t Code() {
    const std::uint32_t low = Byte();
    const std::uint32_t high = Byte();
    const std::uint32_t top = Byte();
    return low | (high << 8) | (top <= 1 ? top << 16 : 0);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

const paperchk::BuiltInTextCatalogue kCatalogue;

// What a driver that ignores the rules writes: the same concatenation,
// without any check (reading the port's backslashes in the code page).
std::string PlainCommandLine(const std::string& programPath, const client::Request& request,
                             const paperchk::LeadBytes& codePage) {
  std::string port = request.port;
  for (std::size_t i = 0; i < port.size(); i += codePage.CharacterLength(port.data() + i, port.size() - i)) {
    if (port[i] == '\\' && codePage.CharacterLength(port.data() + i, port.size() - i) == 1) port[i] = ',';
  }
  std::string line = programPath + ' ' + std::to_string(request.items.size()) + "_Item \"" + request.printerName +
                     "\"\\" + port;
  const auto add = [&line](std::uint32_t code) { line += '\\' + std::to_string(code); };
  for (const client::RequestItem& item : request.items) {
    add(item.settingName);
    add(item.applicationValue);
    add(item.printerValue);
  }
  add(request.paperSource);
  add(request.secondTrayShown ? 1 : 0);
  add(request.otherTraySize);
  add(request.otherTrayMedia);
  return line + '\\' + request.exchangePath;
}

// paperchk's reading of a command line: the copy, the parse and the port
// conversion of the dialog, and the first word, which it takes for its own
// path and skips. False when paperchk refuses it.
bool ReadAsPaperchk(const std::string& commandLine, const paperchk::LeadBytes& codePage, std::string& programPath,
                    paperchk::MismatchReport& report) {
  char copy[paperchk::kCommandLineSize];
  if (!paperchk::CopyCommandLine(commandLine.c_str(), copy)) return false;
  paperchk::CommandLineTokenizer words(copy, codePage);
  const char* firstWord = words.Next(' ');
  programPath = firstWord != nullptr ? firstWord : "";
  if (!paperchk::CopyCommandLine(commandLine.c_str(), copy)) return false;
  if (!paperchk::ParseCommandLine(copy, report, codePage)) return false;
  // The dialog's port conversion is the last step of what paperchk makes of
  // the port; the rest of what the dialog shows is not looked at.
  paperchk::PaperCheckState state;
  state.codePage = codePage;
  (void)paperchk::ViewPaperCheck(report, kCatalogue, state);
  return true;
}

// A code field reads back as the number and names the catalogue's text of it.
bool CodeMatches(const char* field, std::uint32_t code) {
  if (std::to_string(code) != field) return false;
  if (code > client::kMaxCode) return false;
  paperchk::TextBuffer text;
  const bool known = kCatalogue.Lookup(paperchk::ConvertCode(field), text);
  paperchk::TextBuffer expected;
  const bool expectedKnown = kCatalogue.Lookup(static_cast<std::int32_t>(code), expected);
  return paperchk::ConvertCode(field) == static_cast<std::int32_t>(code) && known == expectedKnown &&
         text == expected;
}

bool ReportMatches(const paperchk::MismatchReport& report, const client::Request& request) {
  if (report.itemCount != request.items.size()) return false;
  if (request.printerName != report.printerName || request.port != report.port) return false;
  for (std::size_t index = 0; index < request.items.size(); ++index) {
    const paperchk::MismatchItem& read = report.items[index];
    const client::RequestItem& meant = request.items[index];
    if (!CodeMatches(read.settingName, meant.settingName) ||
        !CodeMatches(read.applicationValue, meant.applicationValue) ||
        !CodeMatches(read.printerValue, meant.printerValue)) {
      return false;
    }
  }
  return CodeMatches(report.paperSource, request.paperSource) &&
         std::string(report.twoTrayFlag) == (request.secondTrayShown ? "1" : "0") &&
         CodeMatches(report.otherTraySize, request.otherTraySize) &&
         CodeMatches(report.otherTrayMedia, request.otherTrayMedia) && request.exchangePath == report.exchangePath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  InputReader input(data, size);
  const std::string programPath = input.Line();
  client::Request request;
  request.printerName = input.Line();
  request.port = input.Line();
  request.exchangePath = input.Line();
  const std::size_t itemCount = input.Byte() % 5;
  for (std::size_t index = 0; index < 3; ++index) {
    client::RequestItem item;
    item.settingName = input.Code();
    item.applicationValue = input.Code();
    item.printerValue = input.Code();
    if (index < itemCount) request.items.push_back(item);
  }
  if (itemCount > 3) request.items.push_back(request.items.back());
  request.paperSource = input.Code();
  request.otherTraySize = input.Code();
  request.otherTrayMedia = input.Code();
  request.secondTrayShown = (input.Byte() & 1) != 0;

  // 0 is the host's "system" code page, single-byte.
  for (const unsigned codePage : {0u, 932u, 936u, 949u, 950u}) {
    request.codePage = codePage;
    const paperchk::LeadBytes leadBytes = paperchk::fakes::KnownLeadBytes(codePage);
    std::string commandLine;
    const client::BuildError error = client::BuildCommandLine(programPath, request, commandLine);
    const std::string plain = PlainCommandLine(programPath, request, leadBytes);
    paperchk::MismatchReport report{};
    std::string programPathRead;
    if (error.ok()) {
      Require(commandLine == plain);
      Require(commandLine.size() <= client::kMaxCommandLineLength);
      Require(ReadAsPaperchk(commandLine, leadBytes, programPathRead, report));
      Require(programPathRead == programPath && ReportMatches(report, request));
    } else {
      Require(commandLine.empty());
      Require(!client::Describe(error).empty());
      // A last field ending in a lead byte reads back here; it is the crossing
      // into the new process (through Unicode) that would change it.
      if (error.rule == client::Rule::BrokenCharacter && error.field == client::Field::ExchangePath) continue;
      const bool readBack = ReadAsPaperchk(plain, leadBytes, programPathRead, report);
      Require(!readBack || programPathRead != programPath || !ReportMatches(report, request));
    }
  }
  return 0;
}
