#pragma once

#include "unit-sim/LineSettings.h"
#include "unit-sim/Transcript.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace unitsim {

struct BootReplySeen {
    bool received = false;
    bool correct = false;            // exactly A1 04 55 66 77 88
    std::vector<std::uint8_t> bytes; // as received, the latest one
};

struct AckSent {
    std::optional<std::uint8_t> command; // empty for a block that came without a file start
    int block = 0;                       // from 1 within the file attempt
    std::uint8_t checksum = 0;           // as sent
    std::uint8_t trueChecksum = 0;       // of the 256 data bytes received
};

// What the unit has seen and done so far.
struct Observations {
    std::string portPath;                     // the current pseudo-terminal's path
    bool vanished = false;                    // its side is closed now (until a come-back)
    int openings = 0;                         // times the loader opened the port
    int closings = 0;                         // times it closed it
    std::optional<LineSettings> lineSettings; // the latest line settings the loader set
    int announcements = 0;
    int bootReplies = 0;
    BootReplySeen bootReply;
    std::vector<std::uint8_t> fileStarts;                     // command bytes, in order of arrival
    std::map<std::uint8_t, std::vector<std::uint8_t>> images; // latest attempt per command
    std::vector<AckSent> acks;
    int rebootRequests = 0;
    std::vector<TranscriptEntry> transcript;
    std::string failure; // the first thing that went wrong inside the unit, empty if none

    int blockCount(std::uint8_t command) const {
        auto it = images.find(command);
        return it == images.end() ? 0 : static_cast<int>(it->second.size() / 256);
    }
};

} // namespace unitsim
