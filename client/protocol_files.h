#pragma once
#include <memory>

#include "client/exchange_protocol.h"

namespace paperchk_client {

// The platform's files: CreateFileA/ReadFile/WriteFile/DeleteFileA on
// Windows (shared reading and writing, as paperchk opens the file), open/
// pread/pwrite/unlink on POSIX hosts.
std::unique_ptr<ProtocolFileSystem> MakeNativeProtocolFileSystem();

}  // namespace paperchk_client
