#pragma once

#include "unit-sim/LineSettings.h"
#include "unit-sim/Observations.h"
#include "unit-sim/Transcript.h"
#include "unit-sim/UnitOptions.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace unitsim {

// The display unit in boot mode, on a pseudo-terminal: the loader opens the port's path as
// it would open a serial adapter. The unit runs on a thread of its own between start() and
// stop(); all other members may be called from any thread.
class SimulatedUnit {
public:
    using Duration = std::chrono::milliseconds;

    explicit SimulatedUnit(UnitOptions options = {});
    ~SimulatedUnit(); // stop()
    SimulatedUnit(const SimulatedUnit &) = delete;
    SimulatedUnit &operator=(const SimulatedUnit &) = delete;

    // Makes the pseudo-terminal (and the link, and the output folder) and starts the thread.
    // On failure nothing is left behind and `error` says why.
    bool start(std::string &error);
    // Ends the thread and closes the port; removes the link. Safe to call more than once.
    void stop();
    bool isRunning() const;

    // The pseudo-terminal's path, for example "/dev/pts/3"; empty while vanished.
    std::string portPath() const;

    // Send the announcement now, or as soon as the loader has opened and configured the port.
    void announceNow();
    // Close the unit's side at once, as a pulled adapter; the link is removed. Returns when
    // done (false if the unit is not running).
    bool vanish();
    // Make a new pseudo-terminal and point the link at it, so that the loader can connect
    // again at the same path; vanishes first if needed. Returns the new port path in `path`.
    bool comeBack(std::string &path, std::string &error);

    // A copy of everything seen so far. A message the unit sends is recorded just before its
    // first byte leaves, so whatever the loader has received is in the records already. The
    // copy holds the whole transcript: to poll, waitUntil() is cheaper.
    Observations observations() const;
    // Waits until `condition` holds for the observations or `timeout` has passed; returns
    // whether it holds. `condition` runs under the unit's lock: keep it short.
    bool waitUntil(const std::function<bool(const Observations &)> &condition,
                   Duration timeout) const;

    std::optional<LineSettings> waitForLineSettings(Duration timeout) const;
    bool waitForBootReply(Duration timeout) const;
    bool waitForBlocks(std::uint8_t command, int count, Duration timeout) const;
    bool waitForReboot(Duration timeout) const;
    bool waitForOpenings(int count, Duration timeout) const;

    std::vector<std::uint8_t> image(std::uint8_t command) const;
    std::vector<TranscriptEntry> transcript() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace unitsim
