#include "MachineInfo.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QSysInfo>
#include <QThread>
#include <QtGlobal>

namespace bench {

namespace {

// The first "model name" line of the processor list, where the system has one.
QString cpuModel() {
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly | QIODevice::Text))
        return QSysInfo::currentCpuArchitecture();
    // Files under /proc tell no size, so they are read whole rather than to atEnd().
    const QStringList lines = QString::fromUtf8(cpuinfo.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QStringLiteral("model name")))
            return line.section(QLatin1Char(':'), 1).trimmed();
    }
    return QSysInfo::currentCpuArchitecture();
}

// The one-minute load average, or a negative number where the system does not tell it.
double loadAverage() {
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (!loadavg.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    bool ok = false;
    const double load =
        QString::fromUtf8(loadavg.readLine()).section(QLatin1Char(' '), 0, 0).toDouble(&ok);
    return ok ? load : -1;
}

} // namespace

JsonObject machineInfo() {
    JsonObject info;
    info.add("measure", "machine")
        .add("cpus", QThread::idealThreadCount())
        .add("cpu_model", cpuModel().toStdString())
        .add("system", QSysInfo::prettyProductName().toStdString())
        .add("kernel", QSysInfo::kernelVersion().toStdString())
        .add("qt", qVersion());
    if (const double load = loadAverage(); load >= 0)
        info.add("load_average_1min", load);
    return info;
}

} // namespace bench
