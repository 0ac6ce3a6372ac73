// The connection from Connect to Disconnect: opening with retries, the boot handshake,
// the resting states and reboot.

#include "ScriptedUnit.h"

#include "loader/Connection.h"
#include "loader/LoaderStates.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using fakes::Bytes;
using fakes::ConnectionRig;
namespace states = loader::states;

constexpr int kPanelAttempts = 0;
constexpr int kPanelState = 4;
constexpr int kPanelReceived = 5;

Bytes sentAfterHandshake(const ConnectionRig &rig) {
    return Bytes(rig.port.sent.begin() + std::min<std::size_t>(6, rig.port.sent.size()),
                 rig.port.sent.end());
}

TEST(ConnectionOpening, RetriesEvery50msAndCountsFailedAttempts) {
    ConnectionRig rig;
    rig.port.openFailuresLeft = 3;
    rig.unit.announcement.clear();
    rig.stopWhen = [&] { return rig.port.opened; };
    rig.run();

    ASSERT_EQ(rig.port.openTimes.size(), 4u);
    for (std::size_t i = 1; i < rig.port.openTimes.size(); ++i)
        EXPECT_GE(rig.port.openTimes[i] - rig.port.openTimes[i - 1], 50u) << "attempt " << i;
    // The first failure shows 1; the panel keeps its last text after the port opened.
    EXPECT_TRUE(rig.view.panelShowed(kPanelAttempts, "try connect 1"));
    EXPECT_EQ(rig.view.panels[kPanelAttempts], "try connect 3");
    EXPECT_EQ(rig.port.openings, 1);
    EXPECT_FALSE(rig.port.opened) << "the port is closed when the connection ends";
    EXPECT_EQ(rig.port.calls.back(), "close");
}

TEST(ConnectionOpening, EachAttemptClosesSetsTheLinkRateOpensAndPurges) {
    struct Case {
        int link;
        std::vector<std::string> firstCalls;
    };
    const Case cases[] = {
        {0, {"close", "baud 460800", "open", "purge all"}},
        {1, {"close", "baud 921600", "open", "purge all"}},
        {2, {"close", "baud 230400", "open", "purge all"}},
        {-1, {"close", "open", "purge all"}}, // no link chosen: the rate is left as it is
    };
    for (const Case &c : cases) {
        ConnectionRig rig;
        rig.view.link = c.link;
        rig.unit.announcement.clear();
        rig.stopWhen = [&] { return rig.port.opened; };
        rig.run();
        const std::vector<std::string> first(rig.port.calls.begin(),
                                             rig.port.calls.begin() + c.firstCalls.size());
        EXPECT_EQ(first, c.firstCalls) << "link " << c.link;
    }
}

TEST(ConnectionOpening, DisconnectWhileOpeningFailsEndsTheConnection) {
    ConnectionRig rig;
    rig.port.openFailuresLeft = 1000000;
    rig.shared.LoaderState = 7;
    rig.user = [&](int) {
        if (rig.port.calls.size() > 20) {
            rig.shared.LoaderState = states::kSendAll; // Send all while failing is lost
            rig.shared.StopRequested = true;
        }
    };
    rig.run();

    EXPECT_TRUE(rig.view.chipVisible) << "the chip picture is shown even so";
    EXPECT_EQ(rig.port.reads, 0);
    EXPECT_EQ(rig.view.panelWrites[kPanelState], 0) << "the state panel is not written";
    EXPECT_EQ(rig.shared.LoaderState, states::kAwaitBootAnnouncement);
    EXPECT_FALSE(rig.port.opened);
    EXPECT_FALSE(rig.view.passLimitHit);
}

TEST(ConnectionOpening, ConnectHidesTheChipUntilThePortOpensAndClearsStopRequested) {
    ConnectionRig rig;
    rig.view.chipVisible = true;
    rig.shared.StopRequested = true; // left over from the last Disconnect
    rig.port.openFailuresLeft = 2;
    bool hiddenWhileOpening = true;
    rig.unit.announcement.clear();
    rig.user = [&](int) {
        hiddenWhileOpening = hiddenWhileOpening && (rig.port.opened || !rig.view.chipVisible);
    };
    rig.stopWhen = [&] { return rig.port.opened; };
    rig.run();
    EXPECT_TRUE(hiddenWhileOpening);
    EXPECT_TRUE(rig.view.chipVisible);
    EXPECT_EQ(rig.port.openings, 1);
}

