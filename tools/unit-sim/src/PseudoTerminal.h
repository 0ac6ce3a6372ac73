#pragma once

#include "unit-sim/LineSettings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace unitsim {

// The unit's side (the master) of a pseudo-terminal, in packet mode so that the purges of
// the program on the other side show up as status bytes. Non-blocking; move-only.
class PseudoTerminal {
public:
    // What one read brought.
    struct Input {
        enum class Result { Data, Status, NothingWaiting, PeerClosed, Failed };
        Result result = Result::NothingWaiting;
        std::size_t dataBytes = 0; // for Data: how many bytes went into the buffer
        std::uint8_t status = 0;   // for Status: the packet-mode status bits
    };

    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(PseudoTerminal &&other) noexcept;
    PseudoTerminal &operator=(PseudoTerminal &&other) noexcept;
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool open(std::string &error);
    void close();
    bool isOpen() const { return m_masterFd >= 0; }

    int masterFd() const { return m_masterFd; }
    const std::string &path() const { return m_path; }

    // Whether a program has the other side open now. Never blocks.
    bool peerOpen() const;
    std::optional<LineSettings> lineSettings() const;
    // Bytes that the other side has written and the unit has not read yet; 0 if unknown.
    std::size_t bytesWaiting() const;

    // Reads at most `buffer.size()` data bytes, or one status.
    Input read(std::span<std::uint8_t> buffer);
    // Writes what fits now; returns the count written, 0 when the queue is full, -1 when the
    // other side is gone or the write failed (`error` then says why).
    long write(std::span<const std::uint8_t> bytes, std::string &error);

    static bool isPurgeOfInput(std::uint8_t status);  // the other side emptied its input
    static bool isPurgeOfOutput(std::uint8_t status); // the other side emptied its output
    // The other side switched software flow control off (raw mode, as on opening) or on
    // again (as when the old settings are put back on closing), by setting the line.
    static bool isFlowControlSwitchedOff(std::uint8_t status);
    static bool isFlowControlSwitchedOn(std::uint8_t status);

private:
    int m_masterFd = -1;
    std::string m_path;
};

} // namespace unitsim
