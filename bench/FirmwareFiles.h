#pragma once

#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <string>

namespace bench {

// Firmware files of random content in a temporary folder that goes with the object.
class FirmwareFiles {
public:
    static constexpr int kSlotCount = 4;

    // Makes `count` files (1-4) of `bytesEach` bytes; empty paths for the other slots.
    bool create(int count, std::uint64_t bytesEach, std::string &error);
    const std::array<std::string, kSlotCount> &slotPaths() const { return m_slotPaths; }
    std::uint64_t totalBytes() const { return m_totalBytes; }

private:
    QTemporaryDir m_folder;
    std::array<std::string, kSlotCount> m_slotPaths{};
    std::uint64_t m_totalBytes = 0;
};

} // namespace bench
