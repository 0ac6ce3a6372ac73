#include "unit-sim/HexBytes.h"

namespace unitsim {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

std::optional<int> digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

bool isSeparator(char c) {
    return c == ' ' || c == ',' || c == ':' || c == '\t';
}

bool startsWithHexPrefix(std::string_view text) {
    return text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

} // namespace

std::string hexByte(std::uint8_t byte) {
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += hexByte(byte);
    }
    return text;
}

std::optional<std::uint8_t> parseHexByte(std::string_view text) {
    if (startsWithHexPrefix(text))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        auto digit = digitValue(c);
        if (!digit)
            return std::nullopt;
        value = value * 16 + *digit;
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isSeparator(text[i])) {
            ++i;
            continue;
        }
        if (startsWithHexPrefix(text.substr(i)))
            i += 2;
        // A group of digits up to the next separator: pairs, or one lone digit.
        std::size_t end = i;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        std::string_view group = text.substr(i, end - i);
        if (group.empty())
            return std::nullopt;
        if (group.size() > 1 && group.size() % 2 != 0)
            return std::nullopt;
        for (std::size_t at = 0; at < group.size(); at += 2) {
            auto byte = parseHexByte(group.substr(at, 2));
            if (!byte)
                return std::nullopt;
            bytes.push_back(*byte);
        }
        i = end;
    }
    if (bytes.empty())
        return std::nullopt;
    return bytes;
}

} // namespace unitsim
