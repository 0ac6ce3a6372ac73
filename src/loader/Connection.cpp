#include "loader/Connection.h"

#include "loader/ByteRate.h"
#include "loader/LinkTypes.h"
#include "loader/StatusTexts.h"

#include <algorithm>
#include <string>

namespace loader {

namespace {

const states::FirmwareStep *firmwareStepOf(std::int32_t state) {
    for (const auto &file : states::kFirmwareSequence) {
        if (state >= file.baseState && state < file.baseState + states::kFileStateSpan)
            return &file;
    }
    return nullptr;
}

} // namespace

Connection::Connection(PortOperations &port, LoaderView &view, TickSource &ticks, FileSource &files,
                       SharedValues &shared)
    : m_port(port), m_view(view), m_ticks(ticks), m_files(files), m_shared(shared) {}

void Connection::run() {
    m_shared.StopRequested = false;
    ConnectAttempts = 0;
    m_view.setChipPictureVisible(false);

    openingLoop();
    m_view.setChipPictureVisible(true);
    m_shared.LoaderState = states::kAwaitBootAnnouncement;
    announcementLoop();
    mainLoop();

    m_port.close();
    m_loadedFile.reset();
}

bool Connection::tryOpen() {
    m_port.close();
    if (const auto rate = baudRateOfLink(m_view.linkTypeIndex()))
        m_port.setBaudRate(*rate);
    std::string error; // the reason is not shown: the attempt count tells the story
    return m_port.open(error) && m_port.clearDeviceBuffers();
}

void Connection::openingLoop() {
    while (!m_shared.StopRequested) {
        if (tryOpen())
            return;
        // The window stays live during the pause between attempts.
        const std::uint32_t failedAt = m_ticks.tickMs();
        for (std::uint32_t elapsed = 0; elapsed < kOpenRetryMs;
             elapsed = m_ticks.tickMs() - failedAt) {
            m_view.processEvents(kOpenRetryMs - elapsed);
        }
        ++ConnectAttempts;
        m_view.setPanelText(texts::kPanelAttempts, texts::tryConnect(ConnectAttempts));
        m_view.processEvents(LoaderView::kNoWait);
    }
}

void Connection::showStateAndReceived() {
    m_view.setPanelText(texts::kPanelState, std::to_string(m_shared.LoaderState));
    m_view.setPanelText(texts::kPanelReceived, std::to_string(m_port.totalReceived()));
}

void Connection::announcementLoop() {
    bool idle = false;
    while (!m_shared.StopRequested) {
        showStateAndReceived();
        m_view.processEvents(idle ? kIdleWaitMs : LoaderView::kNoWait);
        if (m_port.totalReceived() > wire::kAnnouncementMinReceived) {
            idle = !announcementStep();
            if (m_announcementBytesRead == wire::kAnnouncementBytesRead)
                return;
        } else {
            idle = true;
        }
    }
}

bool Connection::announcementStep() {
    // The three bytes are read as they can be had, without waiting for the line.
    bool readAny = false;
    while (m_announcementBytesRead < wire::kAnnouncementBytesRead && m_port.read(ReplyByte)) {
        ++m_announcementBytesRead;
        readAny = true;
    }
    if (m_announcementBytesRead == wire::kAnnouncementBytesRead &&
        ReplyByte == wire::kAnnouncementMarker)
        m_shared.LoaderState = states::kAnswerBootMode;
    return readAny;
}

void Connection::mainLoop() {
    while (!m_shared.StopRequested) {
        showStateAndReceived();
        const bool progressed = step();
        m_view.processEvents(progressed ? LoaderView::kNoWait : kIdleWaitMs);
    }
}

void Connection::markReceived() {
    ReceiveMark = m_port.totalReceived();
}

std::uint32_t Connection::receivedSinceMark() const {
    return m_port.totalReceived() - ReceiveMark; // unsigned: a restarted count reads as large
}

bool Connection::step() {
    const std::int32_t state = m_shared.LoaderState;
    if (m_checksumPendingIn && *m_checksumPendingIn != state)
        m_checksumPendingIn.reset(); // a request replaced the acknowledgement being read

    switch (state) {
    case states::kAnswerBootMode:
        return answerBootMode();
    case states::kReboot:
        return reboot();
    default:
        break;
    }

    const states::FirmwareStep *file = firmwareStepOf(state);
    if (file == nullptr)
        return false; // 0, 999, 1000 and unknown values rest
    switch (state - file->baseState) {
    case states::kStartFile:
        return startFile(*file);
    case states::kAwaitFileEcho:
        return awaitFileEcho(*file);
    case states::kSendBlock:
        return sendBlock(*file);
    case states::kAwaitBlockAck:
        return awaitBlockAck(*file);
    case states::kFileWritten:
        return finishFile(*file, true);
    case states::kFileFailed:
        return finishFile(*file, false);
    default:
        return false;
    }
}

bool Connection::answerBootMode() {
    m_port.clearDeviceBuffers();
    for (const std::uint8_t byte : wire::kBootModeReply)
        m_port.sendChar(byte);
    m_view.showBootModePage();
    m_shared.LoaderState = states::kReady;
    return true;
}

bool Connection::reboot() {
    m_port.clearDeviceInput();
    markReceived();
    m_port.sendChar(wire::kRebootCommand);
    m_port.sendChar(wire::kRequestTail);
    m_shared.LoaderState = states::kIdle;
    return true;
}

bool Connection::startFile(const states::FirmwareStep &file) {
    m_shared.CurrentFirmwareFile = m_view.slotPath(file.slot);
    m_shared.FileCommand = file.command;
    m_port.clearDeviceInput();
    markReceived();

    m_loadedFile.reset();
    LoadedFile loaded = m_files.load(m_shared.CurrentFirmwareFile);
    if (loaded.status != LoadedFile::Status::Loaded) {
        if (loaded.status != LoadedFile::Status::Missing)
            m_view.reportFileError(m_shared.CurrentFirmwareFile, loaded.reason);
        m_shared.LoaderState = file.baseState + states::kFileFailed;
        return true;
    }
    m_loadedFile = std::move(loaded.bytes);
    m_readPosition = 0;

    m_view.setProgressRange(0, static_cast<std::int32_t>(m_loadedFile->size()));
    m_view.setProgressPosition(0);
    m_port.sendChar(file.command);
    m_port.sendChar(wire::kRequestTail);
    m_shared.LoaderState = file.baseState + states::kAwaitFileEcho;
    m_view.setPanelText(texts::kPanelFileStatus, texts::loadingFile(texts::fileNameForDisplay(
                                                     m_shared.CurrentFirmwareFile)));
    TransferStartTicks = m_ticks.tickMs();
    return true;
}

bool Connection::awaitFileEcho(const states::FirmwareStep &file) {
    if (receivedSinceMark() < wire::kReplyMinBytes)
        return false;
    if (!m_port.read(ReplyByte))
        return false;
    if (ReplyByte == m_shared.FileCommand)
        m_shared.LoaderState = file.baseState + states::kSendBlock;
    return true;
}

bool Connection::sendBlock(const states::FirmwareStep &file) {
    if (!m_loadedFile) { // the state was set from outside with no file in hand
        m_shared.LoaderState = file.baseState + states::kFileFailed;
        return true;
    }
    m_port.clearDeviceInput();
    markReceived();
    m_port.sendChar(wire::kBlockCommand);
    m_port.sendChar(wire::kRequestTail);

    // Bytes past the file's end keep what the buffer held before.
    const auto &bytes = *m_loadedFile;
    const std::uint64_t remaining =
        bytes.size() - std::min<std::uint64_t>(m_readPosition, bytes.size());
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(remaining, wire::kBlockSizeBytes));
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(m_readPosition), count,
                BlockBuffer.begin());
    m_readPosition += count;
    BlockChecksum = wire::blockChecksum(BlockBuffer);
    m_port.sendData(BlockBuffer);

    m_view.setPanelText(texts::kPanelBytesSent, std::to_string(m_readPosition));
    m_shared.LoaderState = file.baseState + states::kAwaitBlockAck;
    return true;
}

