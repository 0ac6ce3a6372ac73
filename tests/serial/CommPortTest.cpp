#include "serial/CommPort.h"

#include "PseudoTerminal.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <ostream>
#include <vector>

#ifdef Q_OS_UNIX

namespace serial::test {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Events = PseudoTerminal::Events;

constexpr int kWaitMs = 3000;
constexpr int kIdleWatchMs = 300;
constexpr std::uint32_t kUartRate = 460800;

Bytes everyByteValue() {
    Bytes bytes(256);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes;
}

speed_t outputSpeed(const PseudoTerminal &line) {
    const auto settings = line.lineSettings();
    return settings ? cfgetospeed(&*settings) : speed_t{0};
}

Bytes readAll(CommPort &port) {
    Bytes bytes;
    std::uint8_t byte = 0;
    while (port.read(byte))
        bytes.push_back(byte);
    return bytes;
}

// Counts the activations of socket notifiers, which is what a flood of read errors from a
// hung-up device consists of.
class NotifierActivity : public QObject {
public:
    NotifierActivity() { QCoreApplication::instance()->installEventFilter(this); }
    ~NotifierActivity() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::SockAct)
            ++m_count;
        return false;
    }

private:
    int m_count = 0;
};

struct LostReport {
    QString portName;
    QString reason;
};

class CommPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_line.isOpen()) << "no pseudo-terminal available";
        ASSERT_TRUE(m_dir.isValid());
        QObject::connect(&m_port, &CommPort::portLost,
                         [this](const QString &name, const QString &reason) {
                             m_lost.push_back({name, reason});
                         });
    }

    void openOn(const QString &name, std::uint32_t rate = kUartRate) {
        m_port.setPortName(name);
        m_port.setBaudRate(rate);
        std::string error;
        ASSERT_TRUE(m_port.open(error)) << error;
        ASSERT_TRUE(m_port.isOpen());
    }

    bool waitForReceived(std::uint32_t count) {
        return QTest::qWaitFor([&] { return m_port.totalReceived() >= count; }, kWaitMs);
    }

    PseudoTerminal m_line;
    QTemporaryDir m_dir;
    CommPort m_port;
    std::vector<LostReport> m_lost;
};

struct LineCase {
    std::uint32_t rate;
    speed_t speed;
};

void PrintTo(const LineCase &line, std::ostream *out) {
    *out << line.rate << " bit/s";
}

