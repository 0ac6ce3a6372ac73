#include "PseudoTerminal.h"

#include "TerminalLine.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace unitsim {

namespace {

constexpr std::size_t kPathBufferBytes = 128;

std::string systemError(const char *what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool slavePathOf(int masterFd, std::string &path) {
#if defined(__linux__)
    char buffer[kPathBufferBytes];
    if (::ptsname_r(masterFd, buffer, sizeof buffer) != 0)
        return false;
    path = buffer;
    return true;
#else
    // ptsname() shares one buffer across the process.
    static std::mutex ptsnameMutex;
    std::lock_guard lock(ptsnameMutex);
    const char *name = ::ptsname(masterFd);
    if (!name)
        return false;
    path = name;
    return true;
#endif
}

bool setFlags(int fd) {
    const int statusFlags = ::fcntl(fd, F_GETFL);
    const int descriptorFlags = ::fcntl(fd, F_GETFD);
    return statusFlags >= 0 && descriptorFlags >= 0 &&
           ::fcntl(fd, F_SETFL, statusFlags | O_NONBLOCK) == 0 &&
           ::fcntl(fd, F_SETFD, descriptorFlags | FD_CLOEXEC) == 0;
}

} // namespace

PseudoTerminal::~PseudoTerminal() {
    close();
}

PseudoTerminal::PseudoTerminal(PseudoTerminal &&other) noexcept
    : m_masterFd(std::exchange(other.m_masterFd, -1)), m_path(std::move(other.m_path)) {}

PseudoTerminal &PseudoTerminal::operator=(PseudoTerminal &&other) noexcept {
    if (this != &other) {
        close();
        m_masterFd = std::exchange(other.m_masterFd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

bool PseudoTerminal::open(std::string &error) {
    close();
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        error = systemError("cannot make a pseudo-terminal");
        return false;
    }
    std::string path;
    int packetMode = 1;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || !slavePathOf(fd, path) || !setFlags(fd) ||
        ::ioctl(fd, TIOCPKT, &packetMode) != 0) {
        error = systemError("cannot set up the pseudo-terminal");
        ::close(fd);
        return false;
    }
    // Until its other side has been opened once, the master does not report a hang-up, so
    // open and close it here: from now on "no hang-up" means that somebody has it open.
    const int slaveFd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slaveFd < 0) {
        error = systemError(("cannot open " + path).c_str());
        ::close(fd);
        return false;
    }
    ::close(slaveFd);
    m_masterFd = fd;
    m_path = std::move(path);
    return true;
}

void PseudoTerminal::close() {
    if (m_masterFd >= 0)
        ::close(m_masterFd);
    m_masterFd = -1;
    m_path.clear();
}

bool PseudoTerminal::peerOpen() const {
    if (m_masterFd < 0)
        return false;
    pollfd entry{m_masterFd, 0, 0};
    int result;
    do {
        result = ::poll(&entry, 1, 0);
    } while (result < 0 && errno == EINTR);
    return result >= 0 && !(entry.revents & (POLLHUP | POLLERR | POLLNVAL));
}

std::optional<LineSettings> PseudoTerminal::lineSettings() const {
    if (m_masterFd < 0)
        return std::nullopt;
    return readLineSettings(m_masterFd);
}

std::size_t PseudoTerminal::bytesWaiting() const {
    int count = 0;
    if (m_masterFd < 0 || ::ioctl(m_masterFd, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return static_cast<std::size_t>(count);
}

PseudoTerminal::Input PseudoTerminal::read(std::span<std::uint8_t> buffer) {
    Input input;
    if (m_masterFd < 0) {
        input.result = Input::Result::Failed;
        return input;
    }
    // In packet mode every read starts with a byte of its own: 0 before data, or the status.
    std::uint8_t packet[4097];
    const std::size_t wanted = std::min(buffer.size(), sizeof packet - 1) + 1;
    ssize_t count;
    do {
        count = ::read(m_masterFd, packet, wanted);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            input.result = Input::Result::NothingWaiting;
        else if (errno == EIO)
            input.result = Input::Result::PeerClosed; // the other side has closed
        else
            input.result = Input::Result::Failed;
        return input;
    }
    if (count == 0) {
        input.result = Input::Result::PeerClosed;
        return input;
    }
    if (packet[0] != TIOCPKT_DATA) {
        input.result = Input::Result::Status;
        input.status = packet[0];
        return input;
    }
    input.result = Input::Result::Data;
    input.dataBytes = static_cast<std::size_t>(count - 1);
    std::memcpy(buffer.data(), packet + 1, input.dataBytes);
    return input;
}

long PseudoTerminal::write(std::span<const std::uint8_t> bytes, std::string &error) {
    if (m_masterFd < 0) {
        error = "the port is closed";
        return -1;
    }
    ssize_t count;
    do {
        count = ::write(m_masterFd, bytes.data(), bytes.size());
    } while (count < 0 && errno == EINTR);
    if (count >= 0)
        return static_cast<long>(count);
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return 0;
    error = systemError("cannot write to the port");
    return -1;
}

bool PseudoTerminal::isPurgeOfInput(std::uint8_t status) {
    return status & TIOCPKT_FLUSHREAD;
}

bool PseudoTerminal::isPurgeOfOutput(std::uint8_t status) {
    return status & TIOCPKT_FLUSHWRITE;
}

bool PseudoTerminal::isFlowControlSwitchedOff(std::uint8_t status) {
    return status & TIOCPKT_NOSTOP;
}

bool PseudoTerminal::isFlowControlSwitchedOn(std::uint8_t status) {
    return status & TIOCPKT_DOSTOP;
}

} // namespace unitsim
