// The payload rate through the real serial layer and the loader core, with the simulated
// unit letting bytes pass no faster than each link's line carries them.
#include "BenchRig.h"
#include "BlockFigures.h"
#include "FirmwareFiles.h"
#include "FlashSession.h"
#include "Measurement.h"
#include "Statistics.h"

#include <array>
#include <chrono>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr double kTargetPercent = 98;
constexpr std::uint64_t kSmokePayloadBytes = 8 * 1024;
// About 12 s of line time at each rate.
constexpr double kFullRunLineSeconds = 12;
constexpr std::uint64_t kPayloadGrainBytes = 64 * 1024;
constexpr std::array<std::uint32_t, 3> kBaudRates{230400, 460800, 921600};

std::uint64_t payloadBytesFor(std::uint32_t baudRate, bool smoke) {
    if (smoke)
        return kSmokePayloadBytes;
    const auto bytes =
        static_cast<std::uint64_t>(lineLimitBytesPerSecond(baudRate) * kFullRunLineSeconds);
    return (bytes / kPayloadGrainBytes + 1) * kPayloadGrainBytes;
}

JsonObject measureAt(std::uint32_t baudRate, const BenchContext &context) {
    JsonObject result = newResult("paced_throughput", context);
    result.add("baud", baudRate);
    const std::uint64_t payload = payloadBytesFor(baudRate, context.smoke);
    result.add("payload_bytes", payload);

    std::string error;
    FirmwareFiles files;
    if (!files.create(1, payload, error))
        return finishResult(result, error);
    RigOptions options;
    options.baudRate = baudRate;
    options.unit.paced = true;
    options.unit.outputFolder = unitOutputFor(context, "paced_" + std::to_string(baudRate));
    options.slotPaths = files.slotPaths();
    BenchRig rig(context.unitSimPath, options);

    const double limit = lineLimitBytesPerSecond(baudRate);
    const auto timeLimit = std::chrono::milliseconds(static_cast<std::int64_t>(
                               3000.0 * static_cast<double>(payload) / limit)) +
                           15s;
    const FlashOutcome outcome = flashAllSlots(rig, timeLimit);
    if (!outcome.ok())
        return finishResult(result, outcome.error);

    const double rate = static_cast<double>(payload) / outcome.seconds();
    const double percent = 100.0 * rate / limit;
    result.add("seconds", outcome.seconds(), 3)
        .add("bytes_per_s", rate, 1)
        .add("limit_bytes_per_s", limit, 1)
        .add("percent_of_limit", percent)
        .add("target_percent", kTargetPercent, 0)
        .add("met", percent >= kTargetPercent);

    // Where a block's time goes. The unit's side (its pacing, the pseudo-terminal both ways)
    // is what a block takes from its request to the arrival of the acknowledgement beyond the
    // line time of its 260 bytes; the loader's side is from that arrival to the next request.
    const BlockFigures blocks = blockFigures(rig.timedPort().blocks());
    const double lineUs = blockLineMicroseconds(baudRate);
    const double unitSideUs = median(blocks.requestToAckArrival);
    result.add("blocks", static_cast<std::uint64_t>(rig.timedPort().blocks().size()))
        .add("line_us_per_block", lineUs, 1)
        .add("median_block_cycle_us", median(blocks.cycle), 1)
        .add("median_request_to_ack_arrival_us", unitSideUs, 1)
        .add("median_unit_side_excess_us", unitSideUs - lineUs, 1)
        .add("median_ack_arrival_to_next_request_us", median(blocks.ackArrivalToNextRequest), 1)
        .add("p99_ack_arrival_to_next_request_us", percentile(blocks.ackArrivalToNextRequest, 99),
             1)
        .add("median_block_percent_of_limit", 100.0 * lineUs / median(blocks.cycle))
        .add("measured", "Send all to Idle, one file; unit-sim --pace in a separate process")
        .add("view", kViewText);
    return finishResult(result, {});
}

} // namespace

std::vector<JsonObject> measurePacedThroughput(const BenchContext &context) {
    std::vector<JsonObject> results;
    for (const std::uint32_t baudRate : kBaudRates)
        results.push_back(measureAt(baudRate, context));
    return results;
}

} // namespace bench
