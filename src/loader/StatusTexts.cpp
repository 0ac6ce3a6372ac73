#include "loader/StatusTexts.h"

namespace loader::texts {

std::string tryConnect(std::int32_t attempts) {
    return "try connect " + std::to_string(attempts);
}

std::string loadingFile(std::string_view name) {
    return "Loading file " + std::string(name) + " to Flash...";
}

std::string fileWritten(std::string_view name) {
    return "File " + std::string(name) + " written";
}

std::string fileError(std::string_view name) {
    return "File " + std::string(name) + " error";
}

std::string_view fileNameForDisplay(std::string_view path, PathStyle style) {
    const std::string_view separators = style == PathStyle::Windows ? "\\:" : "/";
    const auto last = path.find_last_of(separators);
    return last == std::string_view::npos ? path : path.substr(last + 1);
}

} // namespace loader::texts
