#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace loader {

// Link types by their index in the window's radio group: UART, Bluetooth, WiFi.
inline constexpr std::array<std::uint32_t, 3> kLinkBaudRates{460800, 921600, 230400};

// The baud rate of a link type index, or nothing for an index outside the table (the port
// then keeps the rate it has).
inline std::optional<std::uint32_t> baudRateOfLink(int linkIndex) {
    if (linkIndex < 0 || linkIndex >= static_cast<int>(kLinkBaudRates.size()))
        return std::nullopt;
    return kLinkBaudRates[static_cast<std::size_t>(linkIndex)];
}

} // namespace loader
