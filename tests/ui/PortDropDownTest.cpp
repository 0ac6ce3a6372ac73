// The port drop-down: the ports it was given, the default port at start, and a choice
// that sets the port of the closed serial port.

#include "WindowProbe.h"

#include "ui/PortDeviceBox.h"
#include "ui/Unit3.h"

#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using uitest::control;

QStringList entriesOf(const QComboBox &box) {
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts.append(box.itemText(i));
    return texts;
}

const QList<serial::PortEntry> kThreePorts{
    {QStringLiteral("/dev/ttyS0"), QString()},
    {serial::defaultPortName(), QStringLiteral("16550A")},
    {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART")},
};

TEST(PortDropDown, ListsTheGivenPortsInOrderAndStartsOnTheDefaultPort) {
    TForm3 window(kThreePorts);
    auto *box = control<QComboBox>(window, "nrDeviceBox1");
    EXPECT_EQ(entriesOf(*box),
              (QStringList{QStringLiteral("/dev/ttyS0"), serial::defaultPortName() + " (16550A)",
                           QStringLiteral("/dev/ttyUSB0 (FT232R USB UART)")}));
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(window.commPort().portName(), serial::defaultPortName());
}

TEST(PortDropDown, WithoutTheDefaultPortShowsNothingAndKeepsTheDefault) {
    struct Case {
        const char *what;
        QList<serial::PortEntry> ports;
    };
    const Case cases[] = {
        {"no port present", {}},
        {"other ports only", {{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("CP2102")}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TForm3 window(c.ports);
        auto *box = control<QComboBox>(window, "nrDeviceBox1");
        EXPECT_EQ(box->count(), c.ports.size());
        EXPECT_EQ(box->currentIndex(), -1);
        EXPECT_EQ(window.commPort().portName(), serial::defaultPortName());
    }
}

TEST(PortDropDown, ChoosingAnEntryWhileClosedSetsThePortName) {
    TForm3 window(kThreePorts);
    window.show();
    auto *box = control<QComboBox>(window, "nrDeviceBox1");
    ASSERT_FALSE(window.commPort().isOpen());

    QTest::keyClick(box, Qt::Key_Down); // the entry below the default port
    EXPECT_EQ(box->currentIndex(), 2);
    EXPECT_EQ(window.commPort().portName(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_FALSE(window.commPort().isOpen()) << "choosing must not open a closed port";

    QTest::keyClick(box, Qt::Key_Home);
    EXPECT_EQ(window.commPort().portName(), QStringLiteral("/dev/ttyS0"));
    EXPECT_TRUE(uitest::shownMessageBoxes(window).isEmpty());
}

} // namespace
