#include "loader/FirmwareFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace loader {

namespace {

constexpr std::size_t kReadChunkBytes = 64 * 1024;

std::filesystem::path pathFromUtf8(const std::string &text) {
    const std::u8string utf8(text.begin(), text.end());
    return std::filesystem::path(utf8);
}

LoadedFile failure(LoadedFile::Status status, std::string reason = {}) {
    LoadedFile file;
    file.status = status;
    file.reason = std::move(reason);
    return file;
}

std::string tooLargeReason() {
    return "the file holds " + std::to_string(DiskFileSource::kMaxFileBytes + 1) +
           " bytes or more, more than the unit's flash takes";
}

} // namespace

LoadedFile DiskFileSource::load(const std::string &path) {
    namespace fs = std::filesystem;
    const fs::path filePath = pathFromUtf8(path);

    // Only a regular file is firmware: reading a device or a FIFO whole may never end.
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(filePath, ec))
        return failure(LoadedFile::Status::Missing);

    const auto size = fs::file_size(filePath, ec);
    if (!ec && size > kMaxFileBytes)
        return failure(LoadedFile::Status::TooLarge, tooLargeReason());

    errno = 0;
    std::ifstream in(filePath, std::ios::binary);
    if (!in) {
        const int error = errno;
        return failure(LoadedFile::Status::Unreadable,
                       error != 0 ? std::generic_category().message(error) : "cannot be opened");
    }

    // Read to the end rather than trusting the size: the file may change under us, and
    // what is in memory when the file starts is what goes out.
    LoadedFile file;
    file.status = LoadedFile::Status::Loaded;
    if (!ec)
        file.bytes.reserve(static_cast<std::size_t>(size) + kReadChunkBytes); // no regrowth
    std::size_t used = 0;
    for (;;) {
        file.bytes.resize(used + kReadChunkBytes);
        errno = 0;
        in.read(reinterpret_cast<char *>(file.bytes.data() + used), kReadChunkBytes);
        used += static_cast<std::size_t>(in.gcount());
        if (used > kMaxFileBytes)
            return failure(LoadedFile::Status::TooLarge, tooLargeReason());
        if (in.eof())
            break;
        if (!in) {
            const int error = errno;
            return failure(LoadedFile::Status::Unreadable,
                           error != 0 ? std::generic_category().message(error) : "read failed");
        }
    }
    file.bytes.resize(used);
    return file;
}

} // namespace loader
