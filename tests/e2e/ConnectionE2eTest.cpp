// Connect, the boot handshake, Reboot and Disconnect through the real serial port on a
// pseudo-terminal, with the simulated unit on the other side.

#include "WindowSession.h"

#include "loader/LoaderStates.h"
#include "ui/RadioGroup.h"

#include <QApplication>
#include <QMessageBox>

#include <filesystem>

namespace {

using namespace std::chrono_literals;
using e2e::WindowSession;
namespace states = loader::states;
using unitsim::Direction;
using unitsim::MessageKind;

std::vector<unitsim::TranscriptEntry> fromLoader(const unitsim::SimulatedUnit &unit) {
    std::vector<unitsim::TranscriptEntry> in;
    for (const auto &entry : unit.transcript()) {
        if (entry.direction == Direction::In)
            in.push_back(entry);
    }
    return in;
}

unitsim::UnitOptions quickUnit() {
    unitsim::UnitOptions options;
    options.announceDelay = 30ms;
    return options;
}

TEST(ConnectionE2e, UnitSeesTheLineOfEachLinkType) {
    struct Case {
        int link;
        std::uint32_t baud;
    };
    for (const Case c : {Case{0, 460800}, Case{1, 921600}, Case{2, 230400}}) {
        unitsim::UnitOptions options = quickUnit();
        options.requireExpectedLine = true;
        WindowSession session(options);
        session.startUnit();
        session.form.findChild<ui::RadioGroup *>("RadioGroup1")->setItemIndex(c.link);
        session.then("line settings",
                     [&] { return session.unit().observations().lineSettings.has_value(); });
        session.then("boot mode", [&] { return session.state() == states::kReady; });
        session.connect();

        const auto line = session.unit().observations().lineSettings;
        ASSERT_TRUE(line) << "link " << c.link;
        EXPECT_EQ(line->baudRate, c.baud);
        EXPECT_EQ(line->dataBits, 8);
        EXPECT_EQ(line->parity, unitsim::Parity::None);
        EXPECT_EQ(line->stopBits, 2);
        EXPECT_EQ(line->flowControl, unitsim::FlowControl::None);
        EXPECT_FALSE(session.form.commPort().isOpen()) << "Disconnect closes the port";
    }
}

TEST(ConnectionE2e, AnnouncementIsAnsweredWithExactlyTheSixByteReply) {
    WindowSession session(quickUnit());
    session.startUnit();
    session.then("boot reply", [&] { return session.unit().observations().bootReply.received; });
    session.then("state 0", [&] { return session.state() == states::kReady; });
    session.then("a moment more", [t = std::make_shared<QElapsedTimer>()] {
        if (!t->isValid())
            t->start();
        return t->elapsed() > 100;
    });
    session.connect();

    const auto in = fromLoader(session.unit());
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].kind, MessageKind::BootReply);
    EXPECT_EQ(in[0].bytes, (std::vector<std::uint8_t>{0xA1, 0x04, 0x55, 0x66, 0x77, 0x88}));
    EXPECT_TRUE(session.unit().observations().bootReply.correct);
    EXPECT_TRUE(session.visible("cxPageControl1"));
    EXPECT_TRUE(session.visible("Image1"));
    EXPECT_TRUE(session.form.panelShowed(4, "999"));
    EXPECT_TRUE(session.form.panelShowed(4, "0"));
}

TEST(ConnectionE2e, AnnouncementWithoutMarkerLeavesTheLoaderWaitingAndSilent) {
    unitsim::UnitOptions options = quickUnit();
    options.announcement = {0x07, 0x82, 0x56, 0x00, 0x11};
    WindowSession session(options);
    session.startUnit();
    session.then("announced", [&] { return session.unit().observations().announcements >= 1; });
    session.then("counted", [&] { return session.panel(5) == "5"; });
    session.then("a moment more", [t = std::make_shared<QElapsedTimer>()] {
        if (!t->isValid())
            t->start();
        return t->elapsed() > 200;
    });
    session.connect();

    EXPECT_EQ(session.state(), states::kAwaitBootAnnouncement);
    EXPECT_TRUE(fromLoader(session.unit()).empty()) << "nothing is sent";
    EXPECT_FALSE(session.visible("cxPageControl1"));
}

