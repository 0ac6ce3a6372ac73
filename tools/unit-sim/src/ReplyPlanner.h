#pragma once

#include "RequestParser.h"
#include "unit-sim/UnitOptions.h"

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace unitsim {

// The sum of the bytes modulo 256.
std::uint8_t blockChecksum(std::span<const std::uint8_t> data);

// How the unit answers one request.
struct Reaction {
    // The request as the unit places it.
    std::optional<std::uint8_t> command;      // the file it belongs to
    std::optional<int> block;                 // from 1 within the file attempt
    std::optional<int> attempt;               // of a file start: how often this file has started
    std::optional<std::uint8_t> trueChecksum; // of a block's data

    // What to send back; nothing when `reply` is empty.
    std::vector<std::uint8_t> noise;
    std::vector<std::uint8_t> reply;
    MessageKind replyKind = MessageKind::Echo;
    std::optional<std::uint8_t> sentChecksum;

    std::string fault;   // the fault on demand that shaped the reaction
    bool vanish = false; // close the unit's side instead of answering
};

// Decides the replies: an echo for each file start, an acknowledgement with the checksum for
// each block, nothing for the rest; and where the faults on demand apply. Keeps track of the
// file that blocks belong to: the latest file start, until a reboot request.
class ReplyPlanner {
public:
    explicit ReplyPlanner(Faults faults, std::uint32_t randomSeed);

    Reaction react(const Request &request);

private:
    Reaction reactToFileStart(std::uint8_t command);
    Reaction reactToBlock(std::span<const std::uint8_t> data);
    std::vector<std::uint8_t> noiseFor(MessageKind replyKind, const Reaction &reaction);
    std::vector<std::uint8_t> randomNoise(int count, std::uint8_t trueChecksum);

    Faults m_faults;
    std::mt19937 m_random;
    std::optional<std::uint8_t> m_file;
    int m_blocksInFile = 0;
    std::map<std::uint8_t, int> m_attempts;
};

} // namespace unitsim
