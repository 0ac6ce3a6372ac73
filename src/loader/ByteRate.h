#pragma once

#include <cstdint>

namespace loader {

// Bytes per second of a file so far: bytesSent × 1000 ÷ (elapsed ms + 1), where the
// elapsed time is taken modulo 2^32 from the two tick counts, rounded to the nearest
// integer with halves to even.
std::int64_t byteRate(std::uint64_t bytesSent, std::uint32_t startTicks, std::uint32_t nowTicks);

} // namespace loader
