#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace bench {

// The processor time and wall time of this process at one moment.
struct UsageSample {
    std::chrono::steady_clock::time_point wall;
    double userSeconds = 0;
    double systemSeconds = 0;
};

UsageSample sampleUsage();

// User plus system time between the samples over the wall time between them, in percent of
// one core.
double processorPercent(const UsageSample &from, const UsageSample &to);

// The most this process has had resident since it started or since resetPeakResident().
std::optional<std::uint64_t> peakResidentBytes();
std::optional<std::uint64_t> residentBytes();
// Lets the peak start again from what is resident now; false where the system cannot.
bool resetPeakResident();

} // namespace bench
