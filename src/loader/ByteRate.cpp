#include "loader/ByteRate.h"

#include <cmath>

namespace loader {

std::int64_t byteRate(std::uint64_t bytesSent, std::uint32_t startTicks, std::uint32_t nowTicks) {
    const std::uint32_t elapsedMs = nowTicks - startTicks; // wraps with the counter
    // long double keeps the 64-bit mantissa that the rounding of exact halves needs.
    const long double rate = static_cast<long double>(bytesSent) * 1000.0L /
                             (static_cast<long double>(elapsedMs) + 1.0L);
    return static_cast<std::int64_t>(std::nearbyintl(rate)); // to nearest, halves to even
}

} // namespace loader