bool Connection::awaitBlockAck(const states::FirmwareStep &file) {
    const std::int32_t state = m_shared.LoaderState;
    if (!m_checksumPendingIn) {
        if (receivedSinceMark() < wire::kReplyMinBytes)
            return false;
        if (!m_port.read(ReplyByte))
            return false;
        if (ReplyByte != wire::kBlockAck)
            return true; // noise before the acknowledgement: dropped
        m_view.setPanelText(
            texts::kPanelByteRate,
            std::to_string(byteRate(m_readPosition, TransferStartTicks, m_ticks.tickMs())));
        m_view.setProgressPosition(static_cast<std::int32_t>(m_readPosition));
        m_checksumPendingIn = state;
    }
    if (!m_port.read(ReplyByte))
        return false; // the checksum byte has not come yet
    m_checksumPendingIn.reset();

    const bool moreToSend = m_loadedFile && m_readPosition < m_loadedFile->size();
    m_shared.LoaderState =
        file.baseState + (moreToSend ? states::kSendBlock : states::kFileWritten);
    if (ReplyByte != BlockChecksum)
        m_shared.LoaderState = file.baseState + states::kFileFailed;
    return true;
}

bool Connection::finishFile(const states::FirmwareStep &file, bool written) {
    const auto name = texts::fileNameForDisplay(m_shared.CurrentFirmwareFile);
    m_view.setPanelText(texts::kPanelFileStatus,
                        written ? texts::fileWritten(name) : texts::fileError(name));
    m_loadedFile.reset();
    m_shared.LoaderState = file.nextBaseState;
    return true;
}

} // namespace loader
