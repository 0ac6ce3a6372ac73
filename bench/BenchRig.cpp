#include "BenchRig.h"

#include "loader/Connection.h"
#include "loader/LinkTypes.h"

#include <QObject>

namespace bench {

int linkTypeIndexOf(std::uint32_t baudRate) {
    for (std::size_t i = 0; i < loader::kLinkBaudRates.size(); ++i) {
        if (loader::kLinkBaudRates[i] == baudRate)
            return static_cast<int>(i);
    }
    return -1;
}

BenchRig::BenchRig(const QString &unitSimPath, RigOptions options)
    : m_options(std::move(options)), m_unit(unitSimPath), m_view(m_options.polling) {
    m_view.setLinkTypeIndex(linkTypeIndexOf(m_options.baudRate));
    for (int slot = 1; slot <= 4; ++slot)
        m_view.setSlotPath(slot, m_options.slotPaths[static_cast<std::size_t>(slot - 1)]);
    m_timedPort.setRecording(m_options.recordBlockTimings);
    QObject::connect(&m_commPort, &serial::CommPort::bytesArrived, &m_commPort,
                     [this] { m_timedPort.noteArrival(); });
    QObject::connect(&m_commPort, &serial::CommPort::portLost, &m_commPort,
                     [this](const QString &name, const QString &reason) {
                         m_portLoss =
                             "port " + name.toStdString() + " lost: " + reason.toStdString();
                     });
}

bool BenchRig::start(std::string &error) {
    if (m_view.linkTypeIndex() < 0) {
        error = std::to_string(m_options.baudRate) + " is not the rate of a link type";
        return false;
    }
    if (!m_unit.start(m_options.unit, error))
        return false;
    m_commPort.setPortName(m_unit.portPath());
    return true;
}

std::string BenchRig::run(const std::function<bool()> &afterPass,
                          std::chrono::milliseconds timeLimit) {
    const Clock::time_point deadline = Clock::now() + timeLimit;
    std::string ending;
    m_view.setAfterEvents([&] {
        if (m_shared.StopRequested)
            return;
        if (!m_portLoss.empty())
            ending = m_portLoss;
        else if (Clock::now() >= deadline)
            ending = "not done within " + std::to_string(timeLimit.count()) + " ms";
        else if (afterPass())
            return;
        m_shared.StopRequested = true; // as Disconnect does
    });
    loader::Connection connection(m_timedPort, m_view, m_ticks, m_files, m_shared);
    connection.run();
    m_view.setAfterEvents({});
    return ending;
}

} // namespace bench
