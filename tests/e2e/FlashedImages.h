#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace e2e {

using Bytes = std::vector<std::uint8_t>;

// What the unit's flash holds after the files were written in this order: whole 256-byte
// blocks, where a short last block carries on with what the loader's block buffer held
// before (zeros at the start of the connection, then bytes of earlier blocks and files).
inline std::vector<Bytes> flashedImages(const std::vector<Bytes> &filesInFlashingOrder) {
    Bytes buffer(256, 0);
    std::vector<Bytes> images;
    for (const Bytes &file : filesInFlashingOrder) {
        Bytes image;
        std::size_t at = 0;
        do {
            const std::size_t count = std::min<std::size_t>(256, file.size() - at);
            std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at), count, buffer.begin());
            image.insert(image.end(), buffer.begin(), buffer.end());
            at += count;
        } while (at < file.size());
        images.push_back(std::move(image));
    }
    return images;
}

} // namespace e2e