TEST(BootHandshake, AnnouncementIsAnsweredWithTheSixByteReply) {
    ConnectionRig rig;
    rig.stopWhen = [&] { return rig.shared.LoaderState == states::kReady; };
    rig.run();

    EXPECT_EQ(rig.port.sent, (Bytes{0xA1, 0x04, 0x55, 0x66, 0x77, 0x88}));
    EXPECT_EQ(rig.view.bootPageShows, 1);
    EXPECT_TRUE(rig.unit.bootReplySeen);
    // Both queues are purged between the announcement and the reply.
    EXPECT_EQ(std::count(rig.port.calls.begin(), rig.port.calls.end(), "purge all"), 2);
    EXPECT_TRUE(rig.view.panelShowed(kPanelState, "999"));
    EXPECT_TRUE(rig.view.panelShowed(kPanelState, "998"));
    EXPECT_TRUE(rig.view.panelShowed(kPanelReceived, "4"));
}

TEST(BootHandshake, OnlyTheThirdByteOfTheAnnouncementCounts) {
    struct Case {
        Bytes announcement;
        bool recognised;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x55, 0x00}, true},
        {{0x55, 0x55, 0x54, 0x55, 0x55}, false},
        {{0xFF, 0x01, 0x55, 0x02, 0x03, 0x04, 0x05}, true},
        {{0x55, 0x55, 0x55}, false}, // three bytes are not more than three
    };
    for (const Case &c : cases) {
        ConnectionRig rig;
        rig.unit.announcement = c.announcement;
        rig.stopWhen = [&] { return rig.view.passes > 50; };
        rig.run();
        EXPECT_EQ(rig.view.bootPageShows, c.recognised ? 1 : 0);
        EXPECT_EQ(rig.shared.LoaderState,
                  c.recognised ? states::kReady : states::kAwaitBootAnnouncement);
        EXPECT_EQ(rig.port.sent.empty(), !c.recognised) << "nothing is sent without it";
        EXPECT_LE(rig.port.reads - rig.port.readsWithNothingWaiting, 3)
            << "a second announcement is not looked for";
    }
}

TEST(BootHandshake, AnnouncementTricklingInIsReadWithoutWaitingOnTheLine) {
    ConnectionRig rig;
    rig.unit.announcement.clear();
    rig.user = [&](int pass) {
        static const Bytes bytes{0x10, 0x20, 0x55, 0x30, 0x40};
        const auto index = static_cast<std::size_t>(pass - 1);
        if (rig.port.opened && index < bytes.size())
            rig.port.arrive({bytes[index]});
    };
    rig.stopWhen = [&] {
        return rig.shared.LoaderState == states::kReady || rig.view.passes > 100;
    };
    rig.run();
    EXPECT_EQ(rig.shared.LoaderState, states::kReady);
}

TEST(BootHandshake, SendAllBeforeTheAnnouncementIsReplacedByTheHandshake) {
    for (const bool recognised : {true, false}) {
        ConnectionRig rig;
        rig.unit.announcement.clear();
        rig.files.add("/fw/os.pr", Bytes(10, 1));
        rig.view.slots[0] = "/fw/os.pr";
        rig.user = [&](int pass) {
            if (pass == 3)
                rig.shared.LoaderState = states::kSendAll;
            if (pass == 6)
                rig.port.arrive({0, 0, static_cast<std::uint8_t>(recognised ? 0x55 : 0x56), 0});
        };
        rig.stopWhen = [&] { return rig.view.passes > 60; };
        rig.run();
        EXPECT_TRUE(rig.view.panelShowed(kPanelState, "140"));
        if (recognised) {
            EXPECT_EQ(rig.view.bootPageShows, 1);
            EXPECT_TRUE(rig.unit.fileStarts.empty());
        } else {
            EXPECT_EQ(rig.view.bootPageShows, 0);
            ASSERT_FALSE(rig.unit.fileStarts.empty()) << "the main loop starts in 140";
            EXPECT_EQ(rig.unit.fileStarts.front(), 0xA4);
        }
    }
}

