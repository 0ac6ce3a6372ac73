#include "WakePipe.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace unitsim {

WakePipe::~WakePipe() {
    close();
}

void WakePipe::close() {
    for (int &fd : m_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool WakePipe::open() {
    if (m_fds[0] >= 0)
        return true;
    if (::pipe(m_fds) != 0)
        return false;
    for (int fd : m_fds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
    }
    return true;
}

void WakePipe::notify() {
    if (m_fds[1] < 0)
        return;
    const char byte = 1;
    // A full pipe already wakes the reader.
    while (::write(m_fds[1], &byte, 1) < 0 && errno == EINTR) {
    }
}

void WakePipe::drain() {
    if (m_fds[0] < 0)
        return;
    char buffer[64];
    while (::read(m_fds[0], buffer, sizeof buffer) > 0) {
    }
}

} // namespace unitsim
