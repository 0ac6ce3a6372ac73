// Thousands of seeded random reply streams against the connection: noise, stray A9
// bytes, short and cut-off replies, wrong echoes and checksums, arriving in chunks.
// Whatever comes, the loader sends only protocol messages, one request at a time, and
// ends each file exactly as the rules say.

#include "ScriptedUnit.h"

#include "loader/LoaderStates.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

namespace {

using fakes::Bytes;
namespace states = loader::states;

constexpr int kStreams = 3000;
constexpr int kPassLimit = 4000;
const std::array<std::uint8_t, 4> kCommands{0xA4, 0xA5, 0xA6, 0xA7};
const std::array<const char *, 4> kNames{"os.pr", "firmware.pr", "firmware.rs", "firmware.bk"};
const std::array<int, 4> kSlots{1, 4, 2, 3};

enum class Outcome { Written, Failed, Stuck };

// What the loader makes of one reply: the index of the byte it settles on, or nothing
// when it keeps waiting. A reply is looked at once two of its bytes are in; then bytes
// are skipped up to `wanted`, and for an acknowledgement the byte after it is the checksum.
std::optional<std::size_t> settledAt(const Bytes &reply, std::uint8_t wanted, bool takeNext) {
    if (reply.size() < 2)
        return std::nullopt;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        if (reply[i] != wanted)
            continue;
        if (!takeNext)
            return i;
        if (i + 1 < reply.size())
            return i + 1;
        return std::nullopt;
    }
    return std::nullopt;
}

class Stream {
public:
    explicit Stream(std::uint32_t seed) : m_rng(seed) {}

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    std::uint8_t byte() {
        // A9 and the command bytes come up far more often than by chance.
        const int kind = pick(0, 9);
        if (kind == 0)
            return 0xA9;
        if (kind == 1)
            return kCommands[static_cast<std::size_t>(pick(0, 3))];
        return static_cast<std::uint8_t>(pick(0, 255));
    }
    Bytes noise(int maxLength) {
        Bytes bytes(static_cast<std::size_t>(pick(0, maxLength)));
        for (auto &b : bytes)
            b = byte();
        return bytes;
    }

    Bytes echo(std::uint8_t c) {
        switch (pick(0, 9)) {
        case 0:
            return noise(3); // may hold c, may be too short
        case 1:
            return {c}; // too short: waits for ever
        default: {
            Bytes reply = noise(4);
            reply.push_back(c);
            reply.push_back(0x00);
            return reply;
        }
        }
    }
    Bytes ack(std::uint8_t sum) {
        switch (pick(0, 14)) {
        case 0:
            return noise(4); // garbage, perhaps a stray A9
        case 1:
            return {0xA9}; // cut off
        case 2: {
            Bytes reply = noise(3);
            reply.push_back(0xA9);
            reply.push_back(static_cast<std::uint8_t>(sum + pick(1, 255))); // wrong checksum
            return reply;
        }
        default: {
            Bytes reply = noise(3);
            reply.push_back(0xA9);
            reply.push_back(sum);
            reply.push_back(byte()); // trailing bytes are purged by the next request
            return reply;
        }
        }
    }

    // Splits a reply over passes of events; the byte the loader settles on comes with the
    // last chunk, with all after it (later chunks would land after the next request).
    std::deque<Bytes> chunks(const Bytes &reply, std::optional<std::size_t> settled) {
        std::deque<Bytes> parts;
        std::size_t at = 0;
        const std::size_t lastChunkFrom = settled.value_or(reply.size());
        while (at < lastChunkFrom) {
            const auto size = static_cast<std::size_t>(pick(1, 3));
            const std::size_t end = std::min(lastChunkFrom, at + size);
            parts.emplace_back(reply.begin() + static_cast<std::ptrdiff_t>(at),
                               reply.begin() + static_cast<std::ptrdiff_t>(end));
            at = end;
            if (pick(0, 2) == 0)
                parts.emplace_back(); // a pass with nothing new
        }
        if (at < reply.size())
            parts.emplace_back(reply.begin() + static_cast<std::ptrdiff_t>(at), reply.end());
        if (parts.size() > 1 && pick(0, 1) == 0) { // or all at once
            parts = {reply};
        }
        return parts;
    }

private:
    std::mt19937 m_rng;
};

