// One pass of window events for the connection loop: without a wait it handles what is
// pending and returns; with a wait an idle pass sleeps until something arrives or the wait
// is over. The bounds are loose: they tell sleeping from spinning and from hanging.

#include "ui/EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

constexpr int kFarTooLongMs = 5000;

class EventPumpTest : public testing::Test {
protected:
    EventPumpTest() { QCoreApplication::processEvents(); } // start with nothing pending
    ui::EventPump pump;
    QObject receiver;
};

TEST_F(EventPumpTest, WithoutWaitHandlesPendingEventsAndReturns) {
    bool handled = false;
    QMetaObject::invokeMethod(
        &receiver, [&] { handled = true; }, Qt::QueuedConnection);
    pump.processEvents(ui::EventPump::kNoWait);
    EXPECT_TRUE(handled);

    QElapsedTimer took;
    took.start();
    pump.processEvents(ui::EventPump::kNoWait); // nothing pending: no sleep at all
    EXPECT_LT(took.elapsed(), kFarTooLongMs);
}

TEST_F(EventPumpTest, IdlePassSleepsUntilTheWaitIsOver) {
    constexpr int kWaitMs = 60;
    QElapsedTimer took;
    took.start();
    pump.processEvents(kWaitMs);
    EXPECT_GE(took.elapsed(), kWaitMs / 2) << "returned without sleeping: the loop would spin";
    EXPECT_LT(took.elapsed(), kFarTooLongMs);
}

TEST_F(EventPumpTest, IdlePassWakesWhenSomethingArrives) {
    constexpr std::uint32_t kLongWaitMs = 10000;
    constexpr auto kArrivesAfter = std::chrono::milliseconds(20);
    for (const bool fromAnotherThread : {false, true}) {
        SCOPED_TRACE(fromAnotherThread ? "an event posted from another thread"
                                       : "a timer of the window");
        bool arrived = false;
        const auto arrive = [&arrived] { arrived = true; };
        std::thread poster;
        if (fromAnotherThread)
            poster = std::thread([&] {
                std::this_thread::sleep_for(kArrivesAfter);
                QMetaObject::invokeMethod(&receiver, arrive, Qt::QueuedConnection);
            });
        else
            QTimer::singleShot(kArrivesAfter, &receiver, arrive);

        QElapsedTimer took;
        took.start();
        while (!arrived && took.elapsed() < kFarTooLongMs)
            pump.processEvents(kLongWaitMs);
        EXPECT_TRUE(arrived);
        EXPECT_LT(took.elapsed(), kFarTooLongMs) << "slept through the event";
        if (poster.joinable())
            poster.join();
        QCoreApplication::processEvents();
    }
}

} // namespace
