#include "serial/PortCandidates.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace serial {

namespace {

bool isParallelPort(const QString &name) {
    static const QRegularExpression parallelName(QStringLiteral("^(lpt|lp|parport)[0-9]+$"),
                                                 QRegularExpression::CaseInsensitiveOption);
    return parallelName.match(QFileInfo(name).fileName()).hasMatch();
}

} // namespace

QList<PortEntry> pseudoTerminalLinksIn(const QString &directory) {
    static const QRegularExpression slavePath(QStringLiteral("^/dev/pts/[0-9]+$"));
    static const QString processLinks = QStringLiteral("/proc/");

    QList<PortEntry> links;
    const QFileInfoList entries = QDir(directory).entryInfoList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (!entry.isSymLink() || entry.symLinkTarget().startsWith(processLinks))
            continue;
        // Empty when the link is broken.
        if (slavePath.match(entry.canonicalFilePath()).hasMatch())
            links.append(
                {entry.absoluteFilePath(), QString::fromLatin1(kPseudoTerminalDescription)});
    }
    return links;
}

QList<PortEntry> arrangedPorts(const QList<PortEntry> &candidates) {
    QList<PortEntry> ports;
    QSet<QString> names;
    for (const PortEntry &candidate : candidates) {
        if (candidate.name.isEmpty() || isParallelPort(candidate.name) ||
            names.contains(candidate.name))
            continue;
        names.insert(candidate.name);
        ports.append(candidate);
    }
    std::sort(ports.begin(), ports.end(),
              [](const PortEntry &a, const PortEntry &b) { return naturalLess(a.name, b.name); });
    return ports;
}

} // namespace serial
