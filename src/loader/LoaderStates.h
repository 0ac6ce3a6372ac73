#pragma once

#include <array>
#include <cstdint>

// The numbers of LoaderState. They are shown in status panel 4, so they are part of what
// the technician sees and must stay as they are.
namespace loader::states {

inline constexpr std::int32_t kReady = 0;
inline constexpr std::int32_t kReboot = 250;
inline constexpr std::int32_t kAnswerBootMode = 998;
inline constexpr std::int32_t kAwaitBootAnnouncement = 999;
inline constexpr std::int32_t kIdle = 1000;

// Send all starts the first file.
inline constexpr std::int32_t kSendAll = 140;

// Offsets of a file's states from its base state; 1 and 5 are not used.
inline constexpr std::int32_t kStartFile = 0;
inline constexpr std::int32_t kAwaitFileEcho = 2;
inline constexpr std::int32_t kSendBlock = 3;
inline constexpr std::int32_t kAwaitBlockAck = 4;
inline constexpr std::int32_t kFileWritten = 6;
inline constexpr std::int32_t kFileFailed = 7;
inline constexpr std::int32_t kFileStateSpan = 10;

// The four files in the order they are written. Slots are numbered as on screen.
struct FirmwareStep {
    std::int32_t baseState;
    int slot;
    std::uint8_t command;
    std::int32_t nextBaseState;
};

inline constexpr std::array<FirmwareStep, 4> kFirmwareSequence{{
    {140, 1, 0xA4, 150},   // os.pr
    {150, 4, 0xA5, 160},   // firmware.pr
    {160, 2, 0xA6, 170},   // firmware.rs
    {170, 3, 0xA7, kIdle}, // firmware.bk
}};

} // namespace loader::states
