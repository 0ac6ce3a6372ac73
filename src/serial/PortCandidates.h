#pragma once

#include "serial/PortList.h"

#include <QList>
#include <QString>

namespace serial {

// How the port list is put together from what the system offers; presentPorts() feeds
// these with the ports found now.

inline constexpr char kPseudoTerminalDescription[] = "pseudo-terminal";

// The symlinks directly in `directory` whose target resolves to a pseudo-terminal slave
// (/dev/pts/N), described as "pseudo-terminal". Links through /proc (such as /dev/stdin)
// name a stream of the process that looks, not a port, and are left out.
QList<PortEntry> pseudoTerminalLinksIn(const QString &directory);

// Drops nameless entries, parallel ports and repeated names (the first entry of a name is
// kept), and sorts the rest by naturalLess() of their names.
QList<PortEntry> arrangedPorts(const QList<PortEntry> &candidates);

} // namespace serial
