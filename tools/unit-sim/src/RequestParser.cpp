#include "RequestParser.h"

namespace unitsim {

namespace {

constexpr std::size_t kBootReplyBytes = sizeof kBootReply;
constexpr std::size_t kShortRequestBytes = 2;
constexpr std::size_t kBlockFrameBytes = 2 + kBlockDataBytes;

std::size_t lengthOfMessageStartingWith(std::uint8_t byte) {
    if (byte == kBootReplyStart)
        return kBootReplyBytes;
    if (isFileCommand(byte) || byte == kRebootCommand)
        return kShortRequestBytes;
    if (byte == kBlockCommand)
        return kBlockFrameBytes;
    return 0;
}

} // namespace

void RequestParser::feed(std::span<const std::uint8_t> bytes, std::vector<Request> &requests) {
    for (std::uint8_t byte : bytes)
        take(byte, requests);
    flushUnknown(requests);
}

void RequestParser::reset(std::vector<Request> &requests) {
    flushUnknown(requests);
    if (!m_pending.empty()) {
        requests.push_back({MessageKind::Incomplete, m_pending, std::nullopt});
        m_pending.clear();
    }
}

void RequestParser::take(std::uint8_t byte, std::vector<Request> &requests) {
    if (m_pending.empty()) {
        startMessage(byte, requests);
        return;
    }
    const std::uint8_t first = m_pending.front();
    // The second byte of every request but the boot reply is 00.
    if (m_pending.size() == 1 && first != kBootReplyStart && byte != 0x00) {
        m_unknown.push_back(first);
        m_pending.clear();
        startMessage(byte, requests);
        return;
    }
    m_pending.push_back(byte);
    if (m_pending.size() < m_expectedBytes)
        return;
    if (first == kBootReplyStart)
        finish(MessageKind::BootReply, requests);
    else if (first == kBlockCommand)
        finish(MessageKind::Block, requests);
    else if (first == kRebootCommand)
        finish(MessageKind::Reboot, requests);
    else
        finish(MessageKind::FileStart, requests);
}

void RequestParser::startMessage(std::uint8_t byte, std::vector<Request> &requests) {
    m_expectedBytes = lengthOfMessageStartingWith(byte);
    if (m_expectedBytes == 0) {
        m_unknown.push_back(byte);
        return;
    }
    flushUnknown(requests);
    m_pending.push_back(byte);
}

void RequestParser::finish(MessageKind kind, std::vector<Request> &requests) {
    Request request{kind, std::move(m_pending), std::nullopt};
    if (kind == MessageKind::FileStart)
        request.command = request.bytes.front();
    requests.push_back(std::move(request));
    m_pending.clear();
}

void RequestParser::flushUnknown(std::vector<Request> &requests) {
    if (m_unknown.empty())
        return;
    requests.push_back({MessageKind::Unknown, std::move(m_unknown), std::nullopt});
    m_unknown.clear();
}

} // namespace unitsim
