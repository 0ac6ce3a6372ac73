// Faults through the real serial port: the adapter vanishing and the window closing in
// every phase of a connection, and many connections in a row.

#include "WindowSession.h"

#include "loader/LoaderStates.h"

#include <QApplication>
#include <QMessageBox>

#include <filesystem>
#include <fstream>

namespace {

using namespace std::chrono_literals;
using e2e::WindowSession;
namespace fs = std::filesystem;
namespace states = loader::states;

enum class Phase { AwaitingAnnouncement, AwaitingEcho, MidFile, AwaitingAck };

const char *phaseName(Phase phase) {
    switch (phase) {
    case Phase::AwaitingAnnouncement:
        return "awaiting the announcement";
    case Phase::AwaitingEcho:
        return "awaiting an echo";
    case Phase::MidFile:
        return "mid-file";
    case Phase::AwaitingAck:
        return "awaiting an acknowledgement";
    }
    return "?";
}

// A step that holds once `ms` have passed since it was first asked.
std::function<bool()> after(int ms) {
    return [t = std::make_shared<QElapsedTimer>(), ms] {
        if (!t->isValid())
            t->start();
        return t->elapsed() >= ms;
    };
}

class FaultsE2e : public ::testing::TestWithParam<Phase> {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("loader-faults-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        m_file = (m_dir / "os.pr").string();
        std::ofstream(m_file, std::ios::binary) << std::string(256 * 8, '\x5A');
        m_link = m_dir / "ttyUNIT";
    }
    void TearDown() override {
        e2e::closeMessageBoxes();
        fs::remove_all(m_dir);
    }

    // The unit for a phase, linked at a fixed path, with the fault that holds the loader
    // in that phase.
    unitsim::UnitOptions unitFor(Phase phase) const {
        unitsim::UnitOptions options;
        options.announceDelay = 10ms;
        options.linkPath = m_link;
        switch (phase) {
        case Phase::AwaitingAnnouncement:
            options.announceMode = unitsim::AnnounceMode::Manual;
            break;
        case Phase::AwaitingEcho:
            options.faults.noEcho = unitsim::FileSelector{0xA4};
            break;
        case Phase::MidFile:
            options.replyDelay = 3ms;
            break;
        case Phase::AwaitingAck:
            options.faults.noAckAfter = unitsim::BlockSelector{0xA4, 2};
            break;
        }
        return options;
    }

    // Steps that bring the connection into the phase.
    void reach(WindowSession &session, Phase phase) {
        session.setPath(1, m_file);
        if (phase == Phase::AwaitingAnnouncement) {
            session.then("opened", [&] { return session.unit().observations().openings >= 1; });
            session.then("a moment in 999", after(50));
            return;
        }
        session.then(
            "boot mode", [&] { return session.state() == states::kReady; },
            [&] { session.form.Button1Click(); });
        switch (phase) {
        case Phase::AwaitingEcho:
            session.then("file start",
                         [&] { return session.unit().observations().fileStarts.size() == 1; });
            session.then("a moment in 142", after(50));
            break;
        case Phase::MidFile:
            session.then("two blocks",
                         [&] { return session.unit().observations().blockCount(0xA4) >= 2; });
            break;
        case Phase::AwaitingAck:
            session.then("second block",
                         [&] { return session.unit().observations().blockCount(0xA4) >= 2; });
            session.then("a moment in 144", after(50));
            break;
        default:
            break;
        }
    }

