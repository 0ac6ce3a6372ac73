#pragma once

#include <array>

// Where the program finds its pictures and its style sheet among its Qt resources.
namespace assets {

inline constexpr char kInstructionPicture[] = ":/assets/instruction.svg"; // 561 x 387
inline constexpr char kChipPicture[] = ":/assets/chip.svg";               // 128 x 128
inline constexpr char kIconPicture[] = ":/assets/icon.svg";               // 64 x 64
inline constexpr char kCarbonStyleSheet[] = ":/assets/carbon.qss";

// Every resource above, for checks that all of them were linked in.
const std::array<const char *, 4> &allAssetPaths();

} // namespace assets
