#include "UnitProcess.h"

#include <QDeadlineTimer>
#include <QStringList>

namespace bench {

UnitProcess::UnitProcess(QString programPath) : m_programPath(std::move(programPath)) {}

UnitProcess::~UnitProcess() {
    stop();
}

bool UnitProcess::start(const Options &options, std::string &error) {
    QStringList arguments{QStringLiteral("--quiet")};
    if (options.paced)
        arguments << QStringLiteral("--pace");
    if (options.announce)
        arguments << QStringLiteral("--announce-delay")
                  << QString::number(options.announceDelay.count());
    else
        arguments << QStringLiteral("--manual");
    if (!options.outputFolder.isEmpty())
        arguments << QStringLiteral("--out") << options.outputFolder;

    m_process.start(m_programPath, arguments);
    if (!m_process.waitForStarted(static_cast<int>(kStartTimeout.count()))) {
        error = "cannot start " + m_programPath.toStdString() + ": " +
                m_process.errorString().toStdString();
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeout);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || m_process.state() != QProcess::Running ||
            !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (m_process.canReadLine())
                break;
            error =
                "the simulated unit did not tell its port: " +
                QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed().toStdString();
            stop();
            return false;
        }
    }
    m_portPath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return true;
}

std::string UnitProcess::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return {};
    m_process.terminate();
    if (!m_process.waitForFinished(static_cast<int>(kStopTimeout.count()))) {
        m_process.kill();
        m_process.waitForFinished(static_cast<int>(kStopTimeout.count()));
        return "the simulated unit did not end when asked and was killed";
    }
    if (m_process.exitStatus() != QProcess::NormalExit || m_process.exitCode() != 0)
        return "the simulated unit ended with status " + std::to_string(m_process.exitCode()) +
               ": " +
               QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed().toStdString();
    return {};
}

} // namespace bench
