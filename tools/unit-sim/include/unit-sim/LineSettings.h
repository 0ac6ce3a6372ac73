#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace unitsim {

enum class Parity { None, Even, Odd, Mark, Space };
enum class FlowControl { None, Hardware, Software, HardwareAndSoftware };

// The serial line settings that the program on the other side of the port has set. On Linux
// a pseudo-terminal always has 8 data bits and no parity (its driver forces them), so only
// the baud rate, the stop bits and the flow control show what that program asked for.
struct LineSettings {
    std::uint32_t baudRate = 0; // bits per second; 0 when the line is hung up
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
    FlowControl flowControl = FlowControl::None;
    // No line editing, echo, signal characters or byte translation: every byte passes as is.
    bool raw = false;

    bool operator==(const LineSettings &) const = default;
};

// The rates of the loader's three link types.
inline constexpr std::array<std::uint32_t, 3> kLinkBaudRates = {460800, 921600, 230400};

// The line the loader sets: 8 data bits, no parity, two stop bits, no flow control, at one
// of the link rates.
bool isLoaderLine(const LineSettings &line);

// "460800 baud, 8 data bits, no parity, 2 stop bits, no flow control" (", not raw" added
// when bytes would be edited or echoed).
std::string describe(const LineSettings &line);

const char *parityName(Parity parity);         // "none", "even", "odd", "mark", "space"
const char *flowControlName(FlowControl flow); // "none", "hardware", "software", "both"

} // namespace unitsim
