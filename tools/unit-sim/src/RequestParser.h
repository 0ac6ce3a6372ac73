#pragma once

#include "unit-sim/Transcript.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace unitsim {

inline constexpr std::uint8_t kBootReplyStart = 0xA1;
inline constexpr std::uint8_t kFirstFileCommand = 0xA4;
inline constexpr std::uint8_t kLastFileCommand = 0xA7;
inline constexpr std::uint8_t kRebootCommand = 0xA8;
inline constexpr std::uint8_t kBlockCommand = 0xA9;
inline constexpr std::size_t kBlockDataBytes = 256;
inline constexpr std::uint8_t kBootReply[] = {0xA1, 0x04, 0x55, 0x66, 0x77, 0x88};

inline bool isFileCommand(std::uint8_t byte) {
    return byte >= kFirstFileCommand && byte <= kLastFileCommand;
}

// One message from the loader, or bytes that make none.
struct Request {
    MessageKind kind = MessageKind::Unknown; // BootReply, FileStart, Block, Reboot, Unknown,
                                             // Incomplete
    std::vector<std::uint8_t> bytes;         // all of it, header included
    std::optional<std::uint8_t> command;     // of a file start

    std::span<const std::uint8_t> blockData() const {
        return std::span<const std::uint8_t>(bytes).subspan(2);
    }
};

// Splits the loader's byte stream into requests. Messages have no framing, so a message is
// known by its first byte: A1 takes five more bytes (the boot reply), A4..A7 and A8 one more
// (00), A9 one more (00) and then 256 data bytes. Bytes that begin no message are handed on
// as Unknown; a start byte followed by anything but 00 counts as Unknown too, and the byte
// after it is looked at again.
class RequestParser {
public:
    void feed(std::span<const std::uint8_t> bytes, std::vector<Request> &requests);
    // Ends a message cut off in the middle (the port closed, or the loader threw away its
    // output); it is handed on as Incomplete.
    void reset(std::vector<Request> &requests);
    bool isInMessage() const { return !m_pending.empty(); }

private:
    void take(std::uint8_t byte, std::vector<Request> &requests);
    void startMessage(std::uint8_t byte, std::vector<Request> &requests);
    void finish(MessageKind kind, std::vector<Request> &requests);
    void flushUnknown(std::vector<Request> &requests);

    std::vector<std::uint8_t> m_pending; // the message begun
    std::size_t m_expectedBytes = 0;     // its full length
    std::vector<std::uint8_t> m_unknown; // bytes that begin no message
};

} // namespace unitsim
