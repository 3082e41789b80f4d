#pragma once
#include <memory>

#include "exchange/exchange_file.h"

namespace paperchk {

// The platform's files: CreateFileA/ReadFile/WriteFile on Windows, open/pread/
// pwrite on POSIX hosts (for tests).
std::unique_ptr<ExchangeFileSystem> MakeNativeExchangeFileSystem();

}  // namespace paperchk
