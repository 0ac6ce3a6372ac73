#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace unitsim::testing {

// The line a client sets up.
struct ClientLine {
    std::uint32_t baudRate = 460800;
    int dataBits = 8;
    char parity = 'N'; // 'N', 'E' or 'O'
    int stopBits = 2;
    bool hardwareFlow = false;
};

// A serial client in raw termios, as the loader drives its port: open, set the line, purge,
// write, read with a time limit. Every wait is bounded.
class RawSerialClient {
public:
    using Duration = std::chrono::milliseconds;

    RawSerialClient() = default;
    ~RawSerialClient();
    RawSerialClient(const RawSerialClient &) = delete;
    RawSerialClient &operator=(const RawSerialClient &) = delete;

    // Opens the port, sets `line` and purges both queues (as the loader does on connecting).
    bool connect(const std::string &path, const ClientLine &line = {});
    bool setLine(const ClientLine &line);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    void purgeInput();
    void purgeBoth();
    bool send(const std::vector<std::uint8_t> &bytes);
    // Reads until `count` bytes have come or `timeout` has passed; returns what came.
    std::vector<std::uint8_t> read(std::size_t count, Duration timeout);
    // Whether the other side has gone (the port hung up) within `timeout`.
    bool waitForHangUp(Duration timeout);

    const std::string &error() const { return m_error; }

private:
    int m_fd = -1;
    std::string m_error;
};

} // namespace unitsim::testing
