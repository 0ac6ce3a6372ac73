#pragma once

#include <cstdint>

namespace loader {

// A millisecond counter that wraps at 2^32; differences are taken modulo 2^32.
class TickSource {
public:
    virtual ~TickSource() = default;
    virtual std::uint32_t tickMs() const = 0;
};

// The monotonic clock of the standard library.
class SteadyTickSource final : public TickSource {
public:
    std::uint32_t tickMs() const override;
};

} // namespace loader