class CommPortLineTest : public CommPortTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(CommPortLineTest, OtherSideSeesEightDataBitsNoParityTwoStopBitsNoFlowControl) {
    openOn(m_line.slavePath(), GetParam().rate);
    const auto line = m_line.lineSettings();
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(cfgetospeed(&*line), GetParam().speed);
    EXPECT_EQ(cfgetispeed(&*line), GetParam().speed);
    EXPECT_EQ(line->c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_NE(line->c_cflag & CSTOPB, 0u);
    EXPECT_EQ(line->c_cflag & PARENB, 0u);
    EXPECT_EQ(line->c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(line->c_iflag & (IXON | IXOFF), 0u);
    // A pseudo-terminal has no DTR or RTS line: that refusal leaves the port open.
    EXPECT_TRUE(m_port.isOpen());
    EXPECT_TRUE(m_lost.empty());
}

INSTANTIATE_TEST_SUITE_P(LinkRates, CommPortLineTest,
                         ::testing::Values(LineCase{460800, B460800}, LineCase{921600, B921600},
                                           LineCase{230400, B230400}),
                         [](const auto &info) { return std::to_string(info.param.rate); });

TEST_F(CommPortTest, BaudRateTakesEffectAtTheNextOpening) {
    EXPECT_EQ(m_port.baudRate(), CommPort::kDefaultBaudRate);
    openOn(m_line.slavePath(), 460800);
    m_port.setBaudRate(921600);
    EXPECT_EQ(m_port.baudRate(), 921600u);
    EXPECT_EQ(outputSpeed(m_line), static_cast<speed_t>(B460800));

    std::string error;
    ASSERT_TRUE(m_port.open(error)) << error;
    EXPECT_EQ(outputSpeed(m_line), static_cast<speed_t>(B921600));
}

TEST_F(CommPortTest, CountsEveryReceivedByteOnceAndReadsAndPurgesDoNotLowerTheCount) {
    std::vector<std::uint32_t> countsAtSignal;
    QObject::connect(&m_port, &CommPort::bytesArrived,
                     [&] { countsAtSignal.push_back(m_port.totalReceived()); });
    openOn(m_line.slavePath());
    std::uint8_t byte = 0;
    EXPECT_FALSE(m_port.read(byte)); // nothing waiting: says so at once

    // Bytes that a cooked line would change or swallow pass unchanged.
    const Bytes controls{0x11, 0x13, 0x0D, 0x03, 0x7F};
    ASSERT_TRUE(m_line.send(controls));
    ASSERT_TRUE(waitForReceived(5));
    QTest::qWait(30); // later event passes must not count the unread bytes again
    EXPECT_EQ(m_port.totalReceived(), 5u);
    ASSERT_TRUE(m_port.read(byte));
    EXPECT_EQ(byte, 0x11);
    EXPECT_EQ(m_port.totalReceived(), 5u);

    const Bytes block = everyByteValue();
    ASSERT_TRUE(m_line.send(block));
    ASSERT_TRUE(waitForReceived(5 + 256));
    Bytes expected(controls.begin() + 1, controls.end());
    expected.insert(expected.end(), block.begin(), block.end());
    EXPECT_EQ(readAll(m_port), expected);
    EXPECT_EQ(m_port.totalReceived(), 261u);

    ASSERT_TRUE(m_line.send(Bytes{1, 2, 3}));
    ASSERT_TRUE(waitForReceived(264));
    m_port.clearDeviceInput();
    EXPECT_FALSE(m_port.read(byte));
    EXPECT_EQ(m_port.totalReceived(), 264u);

    ASSERT_TRUE(m_line.send(Bytes{4, 5}));
    ASSERT_TRUE(waitForReceived(266));
    EXPECT_TRUE(m_port.clearDeviceBuffers());
    EXPECT_FALSE(m_port.read(byte));
    EXPECT_EQ(m_port.totalReceived(), 266u);

    ASSERT_TRUE(m_line.send(Bytes{6}));
    ASSERT_TRUE(waitForReceived(267));
    EXPECT_EQ(readAll(m_port), Bytes{6}); // purged bytes do not come back

    ASSERT_FALSE(countsAtSignal.empty());
    EXPECT_TRUE(std::is_sorted(countsAtSignal.begin(), countsAtSignal.end()));
    EXPECT_EQ(countsAtSignal.back(), 267u);

    std::string error;
    ASSERT_TRUE(m_port.open(error)) << error;
    EXPECT_EQ(m_port.totalReceived(), 0u);
    EXPECT_FALSE(m_port.read(byte));
}

TEST_F(CommPortTest, SentBytesReachTheLineInOrderWithoutAnEventPass) {
    openOn(m_line.slavePath());
    const Bytes block = everyByteValue();
    m_port.sendChar(0xA1);
    m_port.sendData(block);
    m_port.sendChar(0x00);
    Bytes expected{0xA1};
    expected.insert(expected.end(), block.begin(), block.end());
    expected.push_back(0x00);
    EXPECT_EQ(m_line.receive(expected.size(), kWaitMs, Events::Hold), expected);

    // The reboot request queued just before Disconnect still goes out.
    m_port.sendChar(0xA8);
    m_port.sendChar(0x00);
    m_port.close();
    EXPECT_FALSE(m_port.isOpen());
    EXPECT_EQ(m_line.receive(2, kWaitMs, Events::Hold), (Bytes{0xA8, 0x00}));
}

TEST_F(CommPortTest, ALineThatTakesNothingForAWhileKeepsThePortAndTheBytes) {
    openOn(m_line.slavePath());
    // Far more than the line's queue holds: the rest waits in the port.
    Bytes burst(256 * 1024);
    for (std::size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<std::uint8_t>(i * 7 % 251);
    m_port.sendData(burst);
    m_port.sendChar(0x5A); // meets the full line at once
    EXPECT_TRUE(m_port.isOpen());
    QTest::qWait(50);
    EXPECT_TRUE(m_port.isOpen());
    EXPECT_TRUE(m_lost.empty());

    burst.push_back(0x5A);
    EXPECT_EQ(m_line.receive(burst.size(), 10 * kWaitMs, Events::Process), burst);
    EXPECT_TRUE(m_port.isOpen());
}

struct OpenFailureCase {
    const char *name;
    bool portHeldElsewhere; // otherwise the path does not exist
};

void PrintTo(const OpenFailureCase &failure, std::ostream *out) {
    *out << failure.name;
}

class CommPortOpenFailureTest : public CommPortTest,
                                public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(CommPortOpenFailureTest, FailsWithTheSystemsReasonAndStaysClosedAndInert) {
    CommPort holder;
    QString path = m_dir.filePath(QStringLiteral("absent"));
    if (GetParam().portHeldElsewhere) {
        path = m_line.slavePath();
        holder.setPortName(path);
        std::string error;
        ASSERT_TRUE(holder.open(error)) << error;
    }

    m_port.setPortName(path);
    std::string error;
    EXPECT_FALSE(m_port.open(error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(m_port.isOpen());

    std::uint8_t byte = 0;
    m_port.sendChar(1);
    m_port.sendData(everyByteValue());
    EXPECT_FALSE(m_port.read(byte));
    EXPECT_FALSE(m_port.clearDeviceBuffers());
    m_port.clearDeviceInput();
    m_port.close();
    EXPECT_TRUE(m_lost.empty());

    if (GetParam().portHeldElsewhere) {
        // The holder is not disturbed, and nothing reached the line.
        EXPECT_TRUE(holder.isOpen());
        EXPECT_TRUE(m_line.receive(1, 50, Events::Process).empty());
        holder.sendChar(0x55);
        EXPECT_EQ(m_line.receive(1, kWaitMs, Events::Hold), Bytes{0x55});
    }
}

INSTANTIATE_TEST_SUITE_P(Ports, CommPortOpenFailureTest,
                         ::testing::Values(OpenFailureCase{"MissingPath", false},
                                           OpenFailureCase{"HeldByAnotherPort", true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CommPortTest, SwitchPortReopensAtOnceWhileOpenAndOnlyRenamesWhileClosed) {
    PseudoTerminal other;
    ASSERT_TRUE(other.isOpen());
    QString error;

    EXPECT_TRUE(m_port.switchPort(m_line.slavePath(), error));
    EXPECT_FALSE(m_port.isOpen());
    EXPECT_EQ(m_port.portName(), m_line.slavePath());

    openOn(m_line.slavePath());
    ASSERT_TRUE(m_line.send(Bytes{1, 2, 3}));
    ASSERT_TRUE(waitForReceived(3));

    ASSERT_TRUE(m_port.switchPort(other.slavePath(), error)) << error.toStdString();
    EXPECT_TRUE(m_port.isOpen());
    EXPECT_EQ(m_port.portName(), other.slavePath());
    EXPECT_EQ(m_port.totalReceived(), 0u);
    std::uint8_t byte = 0;
    EXPECT_FALSE(m_port.read(byte)); // the old port's bytes are gone
    EXPECT_EQ(outputSpeed(other), static_cast<speed_t>(B460800));
    ASSERT_TRUE(other.send(Bytes{9}));
    ASSERT_TRUE(waitForReceived(1));
    EXPECT_EQ(readAll(m_port), Bytes{9});
    m_port.sendChar(0x42);
    EXPECT_EQ(other.receive(1, kWaitMs, Events::Hold), Bytes{0x42});

    const QString absent = m_dir.filePath(QStringLiteral("absent"));
    EXPECT_FALSE(m_port.switchPort(absent, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(m_port.isOpen());
    EXPECT_EQ(m_port.portName(), absent);
    EXPECT_TRUE(m_lost.empty());
}

struct VanishCase {
    const char *name;
    bool sendAfterVanishing; // the loss is then noticed by the write, before any event pass
};

void PrintTo(const VanishCase &vanish, std::ostream *out) {
    *out << vanish.name;
}

class CommPortVanishTest : public CommPortTest, public ::testing::WithParamInterface<VanishCase> {};

TEST_P(CommPortVanishTest, LossClosesThePortOnceReportsItOnceThenIdlesAndTheDeviceCanComeBack) {
    // The port is known by a symlink, so that a new device can appear under the same name.
    const QString link = m_dir.filePath(QStringLiteral("port"));
    ASSERT_TRUE(QFile::link(m_line.slavePath(), link));
    openOn(link);
    ASSERT_TRUE(m_line.send(Bytes{1, 2}));
    ASSERT_TRUE(waitForReceived(2));

    m_line.closeMaster();
    if (GetParam().sendAfterVanishing) {
        m_port.sendData(everyByteValue());
        EXPECT_FALSE(m_port.isOpen());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_lost.empty(); }, kWaitMs));
    EXPECT_EQ(m_lost.size(), 1u);
    EXPECT_EQ(m_lost.front().portName, link);
    EXPECT_FALSE(m_lost.front().reason.isEmpty());
    EXPECT_FALSE(m_port.isOpen());

    {
        const NotifierActivity activity;
        QTest::qWait(kIdleWatchMs);
        EXPECT_LE(activity.count(), 2) << "the vanished device keeps the process busy";
    }
    EXPECT_EQ(m_lost.size(), 1u);

    std::uint8_t byte = 0;
    EXPECT_FALSE(m_port.read(byte)); // bytes still unread when the device went are gone
    m_port.sendChar(0xA8);
    EXPECT_FALSE(m_port.clearDeviceBuffers());
    m_port.close();

    PseudoTerminal comeback;
    ASSERT_TRUE(comeback.isOpen());
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(QFile::link(comeback.slavePath(), link));
    std::string error;
    ASSERT_TRUE(m_port.open(error)) << error;
    EXPECT_EQ(m_port.totalReceived(), 0u);
    ASSERT_TRUE(comeback.send(Bytes{7, 8, 9}));
    ASSERT_TRUE(waitForReceived(3));
    EXPECT_EQ(readAll(m_port), (Bytes{7, 8, 9}));
    m_port.sendChar(0x55);
    EXPECT_EQ(comeback.receive(1, kWaitMs, Events::Hold), Bytes{0x55});
    EXPECT_EQ(m_lost.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Notice, CommPortVanishTest,
                         ::testing::Values(VanishCase{"WhileReading", false},
                                           VanishCase{"WhileSending", true}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

} // namespace serial::test

#endif
