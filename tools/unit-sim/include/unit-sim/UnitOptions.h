#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace unitsim {

// Picks blocks: block `block` (counted from 1 within one attempt of a file) of the file with
// command byte `command`, or of every file when `command` is empty.
struct BlockSelector {
    std::optional<std::uint8_t> command;
    int block = 1;

    bool matches(std::optional<std::uint8_t> fileCommand, int blockNumber) const {
        return blockNumber == block && (!command || command == fileCommand);
    }
};

// Picks files by command byte; every file when `command` is empty.
struct FileSelector {
    std::optional<std::uint8_t> command;

    bool matches(std::optional<std::uint8_t> fileCommand) const {
        return !command || command == fileCommand;
    }
};

enum class NoiseTarget { AllReplies, Echoes, Acks };

// Bytes sent just before a reply, as a noisy line would deliver them.
struct NoiseFault {
    // Sent as given; when empty, `randomCount` random bytes are sent instead, none of them a
    // command byte (A4..A9) except one stray A9 that is followed by a byte other than the
    // true checksum, so that a loader taking it for the acknowledgement sees a mismatch.
    std::vector<std::uint8_t> bytes;
    int randomCount = 8;
    NoiseTarget target = NoiseTarget::AllReplies;
    // When set, only the acknowledgement of this block is preceded by noise.
    std::optional<BlockSelector> onlyBlock;
};

// Faults on demand. Each applies every time its selector matches.
struct Faults {
    std::optional<NoiseFault> noiseBeforeReply;
    std::optional<BlockSelector> wrongChecksum; // acknowledge with the true checksum + 1
    std::optional<FileSelector> noEcho;         // do not answer the file start
    std::optional<BlockSelector> noAckAfter;    // take the block, do not acknowledge it
    std::optional<BlockSelector> vanishAfter;   // take the block, then close the port
};

enum class AnnounceMode {
    AfterDelay, // `announceDelay` after the loader has opened and configured the port
    Manual      // only when told to (SimulatedUnit::announceNow())
};

struct UnitOptions {
    // What the unit sends when it starts in boot mode. The loader recognises it when there
    // are more than three bytes and the third is 55.
    std::vector<std::uint8_t> announcement = {0x07, 0x82, 0x55, 0x00};
    AnnounceMode announceMode = AnnounceMode::AfterDelay;
    std::chrono::milliseconds announceDelay{500};
    // Announce at every opening of the port (a unit restarted for every connection), or only
    // at the first one.
    bool announceEachOpening = true;
    // Stay silent unless the line is what the loader sets (isLoaderLine()).
    bool requireExpectedLine = false;
    // Let bytes pass in both directions no faster than the line's baud rate carries them,
    // at 11 bits a byte.
    bool pace = false;
    std::chrono::milliseconds replyDelay{0}; // before every echo and acknowledgement
    Faults faults;
    // After vanishing, come back at the same link this long afterwards; never when empty.
    std::optional<std::chrono::milliseconds> comeBackAfter;
    // Images (A4.bin ... A7.bin) and transcript.jsonl go here; nothing is written when empty.
    std::filesystem::path outputFolder;
    // Also make this path a symlink to the port; removed again when the unit ends.
    std::filesystem::path linkPath;
    std::uint32_t randomSeed = 1; // for random noise; the same seed gives the same bytes
    // Readable lines about what happens, called on the unit's own thread.
    std::function<void(const std::string &line)> log;
    // Called with the port's path whenever a port has been made (at start and at each
    // come-back), on the thread that made it.
    std::function<void(const std::string &portPath)> portReady;
};

} // namespace unitsim
