#pragma once
#include <cstddef>
#include <cstdint>

#include "report/lead_bytes.h"

namespace paperchk {

// Buffer sizes of the data model, terminating NUL included. They are limits:
// a command line whose fields do not fit is refused, never cut.
constexpr std::size_t kCommandLineSize = 4096;
constexpr std::size_t kProgramPathSize = 1024;
constexpr std::size_t kItemCountTokenSize = 64;
constexpr std::size_t kPrinterNameSize = 1024;
constexpr std::size_t kPortSize = 512;
constexpr std::size_t kCodeSize = 256;
constexpr std::size_t kTwoTrayFlagSize = 64;
constexpr std::size_t kExchangePathSize = 1024;
constexpr std::size_t kTokenSlots = 16;
constexpr std::size_t kTokenSize = 512;
constexpr std::uint32_t kMaxItems = 3;

// One mismatching setting: three codes naming catalogue texts.
struct MismatchItem {
  char settingName[kCodeSize];
  char applicationValue[kCodeSize];
  char printerValue[kCodeSize];
};

// Everything the driver passes on the command line.
struct MismatchReport {
  char itemCountToken[kItemCountTokenSize];
  std::uint32_t itemCount;  // 1 to 3
  char printerName[kPrinterNameSize];
  char port[kPortSize];
  MismatchItem items[kMaxItems];
  char paperSource[kCodeSize];
  char twoTrayFlag[kTwoTrayFlagSize];
  char otherTraySize[kCodeSize];
  char otherTrayMedia[kCodeSize];
  char exchangePath[kExchangePathSize];
};

// Splits a writable text in place with the semantics of the C library's
// strtok, but keeps its position in the object, so it is reentrant. Each call
// names its single delimiter character. `text` is a writable NUL-terminated
// text that outlives the tokenizer, read in the code page of `leadBytes`
// (which outlives it too): the second byte of a double-byte character is
// never a delimiter.
class CommandLineTokenizer {
 public:
  explicit CommandLineTokenizer(char* text, const LeadBytes& leadBytes = LeadBytes::SingleByte())
      : position_(text), leadBytes_(leadBytes) {}

  // Skips a run of `delimiter`, then returns the text up to the next
  // `delimiter`, which is overwritten by NUL; the next call resumes after it.
  // Returns nullptr once the text is used up.
  char* Next(char delimiter);

 private:
  char* position_;
  const LeadBytes& leadBytes_;
};

// Copies the command line as the platform returns it into a writable buffer.
// Returns false (and leaves an empty buffer) when it does not fit.
bool CopyCommandLine(const char* commandLine, char (&buffer)[kCommandLineSize]);

// Parses the writable copy in place (delimiters become NULs) into `report`,
// which is cleared first. Returns true on success, false when the command line
// must be refused with the start-up error; the report is then left empty.
// Refused: no program path; a second word other than 1_Item, 2_Item or 3_Item
// (in any case); fewer fields than the item count needs, exchange path
// included; any used field or token that does not fit its buffer. Words after
// the exchange path are ignored. The line is read in the code page of
// `leadBytes`: the system's in the program.
bool ParseCommandLine(char* commandLine, MismatchReport& report,
                      const LeadBytes& leadBytes = LeadBytes::SingleByte());

}  // namespace paperchk
