#pragma once

#include <QList>
#include <QString>

namespace serial {

struct PortEntry {
    QString name;        // what CommPort::setPortName() takes: "COM3", "/dev/ttyUSB0"
    QString description; // may be empty
};

// The serial ports present now, in ascending natural order of their names ("COM2" before
// "COM10"), one entry per port. On Linux the list also holds the symlinks directly under
// /dev that lead to a pseudo-terminal: virtual ports of network bridges appear that way.
QList<PortEntry> presentPorts();

// "name (description)", or the name alone when there is no description.
QString entryText(const PortEntry &entry);

// The port used until another is chosen: port 3 ("COM3" on Windows, "/dev/ttyS2" elsewhere).
QString defaultPortName();

// Natural order of port names: digit runs compare by value.
bool naturalLess(const QString &a, const QString &b);

} // namespace serial
