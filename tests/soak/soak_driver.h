// The soak's one door to the end-to-end tests' automation (starting the
// program, reading its windows, real input): every soak file includes this
// header, so that a move of that library touches this line and the link line
// in CMakeLists.txt only.
#pragma once

#include "help_engine_stand_in.h"
#include "test_automation.h"

namespace soak {
namespace drv = paperchk_driver;
using paperchk_driver::HelpEngineStandIn;
using paperchk_driver::HelpRequest;
}  // namespace soak