TEST(ConnectionE2e, RebootSendsTheRequestAndRestsInIdle) {
    WindowSession session(quickUnit());
    session.startUnit();
    session.then(
        "boot mode", [&] { return session.state() == states::kReady; },
        [&] { session.form.BitBtn9Click(); });
    session.then("reboot request",
                 [&] { return session.unit().observations().rebootRequests == 1; });
    session.connect();

    const auto in = fromLoader(session.unit());
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[1].kind, MessageKind::Reboot);
    EXPECT_EQ(in[1].bytes, (std::vector<std::uint8_t>{0xA8, 0x00}));
    EXPECT_EQ(session.state(), states::kIdle);
}

TEST(ConnectionE2e, DisconnectWhileTheOpeningStillFails) {
    WindowSession session;
    session.form.commPort().setPortName(QStringLiteral("/dev/no-such-adapter"));
    session.then("retrying", [&] { return session.panel(0) == "try connect 3"; });
    session.connect();

    EXPECT_FALSE(session.form.commPort().isOpen());
    EXPECT_TRUE(session.visible("Image1"));
    EXPECT_EQ(session.state(), states::kAwaitBootAnnouncement);
    EXPECT_FALSE(session.form.connectionRunning());
}

TEST(ConnectionE2e, VanishedAdapterIsReportedOnceAndConnectRecoversAtTheSamePath) {
    const auto link =
        std::filesystem::temp_directory_path() / ("unit-sim-link-" + std::to_string(::getpid()));
    unitsim::UnitOptions options = quickUnit();
    options.linkPath = link;
    WindowSession session(options);
    session.startUnit();
    session.form.commPort().setPortName(QString::fromStdString(link.string()));
    int losses = 0;
    QObject::connect(&session.form.commPort(), &serial::CommPort::portLost, [&] { ++losses; });

    session.then(
        "boot mode", [&] { return session.state() == states::kReady; },
        [&] { session.unit().vanish(); });
    session.then("port closed", [&] { return !session.form.commPort().isOpen(); });
    session.then("a while without the port", [t = std::make_shared<QElapsedTimer>()] {
        if (!t->isValid())
            t->start();
        return t->elapsed() > 300;
    });
    session.connect();
    EXPECT_EQ(losses, 1);
    EXPECT_TRUE(e2e::closeMessageBoxes(QString::fromStdString(link.string())))
        << "a message names the lost port";

    std::string path, error;
    ASSERT_TRUE(session.unit().comeBack(path, error)) << error;
    session.then("boot mode again", [&] { return session.state() == states::kReady; });
    session.connect();
    EXPECT_EQ(losses, 1);
    EXPECT_TRUE(session.unit().waitUntil([](const auto &o) { return o.bootReplies == 2; }, 2s));
}

TEST(ConnectionE2e, ChoosingAnotherPortWhileConnectedSwitchesAtOnce) {
    WindowSession session(quickUnit());
    session.startUnit();
    unitsim::SimulatedUnit other(quickUnit());
    std::string error;
    ASSERT_TRUE(other.start(error)) << error;
    const QString otherPort = QString::fromStdString(other.portPath());

    session.then(
        "boot mode", [&] { return session.state() == states::kReady; },
        [&] { session.form.nrDeviceBox1Change(otherPort); });
    session.then(
        "the other unit opened", [&] { return other.observations().openings == 1; },
        [&] { session.form.BitBtn9Click(); });
    session.then(
        "reboot on the other unit", [&] { return other.observations().rebootRequests == 1; },
        [&] { session.form.nrDeviceBox1Change(QStringLiteral("/dev/no-such-adapter")); });
    session.then("the failed switch closed the port",
                 [&] { return !session.form.commPort().isOpen(); });
    session.connect();

    EXPECT_EQ(session.unit().observations().rebootRequests, 0);
    EXPECT_TRUE(session.unit().waitUntil([](const auto &o) { return o.closings == 1; }, 2s));
    EXPECT_TRUE(e2e::closeMessageBoxes(QStringLiteral("/dev/no-such-adapter")))
        << "an error message names the port that could not be opened";
}

} // namespace
