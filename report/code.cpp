#include "report/code.h"

namespace paperchk {

namespace {

// White space as isspace() sees it in the C locale; the program's locale must
// not change what a code means.
bool IsCLocaleSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int32_t ConvertCode(const char* field) {
  if (field == nullptr) return 0;
  const char* cursor = field;
  while (IsCLocaleSpace(*cursor)) ++cursor;

  bool negative = false;
  if (*cursor == '+' || *cursor == '-') {
    negative = (*cursor == '-');
    ++cursor;
  }

  // Unsigned arithmetic wraps around instead of overflowing.
  std::uint32_t value = 0;
  while (IsDecimalDigit(*cursor)) {
    value = value * 10u + static_cast<std::uint32_t>(*cursor - '0');
    ++cursor;
  }
  if (negative) value = 0u - value;

  // Two's-complement reinterpretation, spelled out so that values above
  // INT32_MAX do not depend on an implementation-defined conversion.
  if (value <= static_cast<std::uint32_t>(INT32_MAX)) {
    return static_cast<std::int32_t>(value);
  }
  return static_cast<std::int32_t>(value - 0x80000000u) + INT32_MIN;
}

}  // namespace paperchk