TEST(RestingStates, RebootSendsTheRequestAndRestsInIdle) {
    ConnectionRig rig;
    rig.user = [&](int) {
        if (rig.shared.LoaderState == states::kReady && rig.unit.reboots == 0)
            rig.shared.LoaderState = states::kReboot;
    };
    rig.stopWhen = [&] { return rig.view.passes > 40; };
    rig.run();

    EXPECT_EQ(sentAfterHandshake(rig), (Bytes{0xA8, 0x00}));
    EXPECT_EQ(rig.unit.reboots, 1);
    EXPECT_EQ(rig.shared.LoaderState, states::kIdle);
    EXPECT_EQ(rig.port.calls[rig.port.calls.size() - 2], "purge in");
}

TEST(RestingStates, IdleIterationsSleepInsteadOfSpinning) {
    // Awaiting an announcement that never comes, resting in 0, 1000 and an unknown state.
    for (const std::int32_t resting : {-1, states::kReady, states::kIdle, 141, 4711}) {
        ConnectionRig rig;
        if (resting < 0)
            rig.unit.announcement.clear();
        rig.user = [&](int pass) {
            if (pass == 5 && resting >= 0)
                rig.shared.LoaderState = resting;
        };
        rig.stopWhen = [&] { return rig.view.passes >= 200; };
        rig.run();
        EXPECT_GE(rig.view.waitingPasses, 190) << "state " << resting;
        EXPECT_TRUE(rig.unit.fileStarts.empty());
    }
}

TEST(PortLoss, TheLoopGoesOnWithoutThePortUntilDisconnect) {
    ConnectionRig rig;
    rig.files.add("/fw/os.pr", Bytes(1000, 3));
    rig.view.slots[0] = "/fw/os.pr";
    rig.user = [&](int) {
        if (rig.shared.LoaderState == states::kReady)
            rig.shared.LoaderState = states::kSendAll;
        if (rig.unit.blocks.size() == 2 && rig.port.opened) {
            rig.port.opened = false; // the adapter is pulled out
            rig.unit.ack = [](std::uint8_t, int, std::uint8_t) { return Bytes{}; };
        }
    };
    rig.stopWhen = [&] { return rig.view.passes > 300; };
    rig.run();

    EXPECT_EQ(rig.unit.blocks.size(), 2u);
    EXPECT_GE(rig.view.waitingPasses, 250) << "no spinning after the loss";
    EXPECT_FALSE(rig.view.passLimitHit);
    EXPECT_EQ(rig.port.calls.back(), "close");
}

TEST(PortLoss, ACountRestartedBelowTheMarkReadsNothingThatIsNotThere) {
    // A port switched while a reply is awaited restarts the count at 0: the unsigned
    // difference is then large, and the reads must find nothing rather than wait.
    ConnectionRig rig;
    rig.files.add("/fw/os.pr", Bytes(600, 5));
    rig.view.slots[0] = "/fw/os.pr";
    bool switched = false;
    rig.unit.ack = [&](std::uint8_t, int n, std::uint8_t sum) {
        if (n == 1 && !switched) {
            switched = true;
            rig.port.received = 0;
            rig.port.input.clear();
            rig.unit.arriveLater = {{}, {}, {}, {0xA9, sum}};
            return Bytes{};
        }
        return Bytes{0xA9, sum};
    };
    rig.user = [&](int) {
        if (rig.shared.LoaderState == states::kReady)
            rig.shared.LoaderState = states::kSendAll;
    };
    rig.stopWhen = [&] {
        return rig.view.panelShowed(1, "File os.pr written") || rig.view.passes > 400;
    };
    rig.run();
    EXPECT_TRUE(rig.view.panelShowed(1, "File os.pr written"));
    EXPECT_GT(rig.port.readsWithNothingWaiting, 0);
}

} // namespace
