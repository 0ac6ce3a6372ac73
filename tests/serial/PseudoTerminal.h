#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#ifdef Q_OS_UNIX
#include <termios.h>

namespace serial::test {

// The far end of a line for the port under test: the test holds the master side of a
// pseudo-terminal, the port opens the slave path.
class PseudoTerminal {
public:
    // Whether Qt events are handled while waiting for bytes from the port.
    enum class Events { Process, Hold };

    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isOpen() const { return m_master >= 0; }
    const QString &slavePath() const { return m_slavePath; }
    // The device vanishes: the port's side hangs up.
    void closeMaster();

    // Writes all of `bytes` towards the port; false if the line would not take them.
    bool send(std::span<const std::uint8_t> bytes);
    // Collects what the port sent until `count` bytes have come or `timeoutMs` has passed.
    std::vector<std::uint8_t> receive(std::size_t count, int timeoutMs, Events events);
    // The line settings the port has set, as this end sees them.
    std::optional<termios> lineSettings() const;

private:
    int m_master = -1;
    QString m_slavePath;
};

} // namespace serial::test

#endif
