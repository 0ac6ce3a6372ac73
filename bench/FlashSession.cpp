#include "FlashSession.h"

#include "loader/LoaderStates.h"
#include "loader/StatusTexts.h"

#include <algorithm>

namespace bench {

namespace {

int countWritten(const BenchView &view, const std::array<std::string, 4> &slotPaths) {
    int written = 0;
    for (const std::string &path : slotPaths) {
        if (path.empty())
            continue;
        const std::string text =
            loader::texts::fileWritten(loader::texts::fileNameForDisplay(path));
        const auto &history = view.fileStatusHistory();
        written += static_cast<int>(std::count(history.begin(), history.end(), text));
    }
    return written;
}

} // namespace

FlashOutcome flashAllSlots(BenchRig &rig, std::chrono::milliseconds timeLimit) {
    FlashOutcome outcome;
    if (!rig.start(outcome.error))
        return outcome;

    bool pressed = false;
    std::uint64_t passesAtPress = 0;
    loader::SharedValues &shared = rig.shared();
    const std::string ending = rig.run(
        [&] {
            if (!pressed && rig.view().bootModePageShown() &&
                shared.LoaderState == loader::states::kReady) {
                pressed = true;
                outcome.pressed = sampleUsage();
                passesAtPress = rig.view().eventPasses();
                shared.LoaderState = loader::states::kSendAll; // Send all
                return true;
            }
            if (pressed && shared.LoaderState == loader::states::kIdle) {
                outcome.finished = sampleUsage();
                outcome.eventPasses = rig.view().eventPasses() - passesAtPress;
                return false;
            }
            return true;
        },
        timeLimit);
    const std::string unitError = rig.stopUnit();

    const auto &slotPaths = rig.slotPaths();
    const int expected = static_cast<int>(
        std::count_if(slotPaths.begin(), slotPaths.end(), [](auto &p) { return !p.empty(); }));
    outcome.filesWritten = countWritten(rig.view(), slotPaths);
    if (!ending.empty())
        outcome.error = (pressed ? "flashing " : "awaiting the boot mode: ") + ending;
    else if (!unitError.empty())
        outcome.error = unitError;
    else if (!rig.view().fileError().empty())
        outcome.error = "file error: " + rig.view().fileError();
    else if (outcome.filesWritten != expected)
        outcome.error = std::to_string(outcome.filesWritten) + " of " + std::to_string(expected) +
                        " files written";
    return outcome;
}

} // namespace bench
