#include "loader/TickSource.h"

#include <chrono>

namespace loader {

std::uint32_t SteadyTickSource::tickMs() const {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms); // wraps as the counter of the unit's tools does
}

} // namespace loader
