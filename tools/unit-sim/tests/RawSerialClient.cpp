#include "RawSerialClient.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace unitsim::testing {

namespace {

speed_t speedConstant(std::uint32_t baudRate) {
    switch (baudRate) {
    case 9600:
        return B9600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B38400;
    }
}

tcflag_t sizeFlag(int dataBits) {
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

} // namespace

RawSerialClient::~RawSerialClient() {
    close();
}

bool RawSerialClient::connect(const std::string &path, const ClientLine &line) {
    close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!setLine(line)) {
        close();
        return false;
    }
    purgeBoth();
    return true;
}

bool RawSerialClient::setLine(const ClientLine &line) {
    termios settings{};
    if (::tcgetattr(m_fd, &settings) != 0) {
        m_error = std::string("tcgetattr: ") + std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    settings.c_cflag |= sizeFlag(line.dataBits) | CREAD | CLOCAL;
    if (line.stopBits == 2)
        settings.c_cflag |= CSTOPB;
    if (line.parity != 'N')
        settings.c_cflag |= PARENB | (line.parity == 'O' ? PARODD : 0);
    if (line.hardwareFlow)
        settings.c_cflag |= CRTSCTS;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, speedConstant(line.baudRate));
    ::cfsetospeed(&settings, speedConstant(line.baudRate));
    if (::tcsetattr(m_fd, TCSANOW, &settings) != 0) {
        m_error = std::string("tcsetattr: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void RawSerialClient::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void RawSerialClient::purgeInput() {
    ::tcflush(m_fd, TCIFLUSH);
}

void RawSerialClient::purgeBoth() {
    ::tcflush(m_fd, TCIOFLUSH);
}

bool RawSerialClient::send(const std::vector<std::uint8_t> &bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = ::write(m_fd, bytes.data() + sent, bytes.size() - sent);
        if (count > 0) {
            sent += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            m_error = std::string("write: ") + std::strerror(errno);
            return false;
        }
        pollfd entry{m_fd, POLLOUT, 0};
        if (::poll(&entry, 1, 1000) <= 0) {
            m_error = "write: the port does not take bytes";
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> RawSerialClient::read(std::size_t count, Duration timeout) {
    std::vector<std::uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count && m_fd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd entry{m_fd, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count()) + 1) <= 0)
            continue;
        if (!(entry.revents & POLLIN))
            break; // hung up
        std::uint8_t buffer[512];
        const ssize_t got = ::read(m_fd, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (got <= 0) {
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

bool RawSerialClient::waitForHangUp(Duration timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{m_fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, 20);
        if (ready > 0 && (entry.revents & (POLLHUP | POLLERR)))
            return true;
        if (ready > 0 && (entry.revents & POLLIN)) {
            std::uint8_t buffer[256];
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno == EIO))
                return true;
        }
    }
    return false;
}

} // namespace unitsim::testing
