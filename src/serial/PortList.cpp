#include "serial/PortList.h"

#include "serial/PortCandidates.h"

#include <QSerialPortInfo>
#include <QStringView>

namespace serial {

namespace {

QString nameOf(const QSerialPortInfo &info) {
#ifdef Q_OS_WIN
    return info.portName();
#else
    return info.systemLocation();
#endif
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Compares the digit runs starting at a[i] and b[j] by value and moves past them; no
// integer conversion, so runs of any length compare right.
int compareDigitRuns(QStringView a, qsizetype &i, QStringView b, qsizetype &j) {
    while (i < a.size() - 1 && a[i] == u'0' && isAsciiDigit(a[i + 1]))
        ++i;
    while (j < b.size() - 1 && b[j] == u'0' && isAsciiDigit(b[j + 1]))
        ++j;
    qsizetype endA = i;
    while (endA < a.size() && isAsciiDigit(a[endA]))
        ++endA;
    qsizetype endB = j;
    while (endB < b.size() && isAsciiDigit(b[endB]))
        ++endB;

    int order = 0;
    if (endA - i != endB - j)
        order = endA - i < endB - j ? -1 : 1;
    else
        order = a.sliced(i, endA - i).compare(b.sliced(j, endB - j));
    i = endA;
    j = endB;
    return order;
}

int compareNaturally(QStringView a, QStringView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            if (const int order = compareDigitRuns(a, i, b, j); order != 0)
                return order;
            continue;
        }
        const QChar foldedA = a[i].toCaseFolded();
        const QChar foldedB = b[j].toCaseFolded();
        if (foldedA != foldedB)
            return foldedA < foldedB ? -1 : 1;
        ++i;
        ++j;
    }
    const qsizetype restA = a.size() - i;
    const qsizetype restB = b.size() - j;
    return restA == restB ? 0 : (restA < restB ? -1 : 1);
}

} // namespace

QList<PortEntry> presentPorts() {
    QList<PortEntry> candidates;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        candidates.append({nameOf(info), info.description()});
#ifdef Q_OS_LINUX
    // Virtual ports of network bridges are symlinks to pseudo-terminals, which the system's
    // serial port list does not hold.
    candidates.append(pseudoTerminalLinksIn(QStringLiteral("/dev")));
#endif
    return arrangedPorts(candidates);
}

QString entryText(const PortEntry &entry) {
    if (entry.description.isEmpty())
        return entry.name;
    return entry.name + QStringLiteral(" (") + entry.description + QStringLiteral(")");
}

QString defaultPortName() {
#ifdef Q_OS_WIN
    return QStringLiteral("COM3");
#else
    return QStringLiteral("/dev/ttyS2");
#endif
}

bool naturalLess(const QString &a, const QString &b) {
    if (const int order = compareNaturally(a, b); order != 0)
        return order < 0;
    return a < b; // names equal in natural order ("COM3", "com3") still need a strict order
}

} // namespace serial
