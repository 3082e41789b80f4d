#pragma once
#include "report/lead_bytes.h"

namespace paperchk {

// The lead bytes of the system's code page, the one GetCommandLineA and the
// controls' 8-bit texts use.
LeadBytes SystemLeadBytes();

}  // namespace paperchk
