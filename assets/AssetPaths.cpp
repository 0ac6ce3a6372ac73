#include "assets/AssetPaths.h"

namespace assets {

const std::array<const char *, 4> &allAssetPaths() {
    static constexpr std::array<const char *, 4> kAll{kInstructionPicture, kChipPicture,
                                                      kIconPicture, kCarbonStyleSheet};
    return kAll;
}

} // namespace assets
