#include "PseudoTerminal.h"

#ifdef Q_OS_UNIX

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace serial::test {

namespace {

constexpr int kPollSliceMs = 5;

} // namespace

PseudoTerminal::PseudoTerminal() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0)
        return;
    const char *slave = nullptr;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        (slave = ::ptsname(master)) == nullptr) {
        ::close(master);
        return;
    }
    m_master = master;
    m_slavePath = QString::fromLocal8Bit(slave);
}

PseudoTerminal::~PseudoTerminal() {
    closeMaster();
}

void PseudoTerminal::closeMaster() {
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PseudoTerminal::send(std::span<const std::uint8_t> bytes) {
    QElapsedTimer waited;
    waited.start();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t written = ::write(m_master, bytes.data() + sent, bytes.size() - sent);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (waited.elapsed() > 2000)
            return false;
        pollfd line{m_master, POLLOUT, 0};
        ::poll(&line, 1, kPollSliceMs);
    }
    return true;
}

std::vector<std::uint8_t> PseudoTerminal::receive(std::size_t count, int timeoutMs, Events events) {
    std::vector<std::uint8_t> received;
    QElapsedTimer waited;
    waited.start();
    std::uint8_t chunk[4096];
    while (received.size() < count) {
        const ssize_t got =
            ::read(m_master, chunk, std::min(sizeof chunk, count - received.size()));
        if (got > 0) {
            received.insert(received.end(), chunk, chunk + got);
            continue;
        }
        if (waited.elapsed() > timeoutMs)
            break;
        const bool portClosed = got < 0 && errno == EIO; // poll() would not wait then
        if (events == Events::Process)
            QCoreApplication::processEvents();
        if (portClosed) {
            ::usleep(kPollSliceMs * 1000);
        } else {
            pollfd line{m_master, POLLIN, 0};
            ::poll(&line, 1, kPollSliceMs);
        }
    }
    return received;
}

std::optional<termios> PseudoTerminal::lineSettings() const {
    termios settings{};
    if (::tcgetattr(m_master, &settings) != 0)
        return std::nullopt;
    return settings;
}

} // namespace serial::test

#endif
