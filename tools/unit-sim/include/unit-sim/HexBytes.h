#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace unitsim {

std::string hexByte(std::uint8_t byte);                    // "A9"
std::string hexBytes(std::span<const std::uint8_t> bytes); // "A9 00 1F"

// One byte written as one or two hex digits, optionally after "0x": "A9", "0xa9", "7".
std::optional<std::uint8_t> parseHexByte(std::string_view text);
// Hex pairs, separated by spaces, commas, colons or nothing: "A1 04 55", "a1,04", "A10455",
// "0xA1 0x04". Empty or malformed text gives nothing.
std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view text);

} // namespace unitsim
