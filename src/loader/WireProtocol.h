#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The byte protocol between the loader and the unit's boot mode. There is no framing:
// the unit speaks first with its boot announcement, then the loader makes one request at
// a time, and only file starts and blocks are answered.
namespace loader::wire {

inline constexpr std::size_t kBlockSizeBytes = 256;
using Block = std::array<std::uint8_t, kBlockSizeBytes>;

// The announcement is recognised by its third byte alone.
inline constexpr std::size_t kAnnouncementBytesRead = 3;
inline constexpr std::uint8_t kAnnouncementMarker = 0x55;
// More than this many received bytes means the announcement is there to be read.
inline constexpr std::uint32_t kAnnouncementMinReceived = 3;

inline constexpr std::array<std::uint8_t, 6> kBootModeReply{0xA1, 0x04, 0x55, 0x66, 0x77, 0x88};

// Every request ends with this byte after its command byte.
inline constexpr std::uint8_t kRequestTail = 0x00;
inline constexpr std::uint8_t kBlockCommand = 0xA9; // header of a block frame
inline constexpr std::uint8_t kBlockAck = 0xA9;     // first byte of a block acknowledgement
inline constexpr std::uint8_t kRebootCommand = 0xA8;

// A reply is looked at once this many bytes have arrived since the request.
inline constexpr std::uint32_t kReplyMinBytes = 2;

// The unsigned 8-bit sum of all bytes of a block, wrapping at 256.
std::uint8_t blockChecksum(std::span<const std::uint8_t, kBlockSizeBytes> block);

} // namespace loader::wire
