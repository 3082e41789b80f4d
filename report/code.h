#pragma once
#include <cstdint>

namespace paperchk {

// Converts a code field to a number the way the C library's atoi does:
// leading white space, an optional sign, decimal digits, stop at the first
// other character; no digits gives 0. The value is accumulated in unsigned
// 32-bit arithmetic, so overlong digit strings wrap around instead of being
// undefined behaviour.
std::int32_t ConvertCode(const char* field);

}  // namespace paperchk
