#pragma once

namespace unitsim {

// Wakes a thread waiting in poll() from another thread: notify() makes readFd() readable
// until drain().
class WakePipe {
public:
    WakePipe() = default;
    ~WakePipe();
    WakePipe(const WakePipe &) = delete;
    WakePipe &operator=(const WakePipe &) = delete;

    bool open();
    void close();
    void notify();
    void drain();
    int readFd() const { return m_fds[0]; }

private:
    int m_fds[2] = {-1, -1};
};

} // namespace unitsim
