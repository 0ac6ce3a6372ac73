#pragma once

#include "JsonObject.h"

namespace bench {

// The machine the figures were taken on: processors, their model, the system, Qt, and how
// busy the machine was when the run started (other work on it shows in the figures).
JsonObject machineInfo();

} // namespace bench
