#pragma once

#include "loader/PortOperations.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace bench {

// The port as the loader sees it, with the moments of each block's round trip taken on the
// way: the block request's first byte, the hand-over of its 256 data bytes, the arrival of
// the acknowledgement (noteArrival(), called by whoever watches the real port) and the read
// that returns its checksum byte.
class TimedPort final : public loader::PortOperations {
public:
    using Clock = std::chrono::steady_clock;

    struct BlockTiming {
        Clock::time_point requested;  // block command byte handed to the port
        Clock::time_point dataSent;   // just before the data bytes are handed to the port
        Clock::time_point ackArrived; // first arrival of bytes after the data
        Clock::time_point ackHandled; // the read that returned the checksum byte
        int file = 0;                 // counts the file starts before the block
    };

    explicit TimedPort(loader::PortOperations &inner) : m_inner(inner) {}

    // With recording off the timings are not kept (their memory would count as the loader's).
    void setRecording(bool recording) { m_recording = recording; }
    void reserve(std::size_t blocks) { m_blocks.reserve(blocks); }
    void noteArrival();
    const std::vector<BlockTiming> &blocks() const { return m_blocks; }

    // loader::PortOperations
    void close() override { m_inner.close(); }
    void setBaudRate(std::uint32_t bitsPerSecond) override { m_inner.setBaudRate(bitsPerSecond); }
    bool open(std::string &error) override { return m_inner.open(error); }
    bool isOpen() const override { return m_inner.isOpen(); }
    bool clearDeviceBuffers() override { return m_inner.clearDeviceBuffers(); }
    void clearDeviceInput() override { m_inner.clearDeviceInput(); }
    void sendChar(std::uint8_t byte) override;
    void sendData(std::span<const std::uint8_t> bytes) override;
    bool read(std::uint8_t &byte) override;
    std::uint32_t totalReceived() const override { return m_inner.totalReceived(); }

private:
    enum class Stage { Idle, Requested, AwaitingAck, AwaitingChecksum };

    loader::PortOperations &m_inner;
    bool m_recording = true;
    Stage m_stage = Stage::Idle;
    bool m_arrivalSeen = false;
    int m_fileStarts = 0;
    BlockTiming m_current{};
    std::vector<BlockTiming> m_blocks;
};

} // namespace bench
