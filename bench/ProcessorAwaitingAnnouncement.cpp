// The loader's processor use while it waits for a unit that does not announce its boot mode.
#include "BenchRig.h"
#include "Measurement.h"
#include "ProcessUsage.h"

#include "loader/LoaderStates.h"

#include <chrono>
#include <optional>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr double kTargetPercent = 2;
constexpr auto kFullWait = 5s;
constexpr auto kSmokeWait = 500ms;
constexpr auto kTimeLimitBeyondWait = 10s;

} // namespace

std::vector<JsonObject> measureProcessorAwaitingAnnouncement(const BenchContext &context) {
    JsonObject result = newResult("processor_awaiting_announcement", context);
    const auto wait = context.smoke ? kSmokeWait : kFullWait;

    RigOptions options;
    options.unit.announce = false;
    options.unit.outputFolder = unitOutputFor(context, "processor_awaiting_announcement");
    BenchRig rig(context.unitSimPath, options);
    std::string error;
    if (!rig.start(error))
        return {finishResult(result, error)};

    std::optional<UsageSample> from;
    UsageSample to;
    std::uint64_t passesAtStart = 0;
    const std::string ending = rig.run(
        [&] {
            if (rig.shared().LoaderState != loader::states::kAwaitBootAnnouncement)
                return true;
            const UsageSample now = sampleUsage();
            if (!from) {
                from = now;
                passesAtStart = rig.view().eventPasses();
                return true;
            }
            if (now.wall - from->wall < wait)
                return true;
            to = now;
            return false;
        },
        wait + kTimeLimitBeyondWait);
    error = rig.stopUnit();
    if (!ending.empty())
        return {finishResult(result, ending)};
    if (!error.empty())
        return {finishResult(result, error)};

    const double seconds = std::chrono::duration<double>(to.wall - from->wall).count();
    const double percent = processorPercent(*from, to);
    const auto passes = static_cast<double>(rig.view().eventPasses() - passesAtStart);
    result.add("seconds", seconds, 3)
        .add("user_s", to.userSeconds - from->userSeconds, 4)
        .add("system_s", to.systemSeconds - from->systemSeconds, 4)
        .add("processor_percent", percent)
        .add("target_percent", kTargetPercent, 0)
        .add("met", percent <= kTargetPercent)
        .add("event_passes_per_s", passes / seconds, 1)
        .add("measured", std::string(kLoaderProcessText) + ", unit-sim --manual (never announces)")
        .add("view", kViewText);
    return {finishResult(result, {})};
}

} // namespace bench
