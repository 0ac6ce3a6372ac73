#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The texts of the status panels.
namespace loader::texts {

inline constexpr int kPanelAttempts = 0;
inline constexpr int kPanelFileStatus = 1;
inline constexpr int kPanelBytesSent = 2;
inline constexpr int kPanelByteRate = 3;
inline constexpr int kPanelState = 4;
inline constexpr int kPanelReceived = 5;

std::string tryConnect(std::int32_t attempts);
std::string loadingFile(std::string_view name);
std::string fileWritten(std::string_view name);
std::string fileError(std::string_view name);

enum class PathStyle {
    Windows, // folders end at "\" and the drive at ":"
    Posix,   // folders end at "/"
};

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// The file name part of a path as shown in status texts: what follows the last separator,
// or the whole text when there is none.
std::string_view fileNameForDisplay(std::string_view path, PathStyle style = kNativePathStyle);

} // namespace loader::texts