    fs::path m_dir;
    std::string m_file;
    fs::path m_link;
};

TEST_P(FaultsE2e, VanishedAdapterIsHandledOnceThenIdleAndConnectRecovers) {
    const Phase phase = GetParam();
    WindowSession session(unitFor(phase));
    session.startUnit();
    session.form.commPort().setPortName(QString::fromStdString(m_link.string()));
    int losses = 0;
    QObject::connect(&session.form.commPort(), &serial::CommPort::portLost, [&] { ++losses; });

    reach(session, phase);
    session.then(
        "vanish", [] { return true; }, [&] { session.unit().vanish(); });
    session.then("port closed", [&] { return !session.form.commPort().isOpen(); });
    int passesAtLoss = 0;
    session.then(
        "count", [] { return true; }, [&] { passesAtLoss = session.form.eventPasses; });
    session.then("300 ms without the port", after(300));
    int passesAfterLoss = 0;
    session.then(
        "counted", [] { return true; },
        [&] { passesAfterLoss = session.form.eventPasses - passesAtLoss; });
    session.connect();

    EXPECT_EQ(losses, 1) << phaseName(phase);
    // An idle loop sleeps between events (here mostly the script's own 2 ms timer); one
    // that spins makes hundreds of thousands of passes.
    EXPECT_LT(passesAfterLoss, 400) << phaseName(phase);
    EXPECT_FALSE(session.form.commPort().isOpen());
    e2e::closeMessageBoxes();

    std::string path, error;
    ASSERT_TRUE(session.unit().comeBack(path, error)) << error;
    if (phase == Phase::AwaitingAnnouncement)
        session.unit().announceNow();
    session.then("boot mode again", [&] { return session.state() == states::kReady; });
    session.connect();
    EXPECT_EQ(losses, 1);
}

TEST_P(FaultsE2e, ClosingTheWindowEndsTheConnectionAndClosesThePort) {
    const Phase phase = GetParam();
    WindowSession session(unitFor(phase));
    session.startUnit();
    reach(session, phase);
    int passesAtClose = 0;
    session.then(
        "close", [] { return true; },
        [&] {
            passesAtClose = session.form.eventPasses;
            session.form.close();
        });
    session.connect();

    EXPECT_LE(session.form.eventPasses - passesAtClose, 1) << "the loop ends at its next iteration";
    EXPECT_FALSE(session.form.isVisible()) << phaseName(phase);
    EXPECT_FALSE(session.form.commPort().isOpen());
    EXPECT_FALSE(session.form.connectionRunning());
    EXPECT_TRUE(session.unit().waitUntil([](const auto &o) { return o.closings >= 1; }, 2s));
}

std::string phaseTestName(const ::testing::TestParamInfo<Phase> &info) {
    static const char *const kNames[] = {"AwaitingAnnouncement", "AwaitingEcho", "MidFile",
                                         "AwaitingAck"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Phases, FaultsE2e,
                         ::testing::Values(Phase::AwaitingAnnouncement, Phase::AwaitingEcho,
                                           Phase::MidFile, Phase::AwaitingAck),
                         phaseTestName);

TEST(FaultsE2eOpening, ClosingWhileTheOpeningFailsAndOpeningOnceTheAdapterIsBack) {
    const fs::path link = fs::temp_directory_path() / ("loader-late-" + std::to_string(::getpid()));
    unitsim::UnitOptions options;
    options.announceDelay = 10ms;
    options.linkPath = link;
    WindowSession session(options);
    session.form.commPort().setPortName(QString::fromStdString(link.string()));

    // No adapter yet: the opening is retried until it is plugged in.
    session.then(
        "retrying", [&] { return session.panel(0) == "try connect 2"; },
        [&] {
            session.startUnit();
            session.form.commPort().setPortName(QString::fromStdString(link.string()));
        });
    session.then("boot mode", [&] { return session.state() == states::kReady; });
    session.connect();

    // Closing while the opening still fails.
    WindowSession closing;
    closing.form.commPort().setPortName(QStringLiteral("/dev/no-such-adapter"));
    closing.then(
        "retrying", [&] { return closing.panel(0) == "try connect 1"; },
        [&] { closing.form.close(); });
    closing.connect();
    EXPECT_FALSE(closing.form.isVisible());
    EXPECT_FALSE(closing.form.connectionRunning());
}

#ifdef __linux__
int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

TEST(FaultsE2eCycles, ThreeHundredConnectionsLeakNoDescriptorsOrMemory) {
    constexpr int kCycles = 300;
    unitsim::UnitOptions options;
    options.announceDelay = 1ms;
    WindowSession session(options);
    session.startUnit();
    int cycles = 0;
    const auto cycle = [&] {
        session.then("boot mode", [&] { return session.state() == states::kReady; });
        session.connect();
        // The unit announces at each opening it notices: let it see this closing first.
        ++cycles;
        ASSERT_TRUE(
            session.unit().waitUntil([&](const auto &o) { return o.closings >= cycles; }, 5s));
    };
    for (int i = 0; i < 20; ++i) // warm up caches and allocator pools
        cycle();
    const int descriptors = openDescriptors();
    const long resident = residentKiB();
    for (int i = 0; i < kCycles; ++i)
        cycle();

    EXPECT_TRUE(
        session.unit().waitUntil([](const auto &o) { return o.bootReplies == 20 + kCycles; }, 2s));
    EXPECT_EQ(openDescriptors(), descriptors);
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory; its leak check covers this
    EXPECT_LT(residentKiB() - resident, 4 * 1024) << "KiB grown over " << kCycles << " connections";
#else
    (void)resident;
#endif
}
#endif

} // namespace
