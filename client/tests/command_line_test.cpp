// The builder's rules: one table of requests it accepts and refuses, with
// the error each refusal gets. Whether an accepted request really reads back
// as meant is the round trip's job (client/fuzz).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "client/paperchk_client.hpp"
#include "report/mismatch_report.h"

namespace paperchk_client {
namespace {

// The limits are paperchk's own.
static_assert(kMaxTokenLength == paperchk::kTokenSize - 1, "token limit");
static_assert(kMaxPrinterNameLength == kMaxTokenLength - 2, "the quotes take two characters of the token");
static_assert(kMaxPrinterNameLength < paperchk::kPrinterNameSize, "printer name field");
static_assert(kMaxPortLength == paperchk::kPortSize - 1 && kMaxPortLength <= kMaxTokenLength, "port field");
static_assert(kMaxExchangePathLength == kMaxTokenLength && kMaxExchangePathLength < paperchk::kExchangePathSize,
              "exchange path field");
static_assert(kMaxProgramPathLength == paperchk::kProgramPathSize - 1, "program path");
static_assert(kMaxCommandLineLength == paperchk::kCommandLineSize - 1, "command line");
static_assert(kMaxItems == paperchk::kMaxItems, "items");

constexpr char kProgram[] = "C:\\paperchk\\paperchk.exe";

Request ThreeItems() {
  Request request;
  request.printerName = "Stampante Ufficio 2";
  request.port = "LPT1:";
  request.items = {{40001, 30002, 30005}, {40002, 50009, 256}, {40003, 20001, 20005}};
  request.paperSource = 30005;
  request.secondTrayShown = true;
  request.otherTraySize = 768;
  request.otherTrayMedia = 20001;
  request.exchangePath = "C:\\tmp\\exchange.bin";
  return request;
}

TEST(CommandLine, EachItemCountAsPaperchkReadsIt) {
  std::string line;
  ASSERT_TRUE(BuildCommandLine(kProgram, ThreeItems(), line).ok());
  EXPECT_EQ(line,
            "C:\\paperchk\\paperchk.exe 3_Item \"Stampante Ufficio 2\"\\LPT1:\\40001\\30002\\30005\\40002\\50009"
            "\\256\\40003\\20001\\20005\\30005\\1\\768\\20001\\C:\\tmp\\exchange.bin");
  Request two = ThreeItems();
  two.items.resize(2);
  ASSERT_TRUE(BuildCommandLineTail(two, line).ok());
  EXPECT_EQ(line, "2_Item \"Stampante Ufficio 2\"\\LPT1:\\40001\\30002\\30005\\40002\\50009\\256\\30005\\1\\768"
                  "\\20001\\C:\\tmp\\exchange.bin");
  Request one = ThreeItems();
  one.items.resize(1);
  one.secondTrayShown = false;
  one.port = "\\\\server\\queue";
  ASSERT_TRUE(BuildCommandLineTail(one, line).ok());
  EXPECT_EQ(line, "1_Item \"Stampante Ufficio 2\"\\,,server,queue\\40001\\30002\\30005\\30005\\0\\768\\20001"
                  "\\C:\\tmp\\exchange.bin");
  // In Shift-JIS the second byte of a character may be 0x5C: it stays, only
  // the port's real backslashes travel as commas.
  one.codePage = 932;
  one.printerName = "\x83\x47\x83\x76\x83\x5C\x83\x93";
  one.port = "\\\\srv\\\x83\x5C\x95\x5C";
  ASSERT_TRUE(BuildCommandLineTail(one, line).ok());
  EXPECT_EQ(line, "1_Item \"\x83\x47\x83\x76\x83\x5C\x83\x93\"\\,,srv,\x83\x5C\x95\x5C\\40001\\30002\\30005\\30005\\0"
                  "\\768\\20001\\C:\\tmp\\exchange.bin");
}

struct Row {
  const char* what;
  std::function<void(std::string& program, Request& request)> change;
  Field field;  // Field::None: accepted
  Rule rule;
  std::size_t limit;
  std::size_t item;
};

TEST(CommandLine, AcceptsWhatReadsBackAndRefusesTheRestNamingFieldRuleAndLimit) {
  const std::string nul("a\0b", 3);
  const Row rows[] = {
      // Accepted.
      {"the sample", [](std::string&, Request&) {}, Field::None, Rule::None, 0, 0},
      {"network port", [](std::string&, Request& r) { r.port = "\\\\server\\queue"; }, Field::None, Rule::None, 0, 0},
      {"empty printer name", [](std::string&, Request& r) { r.printerName.clear(); }, Field::None, Rule::None, 0, 0},
      {"quotes and outer spaces in the name", [](std::string&, Request& r) { r.printerName = " \"Laser\" 2 "; },
       Field::None, Rule::None, 0, 0},
      {"printer name of 509", [](std::string&, Request& r) { r.printerName.assign(509, 'n'); }, Field::None,
       Rule::None, 0, 0},
      {"port of 511", [](std::string&, Request& r) { r.port.assign(511, 'p'); }, Field::None, Rule::None, 0, 0},
      {"comma inside a port", [](std::string&, Request& r) { r.port = "IP_10,0,0,1"; }, Field::None, Rule::None, 0,
       0},
      {"port of spaces only", [](std::string&, Request& r) { r.port = "   "; }, Field::None, Rule::None, 0, 0},
      {"exchange path of 511", [](std::string&, Request& r) { r.exchangePath.assign(511, 'e'); }, Field::None,
       Rule::None, 0, 0},
      {"network exchange path", [](std::string&, Request& r) { r.exchangePath = "\\\\srv\\share\\x.bin"; },
       Field::None, Rule::None, 0, 0},
      {"program path of 1023", [](std::string& p, Request&) { p.assign(1023, 'P'); }, Field::None, Rule::None, 0, 0},
      {"codes 0 and 65535", [](std::string&, Request& r) { r.items[0] = {0, 65535, 0}; }, Field::None, Rule::None,
       0, 0},
      // Double-byte code pages: a trail byte 0x5C is no backslash.
      {"GBK name", [](std::string&, Request& r) { r.codePage = 936; r.printerName = "\x81\x5C"; }, Field::None,
       Rule::None, 0, 0},
      {"Big5 port", [](std::string&, Request& r) { r.codePage = 950; r.port = "\xB3\x5C\xA5\x5C"; }, Field::None,
       Rule::None, 0, 0},
      // Refused.
      {"Shift-JIS name in a single-byte code page", [](std::string&, Request& r) { r.printerName = "\x83\x5C"; },
       Field::PrinterName, Rule::Backslash, 0, 0},
      {"half-width katakana before a backslash", [](std::string&, Request& r) {
         r.codePage = 932;
         r.printerName = "\xBF\\";
       }, Field::PrinterName, Rule::Backslash, 0, 0},
      {"name ending in a lead byte", [](std::string&, Request& r) { r.codePage = 949; r.printerName = "\xC7\xC1\xC7"; },
       Field::PrinterName, Rule::BrokenCharacter, 0, 0},
      {"port ending in a lead byte", [](std::string&, Request& r) { r.codePage = 932; r.port = "LPT\x83"; },
       Field::Port, Rule::BrokenCharacter, 0, 0},
      {"no program path", [](std::string& p, Request&) { p.clear(); }, Field::ProgramPath, Rule::Empty, 0, 0},
      {"space in the program path", [](std::string& p, Request&) { p = "C:\\Program Files\\paperchk.exe"; },
       Field::ProgramPath, Rule::Space, 0, 0},
      {"program path of 1024", [](std::string& p, Request&) { p.assign(1024, 'P'); }, Field::ProgramPath,
       Rule::TooLong, 1023, 0},
      {"NUL in the program path", [&](std::string& p, Request&) { p = nul; }, Field::ProgramPath, Rule::Nul, 0, 0},
      {"backslash in the name", [](std::string&, Request& r) { r.printerName = "Laser\\2"; }, Field::PrinterName,
       Rule::Backslash, 0, 0},
      {"printer connection", [](std::string&, Request& r) { r.printerName = "\\\\server\\Laser 2"; },
       Field::PrinterName, Rule::PrinterConnection, 0, 0},
      {"printer name of 510", [](std::string&, Request& r) { r.printerName.assign(510, 'n'); }, Field::PrinterName,
       Rule::TooLong, 509, 0},
      {"NUL in the name", [&](std::string&, Request& r) { r.printerName = nul; }, Field::PrinterName, Rule::Nul, 0,
       0},
      {"empty port", [](std::string&, Request& r) { r.port.clear(); }, Field::Port, Rule::Empty, 0, 0},
      {"port of 512", [](std::string&, Request& r) { r.port.assign(512, 'p'); }, Field::Port, Rule::TooLong, 511, 0},
      {"NUL in the port", [&](std::string&, Request& r) { r.port = nul; }, Field::Port, Rule::Nul, 0, 0},
      {"local path as port", [](std::string&, Request& r) { r.port = "C:\\port"; }, Field::Port,
       Rule::NotNetworkPath, 0, 0},
      {"one leading backslash", [](std::string&, Request& r) { r.port = "\\queue"; }, Field::Port,
       Rule::NotNetworkPath, 0, 0},
      {"port starting with two commas", [](std::string&, Request& r) { r.port = ",,server,queue"; }, Field::Port,
       Rule::MisreadAsNetworkPath, 0, 0},
      {"comma in a network port", [](std::string&, Request& r) { r.port = "\\\\server\\a,b"; }, Field::Port,
       Rule::CommaInNetworkPath, 0, 0},
      {"no items", [](std::string&, Request& r) { r.items.clear(); }, Field::Items, Rule::ItemCount, 3, 0},
      {"four items", [](std::string&, Request& r) { r.items.push_back(r.items[0]); }, Field::Items, Rule::ItemCount,
       3, 0},
      {"code 65536 in item 2", [](std::string&, Request& r) { r.items[1].applicationValue = 65536; },
       Field::ApplicationValue, Rule::CodeOutOfRange, 65535, 2},
      {"paper source 70000", [](std::string&, Request& r) { r.paperSource = 70000; }, Field::PaperSource,
       Rule::CodeOutOfRange, 65535, 0},
      {"other tray media over 65535", [](std::string&, Request& r) { r.otherTrayMedia = 0xFFFFFFFFu; },
       Field::OtherTrayMedia, Rule::CodeOutOfRange, 65535, 0},
      {"no exchange path", [](std::string&, Request& r) { r.exchangePath.clear(); }, Field::ExchangePath,
       Rule::Empty, 0, 0},
      {"space in the exchange path", [](std::string&, Request& r) { r.exchangePath = "C:\\a b\\x.bin"; },
       Field::ExchangePath, Rule::Space, 0, 0},
      {"exchange path of 512", [](std::string&, Request& r) { r.exchangePath.assign(512, 'e'); },
       Field::ExchangePath, Rule::TooLong, 511, 0},
      {"NUL in the exchange path", [&](std::string&, Request& r) { r.exchangePath = "x.bin" + nul; },
       Field::ExchangePath, Rule::Nul, 0, 0},
  };
  for (const Row& row : rows) {
    std::string program = kProgram;
    Request request = ThreeItems();
    row.change(program, request);
    std::string line = "untouched";
    const BuildError error = BuildCommandLine(program, request, line);
    EXPECT_EQ(error.field, row.field) << row.what;
    EXPECT_EQ(error.rule, row.rule) << row.what;
    EXPECT_EQ(error.limit, row.limit) << row.what;
    EXPECT_EQ(error.item, row.item) << row.what;
    EXPECT_EQ(line.empty(), !error.ok()) << row.what << ": a refusal leaves no command line";
  }
}

TEST(CommandLine, DescriptionNamesFieldRuleLimitAndWhatToPassInstead) {
  BuildError error;
  error.field = Field::PrinterValue;
  error.rule = Rule::CodeOutOfRange;
  error.limit = 65535;
  error.item = 3;
  EXPECT_EQ(Describe(error), "printer value of item 3 is not a catalogue number (0 to 65535)");
  Request request = ThreeItems();
  request.printerName.assign(510, 'n');
  std::string line;
  EXPECT_EQ(Describe(BuildCommandLineTail(request, line)),
            "printer name is longer than paperchk reads (at most 509 characters)");
  request.printerName = "\\\\server\\Laser 2";
  const std::string connection = Describe(BuildCommandLineTail(request, line));
  EXPECT_NE(connection.find("printer name is a printer connection"), std::string::npos) << connection;
  EXPECT_NE(connection.find("pass \"Laser 2\""), std::string::npos) << connection;
}

}  // namespace
}  // namespace paperchk_client
