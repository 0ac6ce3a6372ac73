#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>

namespace ui {

// One pass of the window's pending events for a loop that runs inside an event handler.
// With a wait, an idle loop sleeps until something arrives (a byte, a click, a timer) or
// the wait is over, instead of spinning the processor.
class EventPump final : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t kNoWait = 0;

    explicit EventPump(QObject *parent = nullptr);

    void processEvents(std::uint32_t maxWaitMs);

private:
    // Only its expiry matters: it is the event that ends the wait.
    QTimer m_wakeUpTimer;
};

} // namespace ui
