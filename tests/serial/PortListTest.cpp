#include "serial/PortList.h"
#include "serial/PortCandidates.h"

#include "PseudoTerminal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace serial::test {

namespace {

struct OrderCase {
    const char *lower;
    const char *higher;
};

constexpr OrderCase kOrderCases[] = {
    {"COM2", "COM10"},
    {"COM9", "COM10"},
    {"/dev/ttyS2", "/dev/ttyS10"},
    {"/dev/ttyS10", "/dev/ttyUSB0"},
    {"/dev/ttyUSB1", "/dev/ttyUSB2"},
    {"com2", "COM10"},                                   // letters ignore case
    {"COM", "COM1"},                                     // a prefix comes first
    {"x007", "x8"},                                      // leading zeros do not count
    {"x99999999999999999999", "x100000000000000000000"}, // longer than any integer
    {"COM3", "com3"},                                    // equal names still ordered
};

TEST(NaturalOrderTest, DigitRunsCompareByValue) {
    for (const OrderCase &order : kOrderCases) {
        const QString lower = QString::fromLatin1(order.lower);
        const QString higher = QString::fromLatin1(order.higher);
        EXPECT_TRUE(naturalLess(lower, higher)) << order.lower << " < " << order.higher;
        EXPECT_FALSE(naturalLess(higher, lower)) << order.higher << " < " << order.lower;
        EXPECT_FALSE(naturalLess(lower, lower)) << order.lower;
    }
}

TEST(PortListTest, EntryTextShowsTheDescriptionInParenthesesWhenThereIsOne) {
    const struct {
        PortEntry entry;
        const char *text;
    } cases[] = {
        {{QStringLiteral("COM3"), QStringLiteral("USB Serial Port")}, "COM3 (USB Serial Port)"},
        {{QStringLiteral("/dev/ttyS2"), QString()}, "/dev/ttyS2"},
        {{QStringLiteral("/dev/ttyV0"), QStringLiteral("pseudo-terminal")},
         "/dev/ttyV0 (pseudo-terminal)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(entryText(c.entry).toStdString(), c.text);
}

TEST(PortListTest, ArrangedPortsAreUniqueSortedAndWithoutParallelPorts) {
    const QList<PortEntry> candidates{
        {QStringLiteral("COM10"), QString()},
        {QStringLiteral("COM2"), QStringLiteral("first")},
        {QStringLiteral("LPT1"), QStringLiteral("printer")},
        {QString(), QStringLiteral("nameless")},
        {QStringLiteral("COM2"), QStringLiteral("second")},
        {QStringLiteral("/dev/lp0"), QString()},
        {QStringLiteral("COM1"), QString()},
    };
    const QList<PortEntry> ports = arrangedPorts(candidates);
    QStringList texts;
    for (const PortEntry &port : ports)
        texts << entryText(port);
    EXPECT_EQ(texts, (QStringList{"COM1", "COM2 (first)", "COM10"}));
}

TEST(PortListTest, PresentPortsAreSortedWithOneEntryPerNameAndPortThreeIsTheDefault) {
    const QList<PortEntry> ports = presentPorts();
    for (qsizetype i = 1; i < ports.size(); ++i)
        EXPECT_TRUE(naturalLess(ports[i - 1].name, ports[i].name))
            << ports[i - 1].name.toStdString() << " before " << ports[i].name.toStdString();
#ifdef Q_OS_WIN
    EXPECT_EQ(defaultPortName(), QStringLiteral("COM3"));
#else
    EXPECT_EQ(defaultPortName(), QStringLiteral("/dev/ttyS2"));
#endif
}

#ifdef Q_OS_LINUX

TEST(PseudoTerminalLinksTest, OnlyLinksDirectlyInTheFolderThatLeadToASlaveAreListed) {
    PseudoTerminal first;
    PseudoTerminal second;
    ASSERT_TRUE(first.isOpen() && second.isOpen());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    const auto at = [&](const char *name) { return dir.filePath(QString::fromLatin1(name)); };

    QFile plain(at("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(QDir(root).mkdir(QStringLiteral("sub")));
    const int slave = ::open(first.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);

    ASSERT_TRUE(QFile::link(first.slavePath(), at("ttyV1")));
    ASSERT_TRUE(QFile::link(second.slavePath(), at("hop")));
    ASSERT_TRUE(QFile::link(at("hop"), at("ttyV10"))); // a chain of links to a slave
    ASSERT_TRUE(QFile::link(first.slavePath(), at("sub/ttyV2")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ptmx"), at("toMaster")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/pts"), at("toFolder")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/pts/999999"), at("broken")));
    ASSERT_TRUE(QFile::link(at("plain"), at("toPlain")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/fd/%1").arg(slave), at("stream")));

    QList<PortEntry> links = pseudoTerminalLinksIn(root);
    ::close(slave);
    QStringList names;
    for (const PortEntry &link : links) {
        names << link.name;
        EXPECT_EQ(link.description, QString::fromLatin1(kPseudoTerminalDescription));
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{at("hop"), at("ttyV1"), at("ttyV10")}));

    EXPECT_TRUE(pseudoTerminalLinksIn(at("missing")).isEmpty());
}

#endif

} // namespace

} // namespace serial::test
