#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace unitsim {

// Lets bytes pass one way along a serial line no faster than the line carries them: at
// `bitsPerSecond`, a byte of 11 bits (start bit, 8 data bits, 2 stop bits) takes 11 bit
// times. A burst starts when bytes begin to wait; byte k of a burst has fully passed
// k byte times after the start.
class LinePacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kBitsPerByte = 11;

    // 0 lets every byte pass at once.
    void setBaudRate(std::uint32_t bitsPerSecond);
    bool isPaced() const { return m_bitsPerSecond != 0; }

    // Bytes are waiting from `now` on: starts a burst unless one is running.
    void begin(Clock::time_point now);
    // How many bytes have fully passed by `now` and not yet been taken.
    std::size_t allowance(Clock::time_point now) const;
    // When `count` more bytes will have passed.
    Clock::time_point timeFor(std::size_t count) const;
    void took(std::size_t count);
    // Nothing is waiting any more: the next byte starts a new burst.
    void idle() { m_busy = false; }
    bool isBusy() const { return m_busy; }

private:
    double byteNanoseconds() const;
    std::chrono::nanoseconds durationOf(std::uint64_t bytes) const;

    std::uint32_t m_bitsPerSecond = 0;
    bool m_busy = false;
    Clock::time_point m_burstStart{};
    std::uint64_t m_burstBytes = 0;
};

} // namespace unitsim
