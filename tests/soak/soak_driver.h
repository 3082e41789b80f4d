// The soak's one door to the driver library (tools/driver_lib): every soak
// file includes this header instead of driver_lib.h, so that a move of that
// library touches this line and the link line in CMakeLists.txt only.
#pragma once

#include "driver_lib.h"

namespace soak {
namespace drv = paperchk_driver;
}  // namespace soak
