// The time from handing a block to the port until its acknowledgement has been handled, with
// an unpaced unit: the loader's own reaction, once with the window's event pump and once with
// a naive loop that polls without ever waiting.
#include "BenchRig.h"
#include "BlockFigures.h"
#include "FirmwareFiles.h"
#include "FlashSession.h"
#include "Measurement.h"
#include "Statistics.h"

#include <chrono>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr double kTargetMedianUs = 100;
constexpr std::uint64_t kSmokePayloadBytes = 64 * 1024;
constexpr std::uint64_t kFullPayloadBytes = 4 * 1024 * 1024;
constexpr auto kTimeLimit = 120s;

struct LatencyRun {
    std::string error;
    double medianUs = 0;
    double p99Us = 0;
    std::size_t blocks = 0;
    double processorPercent = 0;
};

LatencyRun runWith(BenchView::Polling polling, const BenchContext &context) {
    LatencyRun run;
    const std::uint64_t payload = context.smoke ? kSmokePayloadBytes : kFullPayloadBytes;
    FirmwareFiles files;
    if (!files.create(1, payload, run.error))
        return run;
    RigOptions options;
    options.polling = polling;
    options.unit.outputFolder = unitOutputFor(
        context, polling == BenchView::Polling::NeverWait ? "latency_naive" : "latency_waiting");
    options.slotPaths = files.slotPaths();
    BenchRig rig(context.unitSimPath, options);
    const FlashOutcome outcome = flashAllSlots(rig, kTimeLimit);
    if (!outcome.ok()) {
        run.error = outcome.error;
        return run;
    }
    const BlockFigures blocks = blockFigures(rig.timedPort().blocks());
    run.blocks = blocks.dataToAckHandled.size();
    run.medianUs = median(blocks.dataToAckHandled);
    run.p99Us = percentile(blocks.dataToAckHandled, 99);
    run.processorPercent = processorPercent(outcome.pressed, outcome.finished);
    return run;
}

JsonObject describe(const LatencyRun &run, const char *loop, const BenchContext &context) {
    JsonObject result = newResult("block_ack_latency", context);
    result.add("loop", loop);
    if (!run.error.empty())
        return result;
    result.add("blocks", static_cast<std::uint64_t>(run.blocks))
        .add("median_us", run.medianUs, 1)
        .add("p99_us", run.p99Us, 1)
        .add("processor_percent", run.processorPercent, 1);
    return result;
}

} // namespace

std::vector<JsonObject> measureBlockAckLatency(const BenchContext &context) {
    const LatencyRun waiting = runWith(BenchView::Polling::WaitForEvents, context);
    const LatencyRun naive = runWith(BenchView::Polling::NeverWait, context);

    JsonObject waitingResult = describe(waiting, "waiting", context);
    if (waiting.error.empty())
        waitingResult.add("target_median_us", kTargetMedianUs, 0)
            .add("met", waiting.medianUs <= kTargetMedianUs);
    JsonObject naiveResult = describe(naive, "naive_polling", context);
    if (waiting.error.empty() && naive.error.empty())
        naiveResult.add("median_ratio_waiting_to_naive", waiting.medianUs / naive.medianUs)
            .add("p99_ratio_waiting_to_naive", waiting.p99Us / naive.p99Us);

    for (JsonObject *result : {&waitingResult, &naiveResult})
        result->add("measured", "sendData of a block to the read of its checksum byte; "
                                "unit-sim unpaced, in a separate process");
    waitingResult.add("view", kViewText);
    naiveResult.add("view", "bench view whose event pass never waits "
                            "(QCoreApplication::processEvents(AllEvents) every pass)");
    finishResult(waitingResult, waiting.error);
    finishResult(naiveResult, naive.error);
    return {waitingResult, naiveResult};
}

} // namespace bench
