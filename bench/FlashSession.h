#pragma once

#include "BenchRig.h"
#include "ProcessUsage.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace bench {

// One Send all as a user makes it: connect, wait for the Boot mode page, press Send all,
// disconnect once the loader rests in Idle.
struct FlashOutcome {
    std::string error;    // empty when every file in a slot was written
    UsageSample pressed;  // at Send all
    UsageSample finished; // when the loader reached Idle
    int filesWritten = 0;
    std::uint64_t eventPasses = 0; // the loader's event passes from Send all to Idle

    bool ok() const { return error.empty(); }
    double seconds() const {
        return std::chrono::duration<double>(finished.wall - pressed.wall).count();
    }
};

// Starts the rig's unit, flashes, and stops the unit; `timeLimit` bounds the whole run.
FlashOutcome flashAllSlots(BenchRig &rig, std::chrono::milliseconds timeLimit);

} // namespace bench
