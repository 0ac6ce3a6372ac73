#pragma once

#include "unit-sim/LineSettings.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace unitsim {

enum class Direction {
    In,   // from the loader to the unit
    Out,  // from the unit to the loader
    Event // something the unit noticed or did that is not a message
};

enum class MessageKind {
    // In
    BootReply,  // A1 04 55 66 77 88 (`ok` tells whether it was exactly that)
    FileStart,  // c 00
    Block,      // A9 00 + 256 data bytes
    Reboot,     // A8 00
    Unknown,    // bytes that start no message
    Incomplete, // the start of a message that was cut off (port closed or output purged)
    // Out
    Announcement,
    Echo,
    Ack,
    Noise,
    // Event
    PortCreated, // a pseudo-terminal was made; `text` holds its path
    Opened,      // the loader opened the port; `number` counts the openings
    Line,        // the line settings the loader set; `line` holds them
    Purge,       // the loader purged its queues; `text` is "input", "output" or "both"
                 // (purges close together, before the unit looked, show as one)
    Closed,      // the loader closed the port
    Silent,      // the unit did not answer; `text` says why
    Fault,       // a fault on demand suppressed a reply; `fault` names it
    Dropped,     // bytes still waiting to be sent when the port closed
    Vanished,    // the unit closed its side of the port
};

struct TranscriptEntry {
    std::uint64_t seq = 0;             // 1, 2, 3 ... in the order of the transcript
    std::chrono::microseconds time{0}; // since the unit started
    Direction direction = Direction::Event;
    MessageKind kind = MessageKind::Unknown;
    std::vector<std::uint8_t> bytes;          // the message's bytes as they passed the line
    std::optional<std::uint8_t> command;      // file command byte A4..A7
    std::optional<int> block;                 // block number within one file attempt, from 1
    std::optional<int> number;                // attempt of a file start, count of an opening
    std::optional<std::uint8_t> checksum;     // of a block received, or sent in an ack
    std::optional<std::uint8_t> trueChecksum; // an ack's checksum of the data received
    std::optional<bool> ok; // boot reply: exactly A1 04 55 66 77 88; line: the loader's line
    std::optional<LineSettings> line;
    std::string fault; // the fault on demand that shaped this entry
    std::string text;
};

const char *directionName(Direction direction); // "in", "out", "event"
const char *kindName(MessageKind kind);         // "boot_reply", "file_start", "block", ...

// One JSON object without a line break, for example
// {"seq":7,"t_ms":12.345,"dir":"out","kind":"ack","command":"A4","block":1,
//  "checksum":"3C","true_checksum":"3C","bytes":"A9 3C"}
// Bytes are upper-case hex pairs separated by spaces.
std::string toJsonLine(const TranscriptEntry &entry);

} // namespace unitsim
