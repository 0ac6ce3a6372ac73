#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace loader {

// The serial port as the loader drives it. No call waits for the line: sends are queued,
// and a read with nothing waiting says so instead of waiting for a byte.
class PortOperations {
public:
    virtual ~PortOperations() = default;

    // Closes the port if it is open. What the loader has sent is handed to the driver first
    // (without waiting for the line), so a last request is not lost to a quick Disconnect.
    virtual void close() = 0;
    // Takes effect at the next open().
    virtual void setBaudRate(std::uint32_t bitsPerSecond) = 0;
    // Opens the selected port with the fixed line settings and sets totalReceived() to 0.
    // On failure returns false and puts the system's reason into `error`.
    virtual bool open(std::string &error) = 0;
    virtual bool isOpen() const = 0;
    // Discards the bytes waiting in the input and the output queue.
    virtual bool clearDeviceBuffers() = 0;
    // Discards the bytes waiting in the input queue.
    virtual void clearDeviceInput() = 0;
    // Queue bytes for sending, after everything sent before them.
    virtual void sendChar(std::uint8_t byte) = 0;
    virtual void sendData(std::span<const std::uint8_t> bytes) = 0;
    // Takes the oldest received byte; returns false at once when none is waiting.
    virtual bool read(std::uint8_t &byte) = 0;
    // Bytes received since the port was opened, wrapping at 2^32; reads and purges do
    // not lower it.
    virtual std::uint32_t totalReceived() const = 0;
};

} // namespace loader