// Splits what the loader sent into messages; fails on anything else.
void expectOnlyProtocolMessages(const Bytes &sent, std::uint32_t seed) {
    std::size_t at = 0;
    const auto starts = [&](std::initializer_list<std::uint8_t> head) {
        return sent.size() - at >= head.size() &&
               std::equal(head.begin(), head.end(), sent.begin() + static_cast<std::ptrdiff_t>(at));
    };
    while (at < sent.size()) {
        if (starts({0xA1, 0x04, 0x55, 0x66, 0x77, 0x88}))
            at += 6;
        else if (starts({0xA9, 0x00}) && sent.size() - at >= 258)
            at += 258;
        else if (sent[at] >= 0xA4 && sent[at] <= 0xA8 && starts({sent[at], 0x00}))
            at += 2;
        else {
            ADD_FAILURE() << "seed " << seed << ": not a message at byte " << at;
            return;
        }
    }
}

TEST(RandomReplies, LoaderKeepsToTheProtocolAndEndsFilesByTheRules) {
    for (int streamIndex = 0; streamIndex < kStreams; ++streamIndex) {
        const auto seed = static_cast<std::uint32_t>(0x5EED0000u + streamIndex);
        Stream stream(seed);
        fakes::ConnectionRig rig;

        std::array<std::optional<Bytes>, 4> fileBytes;
        for (std::size_t i = 0; i < 4; ++i) {
            if (stream.pick(0, 5) == 0)
                continue; // a slot left empty
            Bytes bytes(static_cast<std::size_t>(stream.pick(0, 700)));
            for (auto &b : bytes)
                b = static_cast<std::uint8_t>(stream.pick(0, 255));
            const std::string path = std::string("/fw/") + kNames[i];
            rig.files.add(path, bytes);
            rig.view.slots[static_cast<std::size_t>(kSlots[i] - 1)] = path;
            fileBytes[i] = std::move(bytes);
        }

        // The unit answers with random replies and keeps the loader's expected outcome.
        std::vector<Outcome> expected;
        bool stuck = false;
        bool requestAnswered = true; // no request is outstanding yet
        int overlapping = 0;
        std::size_t fileIndex = 0;
        rig.unit.echo = [&](std::uint8_t c) {
            if (!requestAnswered)
                ++overlapping;
            while (fileIndex < 4 && !fileBytes[fileIndex]) {
                expected.push_back(Outcome::Failed);
                ++fileIndex;
            }
            const Bytes reply = stream.echo(c);
            const auto settled = settledAt(reply, c, false);
            requestAnswered = settled.has_value();
            if (!settled) {
                stuck = true;
                expected.push_back(Outcome::Stuck);
            }
            rig.unit.arriveLater = stream.chunks(reply, settled);
            return Bytes{};
        };
        rig.unit.ack = [&](std::uint8_t, int n, std::uint8_t sum) {
            if (!requestAnswered)
                ++overlapping;
            const Bytes reply = stream.ack(sum);
            const auto settled = settledAt(reply, 0xA9, true);
            requestAnswered = settled.has_value();
            const std::size_t size = fileBytes[fileIndex]->size();
            const bool last = static_cast<std::size_t>(n + 1) * 256 >= size;
            if (!settled) {
                stuck = true;
                expected.push_back(Outcome::Stuck);
            } else if (reply[*settled] != sum) {
                expected.push_back(Outcome::Failed);
                ++fileIndex;
            } else if (last) {
                expected.push_back(Outcome::Written);
                ++fileIndex;
            }
            rig.unit.arriveLater = stream.chunks(reply, settled);
            return Bytes{};
        };
        bool pressed = false;
        rig.user = [&](int) {
            if (!pressed && rig.shared.LoaderState == states::kReady) {
                pressed = true;
                rig.shared.LoaderState = states::kSendAll;
            }
        };
        rig.view.maxPasses = kPassLimit;
        rig.stopWhen = [&] {
            return (pressed && rig.shared.LoaderState == states::kIdle) ||
                   (stuck && rig.unit.arriveLater.empty() && rig.view.waitingPasses > 20);
        };
        rig.run();

        ASSERT_FALSE(rig.view.passLimitHit) << "seed " << seed;
        while (!stuck && fileIndex < 4) { // empty slots after the last file sent
            expected.push_back(fileBytes[fileIndex] ? Outcome::Stuck : Outcome::Failed);
            ++fileIndex;
        }
        expectOnlyProtocolMessages(rig.port.sent, seed);
        ASSERT_EQ(overlapping, 0) << "seed " << seed << ": a request before the last was answered";

        std::vector<Outcome> shown;
        for (const auto &[panel, text] : rig.view.panelLog) {
            if (panel != 1 || text.rfind("File ", 0) != 0)
                continue;
            shown.push_back(text.size() > 8 && text.compare(text.size() - 8, 8, " written") == 0
                                ? Outcome::Written
                                : Outcome::Failed);
        }
        if (stuck)
            shown.push_back(Outcome::Stuck);
        ASSERT_EQ(shown, expected) << "seed " << seed;
    }
}

} // namespace
