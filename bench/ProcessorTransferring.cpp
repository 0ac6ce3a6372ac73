// The loader's processor use while it writes a file at the UART rate with a paced unit.
#include "BenchRig.h"
#include "FirmwareFiles.h"
#include "FlashSession.h"
#include "Measurement.h"
#include "ProcessUsage.h"

#include <chrono>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr double kTargetPercent = 15;
constexpr std::uint32_t kBaudRate = 460800;
constexpr std::uint64_t kSmokePayloadBytes = 8 * 1024;
constexpr std::uint64_t kFullPayloadBytes = 256 * 1024; // about 6.4 s on the line
constexpr auto kTimeLimit = 60s;

} // namespace

std::vector<JsonObject> measureProcessorTransferring(const BenchContext &context) {
    JsonObject result = newResult("processor_transferring", context);
    result.add("baud", kBaudRate);
    const std::uint64_t payload = context.smoke ? kSmokePayloadBytes : kFullPayloadBytes;
    result.add("payload_bytes", payload);

    std::string error;
    FirmwareFiles files;
    if (!files.create(1, payload, error))
        return {finishResult(result, error)};
    RigOptions options;
    options.baudRate = kBaudRate;
    options.unit.paced = true;
    options.unit.outputFolder = unitOutputFor(context, "processor_transferring");
    options.slotPaths = files.slotPaths();
    options.recordBlockTimings = false;
    BenchRig rig(context.unitSimPath, options);
    const FlashOutcome outcome = flashAllSlots(rig, kTimeLimit);
    if (!outcome.ok())
        return {finishResult(result, outcome.error)};

    const double percent = processorPercent(outcome.pressed, outcome.finished);
    const double busySeconds = (outcome.finished.userSeconds - outcome.pressed.userSeconds) +
                               (outcome.finished.systemSeconds - outcome.pressed.systemSeconds);
    const std::uint64_t blocks = (payload + 255) / 256;
    result.add("seconds", outcome.seconds(), 3)
        .add("user_s", outcome.finished.userSeconds - outcome.pressed.userSeconds, 4)
        .add("system_s", outcome.finished.systemSeconds - outcome.pressed.systemSeconds, 4)
        .add("processor_percent", percent)
        .add("target_percent", kTargetPercent, 0)
        .add("met", percent <= kTargetPercent)
        .add("blocks", blocks)
        .add("event_passes_per_block",
             static_cast<double>(outcome.eventPasses) / static_cast<double>(blocks), 2)
        .add("processor_us_per_block", 1e6 * busySeconds / static_cast<double>(blocks), 1)
        .add("measured",
             std::string(kLoaderProcessText) + ", Send all to Idle, unit-sim --pace at 460800")
        .add("view", kViewText);
    return {finishResult(result, {})};
}

} // namespace bench
