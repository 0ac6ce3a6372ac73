#include "ReplyPlanner.h"

#include <algorithm>
#include <numeric>

namespace unitsim {

namespace {

constexpr std::uint8_t kEchoTail = 0x00;

bool isCommandByte(std::uint8_t byte) {
    return byte >= kFirstFileCommand && byte <= kBlockCommand;
}

} // namespace

std::uint8_t blockChecksum(std::span<const std::uint8_t> data) {
    return static_cast<std::uint8_t>(std::accumulate(data.begin(), data.end(), 0u) & 0xFFu);
}

ReplyPlanner::ReplyPlanner(Faults faults, std::uint32_t randomSeed)
    : m_faults(std::move(faults)), m_random(randomSeed) {}

Reaction ReplyPlanner::react(const Request &request) {
    switch (request.kind) {
    case MessageKind::FileStart:
        return reactToFileStart(*request.command);
    case MessageKind::Block:
        return reactToBlock(request.blockData());
    case MessageKind::Reboot:
        m_file.reset(); // the unit restarts: no file is open any more
        m_blocksInFile = 0;
        return {};
    default:
        return {};
    }
}

Reaction ReplyPlanner::reactToFileStart(std::uint8_t command) {
    m_file = command;
    m_blocksInFile = 0;
    Reaction reaction;
    reaction.command = command;
    reaction.attempt = ++m_attempts[command];
    reaction.replyKind = MessageKind::Echo;
    if (m_faults.noEcho && m_faults.noEcho->matches(command)) {
        reaction.fault = "no_echo";
        return reaction;
    }
    reaction.reply = {command, kEchoTail};
    reaction.noise = noiseFor(MessageKind::Echo, reaction);
    return reaction;
}

Reaction ReplyPlanner::reactToBlock(std::span<const std::uint8_t> data) {
    Reaction reaction;
    reaction.command = m_file;
    reaction.block = ++m_blocksInFile;
    reaction.trueChecksum = blockChecksum(data);
    reaction.replyKind = MessageKind::Ack;
    const int block = *reaction.block;
    if (m_faults.vanishAfter && m_faults.vanishAfter->matches(m_file, block)) {
        reaction.fault = "vanish_after";
        reaction.vanish = true;
        return reaction;
    }
    if (m_faults.noAckAfter && m_faults.noAckAfter->matches(m_file, block)) {
        reaction.fault = "no_ack_after";
        return reaction;
    }
    std::uint8_t checksum = *reaction.trueChecksum;
    if (m_faults.wrongChecksum && m_faults.wrongChecksum->matches(m_file, block)) {
        checksum = static_cast<std::uint8_t>(checksum + 1);
        reaction.fault = "wrong_checksum";
    }
    reaction.sentChecksum = checksum;
    reaction.reply = {kBlockCommand, checksum};
    reaction.noise = noiseFor(MessageKind::Ack, reaction);
    return reaction;
}

std::vector<std::uint8_t> ReplyPlanner::noiseFor(MessageKind replyKind, const Reaction &reaction) {
    if (!m_faults.noiseBeforeReply)
        return {};
    const NoiseFault &noise = *m_faults.noiseBeforeReply;
    if (noise.onlyBlock) {
        if (replyKind != MessageKind::Ack ||
            !noise.onlyBlock->matches(reaction.command, *reaction.block))
            return {};
    } else if ((noise.target == NoiseTarget::Echoes && replyKind != MessageKind::Echo) ||
               (noise.target == NoiseTarget::Acks && replyKind != MessageKind::Ack)) {
        return {};
    }
    if (!noise.bytes.empty())
        return noise.bytes;
    return randomNoise(noise.randomCount, reaction.trueChecksum.value_or(0));
}

std::vector<std::uint8_t> ReplyPlanner::randomNoise(int count, std::uint8_t trueChecksum) {
    if (count <= 0)
        return {};
    std::uniform_int_distribution<int> byteValue(0, 255);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(count));
    while (bytes.size() < static_cast<std::size_t>(count)) {
        const auto byte = static_cast<std::uint8_t>(byteValue(m_random));
        if (!isCommandByte(byte))
            bytes.push_back(byte);
    }
    // The stray A9 goes where a byte follows it, so that this byte is what a loader takes for
    // the checksum; a lone noise byte is the A9 itself and the reply's A9 follows it.
    std::uniform_int_distribution<int> position(0, std::max(0, count - 2));
    const auto at = static_cast<std::size_t>(position(m_random));
    bytes[at] = kBlockCommand;
    if (at + 1 < bytes.size() && bytes[at + 1] == trueChecksum)
        bytes[at + 1] = static_cast<std::uint8_t>(trueChecksum ^ 0xFF);
    return bytes;
}

} // namespace unitsim
