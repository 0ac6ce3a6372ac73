#pragma once

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace unitsim::testing {

using Bytes = std::vector<std::uint8_t>;

// A folder of its own for one test, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "unit-sim-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline Bytes blockFrame(const Bytes &data) {
    Bytes frame{0xA9, 0x00};
    frame.insert(frame.end(), data.begin(), data.end());
    return frame;
}

// 256 bytes that differ from block to block.
inline Bytes patternBlock(int step) {
    Bytes data(256);
    for (int i = 0; i < 256; ++i)
        data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * step + 3);
    return data;
}

inline std::uint8_t sumOf(const Bytes &data) {
    unsigned sum = 0;
    for (std::uint8_t byte : data)
        sum += byte;
    return static_cast<std::uint8_t>(sum);
}

// The checksum as the loader finds it in a reply: the byte after the first A9.
inline std::optional<std::uint8_t> checksumAsLoaderReads(const Bytes &reply) {
    for (std::size_t i = 0; i + 1 < reply.size(); ++i) {
        if (reply[i] == 0xA9)
            return reply[i + 1];
    }
    return std::nullopt;
}

inline bool pathIsThere(const std::filesystem::path &path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

// How many file descriptors the process has open now.
inline int openDescriptorCount() {
    constexpr int kHighestDescriptorLooked = 4096;
    int count = 0;
    for (int fd = 0; fd < kHighestDescriptorLooked; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1)
            ++count;
    }
    return count;
}

} // namespace unitsim::testing
