#pragma once

#include "unit-sim/LineSettings.h"

#include <cstdint>
#include <optional>

namespace unitsim {

// The line settings of the terminal behind `fd`. A pseudo-terminal has one set of settings
// for both of its sides, so the master side reads what the program on the other side set.
std::optional<LineSettings> readLineSettings(int fd);

// The exact bits per second that the kernel holds for the terminal, also for rates without
// a speed constant; empty where the system cannot tell.
std::optional<std::uint32_t> kernelLineSpeed(int fd);

} // namespace unitsim
