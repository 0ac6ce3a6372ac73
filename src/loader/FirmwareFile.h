#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace loader {

// A firmware file read whole into memory when its turn comes.
struct LoadedFile {
    enum class Status {
        Loaded,     // `bytes` holds the whole file
        Missing,    // nothing at the path, or not a regular file (a folder, a device, ...)
        Unreadable, // a regular file that could not be read; `reason` says why
        TooLarge,   // 2^31 bytes or more: more than the progress range and the flash hold
    };
    Status status = Status::Missing;
    std::vector<std::uint8_t> bytes;
    std::string reason;
};

// Where firmware files come from; paths are UTF-8 text as typed into the path boxes.
class FileSource {
public:
    virtual ~FileSource() = default;
    virtual LoadedFile load(const std::string &path) = 0;
};

// Files on disk.
class DiskFileSource final : public FileSource {
public:
    static constexpr std::uint64_t kMaxFileBytes = (std::uint64_t{1} << 31) - 1;
    LoadedFile load(const std::string &path) override;
};

} // namespace loader
