#pragma once

#include "loader/FirmwareFile.h"
#include "loader/LoaderStates.h"
#include "loader/LoaderView.h"
#include "loader/PortOperations.h"
#include "loader/SharedValues.h"
#include "loader/TickSource.h"
#include "loader/WireProtocol.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace loader {

// One connection: from a press of Connect until Disconnect. run() opens the port with
// retries, awaits the unit's boot announcement and then runs the state machine that
// carries out the window's requests, one step and one pass of window events per
// iteration. It returns when StopRequested is set, with the port closed.
//
// No step waits for the line: a step whose reply has not come yet does nothing, and the
// iteration's event pass then sleeps until something happens instead of spinning.
class Connection {
public:
    static constexpr std::uint32_t kOpenRetryMs = 50;
    // Longest sleep of an idle iteration; arriving bytes and clicks wake it sooner.
    static constexpr std::uint32_t kIdleWaitMs = 50;

    Connection(PortOperations &port, LoaderView &view, TickSource &ticks, FileSource &files,
               SharedValues &shared);
    void run();

private:
    bool tryOpen();
    void openingLoop();
    void announcementLoop();
    void mainLoop();
    void showStateAndReceived();
    void markReceived();
    std::uint32_t receivedSinceMark() const;

    // Carry out one step of LoaderState; each returns whether it did anything, so that an
    // iteration that changed nothing can sleep.
    bool announcementStep();
    bool step();
    bool answerBootMode();
    bool reboot();
    bool startFile(const states::FirmwareStep &file);
    bool awaitFileEcho(const states::FirmwareStep &file);
    bool sendBlock(const states::FirmwareStep &file);
    bool awaitBlockAck(const states::FirmwareStep &file);
    bool finishFile(const states::FirmwareStep &file, bool written);

    PortOperations &m_port;
    LoaderView &m_view;
    TickSource &m_ticks;
    FileSource &m_files;
    SharedValues &m_shared;

    std::int32_t ConnectAttempts = 0;
    std::uint32_t ReceiveMark = 0;
    std::uint8_t ReplyByte = 0;
    wire::Block BlockBuffer{};
    std::uint8_t BlockChecksum = 0;
    std::uint32_t TransferStartTicks = 0;

    // The file in hand, loaded whole at its start.
    std::optional<std::vector<std::uint8_t>> m_loadedFile;
    std::uint64_t m_readPosition = 0;

    std::size_t m_announcementBytesRead = 0;
    // The acknowledgement byte has been read in this state and its checksum byte is still
    // to come.
    std::optional<std::int32_t> m_checksumPendingIn;
};

} // namespace loader
