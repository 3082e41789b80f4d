// Shared by the C interface's files: the C request as the C++ one, and the
// error copied into the caller's struct.
#pragma once

#include "client/command_line.h"
#include "client/paperchk_client.h"

namespace paperchk_client {

// False (with `error` filled) when the C request cannot even be read: a null
// text, or more items than its array holds.
bool RequestFromC(const paperchk_request& in, Request& out, BuildError& error);

// Copies the error and its description into the caller's struct (may be null).
void ErrorToC(const BuildError& error, paperchk_error* out);

}  // namespace paperchk_client
