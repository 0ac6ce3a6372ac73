#include "ProcessUsage.h"

#include <fstream>
#include <string>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#define BENCH_HAS_RUSAGE 1
#endif

namespace bench {

namespace {

#ifdef __linux__
// A "Name:   1234 kB" line of /proc/self/status.
std::optional<std::uint64_t> statusKilobytes(const std::string &name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) == 0)
            return std::stoull(line.substr(name.size() + 1)) * 1024;
    }
    return std::nullopt;
}
#endif

} // namespace

UsageSample sampleUsage() {
    UsageSample sample;
    sample.wall = std::chrono::steady_clock::now();
#ifdef BENCH_HAS_RUSAGE
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) == 0) {
        sample.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) +
                             static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
        sample.systemSeconds = static_cast<double>(usage.ru_stime.tv_sec) +
                               static_cast<double>(usage.ru_stime.tv_usec) / 1e6;
    }
#endif
    return sample;
}

double processorPercent(const UsageSample &from, const UsageSample &to) {
    const double wall = std::chrono::duration<double>(to.wall - from.wall).count();
    const double busy =
        (to.userSeconds - from.userSeconds) + (to.systemSeconds - from.systemSeconds);
    return wall > 0 ? 100.0 * busy / wall : 0.0;
}

std::optional<std::uint64_t> peakResidentBytes() {
#ifdef __linux__
    if (auto peak = statusKilobytes("VmHWM"))
        return peak;
#endif
#ifdef BENCH_HAS_RUSAGE
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) == 0) {
#ifdef __APPLE__
        return static_cast<std::uint64_t>(usage.ru_maxrss); // bytes there
#else
        return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
#endif
    }
#endif
    return std::nullopt;
}

std::optional<std::uint64_t> residentBytes() {
#ifdef __linux__
    return statusKilobytes("VmRSS");
#else
    return std::nullopt;
#endif
}

bool resetPeakResident() {
#ifdef __linux__
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5"; // resets the high-water mark to the current resident size
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
#else
    return false;
#endif
}

} // namespace bench
