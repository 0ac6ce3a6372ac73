#include "TimedPort.h"

#include "loader/LoaderStates.h"
#include "loader/WireProtocol.h"

#include <algorithm>

namespace bench {

void TimedPort::noteArrival() {
    if (m_stage == Stage::AwaitingAck && !m_arrivalSeen) {
        m_current.ackArrived = Clock::now();
        m_arrivalSeen = true;
    }
}

void TimedPort::sendChar(std::uint8_t byte) {
    // Requests are sent a byte at a time, and no other request holds these command bytes.
    if (std::ranges::count(loader::states::kFirmwareSequence, byte,
                           &loader::states::FirmwareStep::command) > 0) {
        ++m_fileStarts;
        m_stage = Stage::Idle;
    } else if (byte == loader::wire::kBlockCommand) {
        m_current = BlockTiming{};
        m_current.requested = Clock::now();
        m_current.file = m_fileStarts;
        m_arrivalSeen = false;
        m_stage = Stage::Requested;
    }
    m_inner.sendChar(byte);
}

void TimedPort::sendData(std::span<const std::uint8_t> bytes) {
    if (m_stage == Stage::Requested && bytes.size() == loader::wire::kBlockSizeBytes) {
        m_current.dataSent = Clock::now();
        m_stage = Stage::AwaitingAck;
    }
    m_inner.sendData(bytes);
}

bool TimedPort::read(std::uint8_t &byte) {
    if (!m_inner.read(byte))
        return false;
    if (m_stage == Stage::AwaitingAck && byte == loader::wire::kBlockAck) {
        m_stage = Stage::AwaitingChecksum;
    } else if (m_stage == Stage::AwaitingChecksum) {
        m_current.ackHandled = Clock::now();
        if (!m_arrivalSeen)
            m_current.ackArrived = m_current.ackHandled;
        if (m_recording)
            m_blocks.push_back(m_current);
        m_stage = Stage::Idle;
    }
    return true;
}

} // namespace bench
