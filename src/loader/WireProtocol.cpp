#include "loader/WireProtocol.h"

#include <numeric>

namespace loader::wire {

std::uint8_t blockChecksum(std::span<const std::uint8_t, kBlockSizeBytes> block) {
    const unsigned sum = std::accumulate(block.begin(), block.end(), 0u);
    return static_cast<std::uint8_t>(sum);
}

} // namespace loader::wire
