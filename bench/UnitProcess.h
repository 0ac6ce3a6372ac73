#pragma once

#include <QProcess>
#include <QString>

#include <chrono>
#include <string>

namespace bench {

// The simulated unit as a program of its own, so that its work and its memory are not
// counted as the loader's.
class UnitProcess {
public:
    static constexpr std::chrono::milliseconds kStartTimeout{5000};
    static constexpr std::chrono::milliseconds kStopTimeout{3000};

    struct Options {
        bool paced = false;   // bytes pass no faster than the line's baud rate
        bool announce = true; // false: the unit never announces its boot mode
        std::chrono::milliseconds announceDelay{50};
        QString outputFolder; // the unit's transcript and images go here; none when empty
    };

    explicit UnitProcess(QString programPath);
    ~UnitProcess(); // stop()
    UnitProcess(const UnitProcess &) = delete;
    UnitProcess &operator=(const UnitProcess &) = delete;

    // Starts the program and waits for the port path it prints first.
    bool start(const Options &options, std::string &error);
    QString portPath() const { return m_portPath; }

    // Ends the program (SIGTERM, then a kill when it does not end in time). Returns what went
    // wrong inside the unit, empty when it ended cleanly; safe to call more than once.
    std::string stop();

private:
    QString m_programPath;
    QProcess m_process;
    QString m_portPath;
};

} // namespace bench
