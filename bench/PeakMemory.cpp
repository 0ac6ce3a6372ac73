// The loader's peak resident memory while it writes four large files.
#include "BenchRig.h"
#include "FirmwareFiles.h"
#include "FlashSession.h"
#include "Measurement.h"
#include "ProcessUsage.h"

#include <chrono>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kFullFileBytes = 16 * kMiB;
constexpr std::uint64_t kSmokeFileBytes = 256 * 1024;
constexpr std::uint64_t kAllowanceBytes = 64 * kMiB; // beyond the files' total size
constexpr int kFileCount = 4;
constexpr auto kTimeLimit = 600s;

} // namespace

std::vector<JsonObject> measurePeakMemory(const BenchContext &context) {
    JsonObject result = newResult("peak_memory", context);
    std::string error;
    FirmwareFiles files;
    if (!files.create(kFileCount, context.smoke ? kSmokeFileBytes : kFullFileBytes, error))
        return {finishResult(result, error)};
    result.add("files", kFileCount).add("file_bytes_total", files.totalBytes());

    RigOptions options;
    options.slotPaths = files.slotPaths();
    options.recordBlockTimings = false; // their memory would be counted
    options.unit.outputFolder = unitOutputFor(context, "peak_memory");
    BenchRig rig(context.unitSimPath, options);

    const auto residentBefore = residentBytes();
    const bool peakReset = resetPeakResident();
    const FlashOutcome outcome = flashAllSlots(rig, kTimeLimit);
    const auto peak = peakResidentBytes();
    if (!outcome.ok())
        return {finishResult(result, outcome.error)};
    if (!peak)
        return {finishResult(result, "this system does not tell the peak resident memory")};

    const std::uint64_t limit = files.totalBytes() + kAllowanceBytes;
    if (residentBefore)
        result.add("rss_before_bytes", *residentBefore);
    result.add("peak_rss_bytes", *peak)
        .add("peak_rss_mib", static_cast<double>(*peak) / kMiB, 1)
        .add("limit_bytes", limit)
        .add("met", *peak <= limit)
        .add("seconds", outcome.seconds(), 3)
        .add("measured", peakReset ? "VmHWM of the loader process, reset before connecting; "
                                     "unit-sim unpaced in a separate process"
                                   : "peak resident size of the loader process since it "
                                     "started; unit-sim unpaced in a separate process")
        .add("view", kViewText);
    return {finishResult(result, {})};
}

} // namespace bench
