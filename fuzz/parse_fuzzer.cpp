// Feeds arbitrary bytes through the command-line copy and parse, and checks
// what a successful parse promises to the dialog.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report/code.h"
#include "report/mismatch_report.h"
#include "resources/text_catalogue.h"

namespace {

// Aborts (a finding for the fuzzer) when a promise is broken.
void Require(bool condition) {
  if (!condition) std::abort();
}

template <std::size_t N>
void RequireTerminated(const char (&field)[N]) {
  Require(std::memchr(field, '\0', N) != nullptr);
}

const paperchk::BuiltInTextCatalogue kCatalogue;

template <std::size_t N>
void ResolveCode(const char (&field)[N]) {
  RequireTerminated(field);
  const std::int32_t number = paperchk::ConvertCode(field);
  paperchk::TextBuffer text;
  const bool found = kCatalogue.Lookup(number, text);
  Require(found || text.empty());
  Require(paperchk::CodeText(kCatalogue, field) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace paperchk;

  // The platform hands over a NUL-terminated text; an embedded NUL ends it.
  char input[kCommandLineSize];
  const std::size_t length = std::min(size, kCommandLineSize - 1);
  if (length > 0) std::memcpy(input, data, length);
  input[length] = '\0';

  char writable[kCommandLineSize];
  if (!CopyCommandLine(input, writable)) std::abort();  // it always fits

  MismatchReport report;
  if (!ParseCommandLine(writable, report)) {
    const MismatchReport empty{};
    Require(std::memcmp(&report, &empty, sizeof report) == 0);
    return 0;
  }

  Require(report.itemCount >= 1 && report.itemCount <= kMaxItems);
  RequireTerminated(report.itemCountToken);
  RequireTerminated(report.printerName);
  RequireTerminated(report.port);
  RequireTerminated(report.exchangePath);
  Require(report.exchangePath[0] != '\0');
  for (std::uint32_t index = 0; index < kMaxItems; ++index) {
    const MismatchItem& item = report.items[index];
    ResolveCode(item.settingName);
    ResolveCode(item.applicationValue);
    ResolveCode(item.printerValue);
    // Items beyond the count stay empty; those within it cannot be empty.
    const bool used = index < report.itemCount;
    Require((item.settingName[0] != '\0') == used);
  }
  ResolveCode(report.paperSource);
  ResolveCode(report.twoTrayFlag);
  ResolveCode(report.otherTraySize);
  ResolveCode(report.otherTrayMedia);
  return 0;
}
