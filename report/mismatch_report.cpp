#include "report/mismatch_report.h"

#include <cstring>

namespace paperchk {

namespace {

// Copies `length` characters of `source` and a terminating NUL into
// `destination`. A text that does not fit is refused, never cut: the
// destination is left as it was and the result is false.
template <std::size_t N>
bool CopyField(char (&destination)[N], const char* source, std::size_t length) {
  if (length >= N) return false;
  std::memcpy(destination, source, length);
  destination[length] = '\0';
  return true;
}

template <std::size_t N>
bool CopyField(char (&destination)[N], const char* source) {
  return CopyField(destination, source, std::strlen(source));
}

// ASCII only: the item-count word must not depend on the program's locale.
char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(const char* left, const char* right) {
  for (; *left != '\0' && *right != '\0'; ++left, ++right) {
    if (AsciiLower(*left) != AsciiLower(*right)) return false;
  }
  return *left == *right;
}

// The number of items the item-count word announces, 0 for any other word.
std::uint32_t ItemCountOf(const char* word) {
  static const char* const kItemCountWords[kMaxItems] = {"1_Item", "2_Item", "3_Item"};
  for (std::uint32_t index = 0; index < kMaxItems; ++index) {
    if (EqualsIgnoringCase(word, kItemCountWords[index])) return index + 1;
  }
  return 0;
}

// The printer name without the first and the last character of its field
// (whole characters of the code page); a field of fewer than two characters
// gives the empty name.
bool CopyUnquotedName(const char* quoted, const LeadBytes& leadBytes, char (&name)[kPrinterNameSize]) {
  const std::size_t length = std::strlen(quoted);
  if (length == 0) return true;
  const std::size_t first = leadBytes.CharacterLength(quoted);
  if (first >= length) return true;  // one character only
  std::size_t last = first;  // start of the field's last character
  for (std::size_t next = first; next < length; next += leadBytes.CharacterLength(quoted + next)) last = next;
  return CopyField(name, quoted + first, last - first);
}

bool ParseInto(char* commandLine, MismatchReport& report, const LeadBytes& leadBytes) {
  if (commandLine == nullptr) return false;
  CommandLineTokenizer tokenizer(commandLine, leadBytes);

  // The program path is skipped, but it still has to fit its buffer.
  const char* programPath = tokenizer.Next(' ');
  if (programPath == nullptr || std::strlen(programPath) >= kProgramPathSize) return false;

  const char* itemCountWord = tokenizer.Next(' ');
  if (itemCountWord != nullptr && !CopyField(report.itemCountToken, itemCountWord)) return false;
  const std::uint32_t itemCount = ItemCountOf(report.itemCountToken);
  if (itemCount == 0) return false;
  report.itemCount = itemCount;

  // Printer name, port, three codes per item and four tray fields are
  // separated by backslashes; the exchange path that follows runs up to the
  // next space, so it may hold backslashes.
  const std::size_t fieldCount = 3 * itemCount + 6;
  const std::size_t tokenCount = fieldCount + 1;
  char tokens[kTokenSlots][kTokenSize];
  for (std::size_t slot = 0; slot < tokenCount; ++slot) {
    const char* token = tokenizer.Next(slot < fieldCount ? '\\' : ' ');
    // Fewer fields than the item count needs, the exchange path included.
    if (token == nullptr) return false;
    if (!CopyField(tokens[slot], token)) return false;
  }
  // Words after the exchange path are not read at all.

  // The caller encloses the printer name in quotes; whatever the first and
  // last characters are, they are dropped.
  if (!CopyUnquotedName(tokens[0], leadBytes, report.printerName)) return false;
  if (!CopyField(report.port, tokens[1])) return false;

  for (std::uint32_t index = 0; index < itemCount; ++index) {
    MismatchItem& item = report.items[index];
    const std::size_t first = 2 + 3 * index;
    if (!CopyField(item.settingName, tokens[first]) ||
        !CopyField(item.applicationValue, tokens[first + 1]) ||
        !CopyField(item.printerValue, tokens[first + 2])) {
      return false;
    }
  }

  const std::size_t trayFields = 2 + 3 * itemCount;
  return CopyField(report.paperSource, tokens[trayFields]) &&
         CopyField(report.twoTrayFlag, tokens[trayFields + 1]) &&
         CopyField(report.otherTraySize, tokens[trayFields + 2]) &&
         CopyField(report.otherTrayMedia, tokens[trayFields + 3]) &&
         CopyField(report.exchangePath, tokens[trayFields + 4]);
}

}  // namespace

char* CommandLineTokenizer::Next(char delimiter) {
  while (*position_ != '\0' && *position_ == delimiter) ++position_;
  if (*position_ == '\0') return nullptr;

  char* token = position_;
  while (*position_ != '\0' && *position_ != delimiter) position_ += leadBytes_.CharacterLength(position_);
  if (*position_ != '\0') {
    *position_ = '\0';
    ++position_;
  }
  return token;
}

bool CopyCommandLine(const char* commandLine, char (&buffer)[kCommandLineSize]) {
  buffer[0] = '\0';
  if (commandLine == nullptr) return false;
  for (std::size_t length = 0; length < kCommandLineSize; ++length) {
    buffer[length] = commandLine[length];
    if (commandLine[length] == '\0') return true;
  }
  // No room for the terminating NUL: refused rather than cut.
  buffer[0] = '\0';
  return false;
}

bool ParseCommandLine(char* commandLine, MismatchReport& report, const LeadBytes& leadBytes) {
  report = MismatchReport{};
  if (ParseInto(commandLine, report, leadBytes)) return true;
  // A refused command line leaves nothing behind that could be mistaken for
  // a report.
  report = MismatchReport{};
  return false;
}

}  // namespace paperchk
