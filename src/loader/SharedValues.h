#pragma once

#include <cstdint>
#include <string>

namespace loader {

// The values that the window's handlers share with a running connection. The handlers
// only write LoaderState and StopRequested; the connection reads them at its next
// iteration.
struct SharedValues {
    std::int32_t LoaderState = 0;
    bool StopRequested = false;
    // The file in hand and its command byte; kept after the connection ends.
    std::string CurrentFirmwareFile;
    std::uint8_t FileCommand = 0;
};

} // namespace loader
