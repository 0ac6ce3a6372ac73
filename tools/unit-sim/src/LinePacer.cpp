#include "LinePacer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace unitsim {

void LinePacer::setBaudRate(std::uint32_t bitsPerSecond) {
    if (bitsPerSecond == m_bitsPerSecond)
        return;
    m_bitsPerSecond = bitsPerSecond;
    m_busy = false;
}

double LinePacer::byteNanoseconds() const {
    return kBitsPerByte * 1e9 / m_bitsPerSecond;
}

std::chrono::nanoseconds LinePacer::durationOf(std::uint64_t bytes) const {
    if (m_bitsPerSecond == 0)
        return std::chrono::nanoseconds(0);
    // Rounded up, so that at the time given the bytes have surely passed.
    return std::chrono::nanoseconds(
        static_cast<std::int64_t>(std::ceil(static_cast<double>(bytes) * byteNanoseconds())));
}

void LinePacer::begin(Clock::time_point now) {
    if (m_busy)
        return;
    // A burst cannot start before the bytes of the one before have passed.
    const Clock::time_point lineFree = m_burstStart + durationOf(m_burstBytes);
    m_burstStart = std::max(now, lineFree);
    m_burstBytes = 0;
    m_busy = true;
}

std::size_t LinePacer::allowance(Clock::time_point now) const {
    if (m_bitsPerSecond == 0)
        return std::numeric_limits<std::size_t>::max();
    if (!m_busy || now <= m_burstStart)
        return 0;
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_burstStart).count();
    const auto passed =
        static_cast<std::uint64_t>(std::floor(static_cast<double>(elapsed) / byteNanoseconds()));
    return passed > m_burstBytes ? static_cast<std::size_t>(passed - m_burstBytes) : 0;
}

LinePacer::Clock::time_point LinePacer::timeFor(std::size_t count) const {
    return m_burstStart + durationOf(m_burstBytes + count);
}

void LinePacer::took(std::size_t count) {
    m_burstBytes += count;
}

} // namespace unitsim
