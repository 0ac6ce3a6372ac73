#pragma once

#include "BenchView.h"
#include "TimedPort.h"
#include "UnitProcess.h"

#include "loader/FirmwareFile.h"
#include "loader/SharedValues.h"
#include "loader/TickSource.h"
#include "serial/CommPort.h"

#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace bench {

struct RigOptions {
    std::uint32_t baudRate = 460800; // one of the link rates
    UnitProcess::Options unit;
    BenchView::Polling polling = BenchView::Polling::WaitForEvents;
    std::array<std::string, 4> slotPaths{}; // slots 1-4 as numbered on screen; empty: none
    bool recordBlockTimings = true;
};

// One loader connection, as the window makes it, to a simulated unit of its own: the real
// serial port and the loader core, with the bench view in place of the window.
class BenchRig {
public:
    using Clock = std::chrono::steady_clock;

    BenchRig(const QString &unitSimPath, RigOptions options);

    // Starts the simulated unit.
    bool start(std::string &error);

    // Runs Connection::run() until `afterPass`, called after every event pass of the loader,
    // returns false, or until `timeLimit` has passed, or the port is lost. Returns an empty
    // text when it ended because `afterPass` said so, else why it ended.
    std::string run(const std::function<bool()> &afterPass, std::chrono::milliseconds timeLimit);

    // Ends the simulated unit; returns what went wrong inside it, empty if nothing.
    std::string stopUnit() { return m_unit.stop(); }

    loader::SharedValues &shared() { return m_shared; }
    BenchView &view() { return m_view; }
    const TimedPort &timedPort() const { return m_timedPort; }
    const std::array<std::string, 4> &slotPaths() const { return m_options.slotPaths; }

private:
    RigOptions m_options;
    UnitProcess m_unit;
    serial::CommPort m_commPort;
    TimedPort m_timedPort{m_commPort};
    BenchView m_view;
    loader::SharedValues m_shared;
    loader::SteadyTickSource m_ticks;
    loader::DiskFileSource m_files;
    std::string m_portLoss;
};

// The link type index whose baud rate is `baudRate`, or -1.
int linkTypeIndexOf(std::uint32_t baudRate);

} // namespace bench
