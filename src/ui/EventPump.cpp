#include "ui/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <limits>

namespace ui {

EventPump::EventPump(QObject *parent) : QObject(parent) {
    m_wakeUpTimer.setSingleShot(true);
    m_wakeUpTimer.setTimerType(Qt::PreciseTimer);
}

void EventPump::processEvents(std::uint32_t maxWaitMs) {
    if (maxWaitMs == kNoWait) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    constexpr auto kLongestTimerMs = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
    m_wakeUpTimer.start(static_cast<int>(std::min(maxWaitMs, kLongestTimerMs)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    m_wakeUpTimer.stop();
}

} // namespace ui
