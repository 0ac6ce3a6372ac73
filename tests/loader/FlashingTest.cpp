// Send all: the four files block by block, with what the status bar and the progress bar
// show, and what happens on a bad acknowledgement, a missing or unreadable file.

#include "ScriptedUnit.h"

#include "loader/LoaderStates.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using fakes::Bytes;
using fakes::ConnectionRig;
using Status = loader::LoadedFile::Status;
namespace states = loader::states;

constexpr int kPanelFile = 1;
constexpr int kPanelBytes = 2;
constexpr int kPanelRate = 3;
constexpr std::uint8_t kOs = 0xA4, kFirmwarePr = 0xA5, kFirmwareRs = 0xA6, kFirmwareBk = 0xA7;

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
    return bytes;
}

// A connection that reaches boot mode, presses Send all once, and ends when the loader
// rests in Idle (or after a generous number of passes).
struct FlashRig : ConnectionRig {
    bool sendAllPressed = false;

    FlashRig() {
        user = [this](int) {
            if (shared.LoaderState == states::kReady && !sendAllPressed) {
                sendAllPressed = true;
                shared.LoaderState = states::kSendAll;
            }
        };
        stopWhen = [this] {
            return (sendAllPressed && shared.LoaderState == states::kIdle) || view.passes > 20000;
        };
    }
    // Puts a file into a slot as numbered on screen.
    void slot(int number, const std::string &path, Bytes bytes) {
        files.add(path, std::move(bytes));
        view.slots[static_cast<std::size_t>(number - 1)] = path;
    }
};

TEST(Flashing, WritesTheFourSlotsInFlashingOrderAndRestsInIdle) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", pattern(1000, 1));
    rig.slot(2, "/fw/firmware.rs", pattern(512, 2));
    rig.slot(3, "/fw/firmware.bk", pattern(1, 3));
    rig.slot(4, "/fw/firmware.pr", pattern(256 * 3 + 17, 4));
    rig.run();

    ASSERT_FALSE(rig.view.passLimitHit);
    EXPECT_EQ(rig.shared.LoaderState, states::kIdle);
    EXPECT_EQ(rig.unit.fileStarts,
              (std::vector<std::uint8_t>{kOs, kFirmwarePr, kFirmwareRs, kFirmwareBk}));
    EXPECT_EQ(rig.unit.blocks.size(), 4u + 4u + 2u + 1u);
    for (const char *name : {"os.pr", "firmware.pr", "firmware.rs", "firmware.bk"}) {
        EXPECT_TRUE(
            rig.view.panelShowed(kPanelFile, std::string("Loading file ") + name + " to Flash..."));
        EXPECT_TRUE(rig.view.panelShowed(kPanelFile, std::string("File ") + name + " written"));
    }
    EXPECT_EQ(rig.view.panels[kPanelFile], "File firmware.bk written");
    EXPECT_TRUE(rig.unit.unknown.empty());
    // Each image starts with its file, whole.
    const auto startsWith = [](const Bytes &image, const Bytes &file) {
        return image.size() >= file.size() && std::equal(file.begin(), file.end(), image.begin());
    };
    EXPECT_TRUE(startsWith(rig.unit.images[kOs], pattern(1000, 1)));
    EXPECT_TRUE(startsWith(rig.unit.images[kFirmwareRs], pattern(512, 2)));
    EXPECT_TRUE(startsWith(rig.unit.images[kFirmwareBk], pattern(1, 3)));
    EXPECT_TRUE(startsWith(rig.unit.images[kFirmwarePr], pattern(256 * 3 + 17, 4)));
}

TEST(Flashing, EveryRequestFollowsAPurgeOfTheInput) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", pattern(300, 1));
    rig.run();
    // Opening, handshake, then per file: purge + start; per block: purge + frame.
    const auto purgesIn = std::count(rig.port.calls.begin(), rig.port.calls.end(), "purge in");
    EXPECT_EQ(purgesIn, 4 + 2); // four file starts (three missing) and two blocks
}

// The blocks that go out for one file that is the first of the connection, by its size.
struct BlockCase {
    const char *what;
    std::size_t size;
    std::size_t blocks;
};

class BlocksOfAFile : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlocksOfAFile, LastBlockCarriesTheBufferThatWasThere) {
    const BlockCase &c = GetParam();
    FlashRig rig;
    const Bytes file = pattern(c.size, 9);
    rig.slot(1, "/fw/os.pr", file);
    rig.run();

    ASSERT_EQ(rig.unit.blocks.size(), c.blocks);
    // Rebuild what the buffer held: the file's bytes, and past the end of a short last
    // block what the block before it left there (zeros at the start of the connection).
    Bytes buffer(256, 0);
    for (std::size_t n = 0; n < c.blocks; ++n) {
        const std::size_t from = n * 256;
        const std::size_t count = std::min<std::size_t>(256, c.size - std::min(from, c.size));
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(from), count, buffer.begin());
        EXPECT_EQ(rig.unit.blocks[n].data, buffer) << "block " << n;
    }
    EXPECT_EQ(rig.view.panels[kPanelBytes], std::to_string(c.size));
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File os.pr written"));
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlocksOfAFile,
                         ::testing::Values(BlockCase{"empty", 0, 1}, BlockCase{"short", 100, 1},
                                           BlockCase{"one", 256, 1}, BlockCase{"exact", 256 * 4, 4},
                                           BlockCase{"tail", 256 * 2 + 44, 3}),
                         [](const auto &info) { return std::string(info.param.what); });

TEST(Flashing, ShortLastBlockKeepsBytesOfTheFileBefore) {
    // 300 bytes: the second block is bytes 256..299 and then bytes 44..255 of the first.
    FlashRig rig;
    const Bytes file = pattern(300, 5);
    rig.slot(1, "/fw/os.pr", file);
    rig.run();
    ASSERT_EQ(rig.unit.blocks.size(), 2u);
    Bytes expected(file.begin() + 256, file.end());
    expected.insert(expected.end(), file.begin() + 44, file.begin() + 256);
    EXPECT_EQ(rig.unit.blocks[1].data, expected);
}

TEST(Flashing, BufferCarriesOverFromOneFileToTheNext) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", Bytes(256, 0xEE));
    rig.slot(4, "/fw/firmware.pr", Bytes(10, 0x11));
    rig.run();
    ASSERT_EQ(rig.unit.blocks.size(), 2u);
    Bytes expected(256, 0xEE);
    std::fill_n(expected.begin(), 10, 0x11);
    EXPECT_EQ(rig.unit.blocks[1].data, expected);
}

TEST(Flashing, ChecksumMismatchFailsThatFileOnlyAndTheSequenceGoesOn) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", pattern(600, 1));
    rig.slot(4, "/fw/firmware.pr", pattern(1024, 2));
    rig.slot(2, "/fw/firmware.rs", pattern(256, 3));
    rig.slot(3, "/fw/firmware.bk", pattern(10, 4));
    rig.unit.ack = [](std::uint8_t c, int n, std::uint8_t sum) {
        return Bytes{0xA9, static_cast<std::uint8_t>(c == kFirmwarePr && n == 1 ? sum + 1 : sum)};
    };
    rig.run();

    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File firmware.pr error"));
    EXPECT_FALSE(rig.view.panelShowed(kPanelFile, "File firmware.pr written"));
    for (const char *name : {"os.pr", "firmware.rs", "firmware.bk"})
        EXPECT_TRUE(rig.view.panelShowed(kPanelFile, std::string("File ") + name + " written"));
    EXPECT_EQ(rig.unit.images[kFirmwarePr].size(), 512u) << "the rest of the file is not sent";
    EXPECT_EQ(rig.shared.LoaderState, states::kIdle);
}

TEST(Flashing, AllFfBlockHasChecksumZero) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", Bytes(256, 0xFF));
    std::vector<std::uint8_t> sums;
    rig.unit.ack = [&](std::uint8_t, int, std::uint8_t sum) {
        sums.push_back(sum);
        return Bytes{0xA9, 0x00};
    };
    rig.run();
    EXPECT_EQ(sums, (std::vector<std::uint8_t>{0x00}));
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File os.pr written"));
}

TEST(Flashing, MissingFileSendsNothingAndShowsTheSlotText) {
    FlashRig rig;
    rig.slot(4, "/fw/firmware.pr", pattern(100, 2));
    rig.view.slots[1] = "/fw/nowhere/firmware.rs";
    rig.run();

    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File Select file.... error"));
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File firmware.rs error"));
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File firmware.pr written"));
    EXPECT_EQ(rig.unit.fileStarts, (std::vector<std::uint8_t>{kFirmwarePr}));
    EXPECT_TRUE(rig.view.fileErrors.empty()) << "a missing file has no dialog";
    // The progress bar and panels 2 and 3 keep what the last file left.
    EXPECT_EQ(rig.view.progressMax, 100);
    EXPECT_EQ(rig.view.panels[kPanelBytes], "100");
}

TEST(Flashing, UnreadableAndOversizedFilesAreReportedAndTheSequenceGoesOn) {
    FlashRig rig;
    rig.files.addFailure("/fw/os.pr", Status::Unreadable, "Permission denied");
    rig.view.slots[0] = "/fw/os.pr";
    rig.files.addFailure("/fw/firmware.pr", Status::TooLarge, "too large");
    rig.view.slots[3] = "/fw/firmware.pr";
    rig.slot(2, "/fw/firmware.rs", pattern(20, 1));
    rig.run();

    ASSERT_EQ(rig.view.fileErrors.size(), 2u);
    EXPECT_EQ(rig.view.fileErrors[0],
              (std::pair<std::string, std::string>{"/fw/os.pr", "Permission denied"}));
    EXPECT_EQ(rig.view.fileErrors[1].first, "/fw/firmware.pr");
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File os.pr error"));
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File firmware.pr error"));
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File firmware.rs written"));
    EXPECT_EQ(rig.unit.fileStarts, (std::vector<std::uint8_t>{kFirmwareRs}));
    EXPECT_EQ(rig.shared.LoaderState, states::kIdle) << "the connection lives on";
}

TEST(Flashing, NoiseBeforeRepliesIsSkippedAndAStrayA9TakesTheNextByte) {
    struct Case {
        const char *what;
        Bytes noise;
        bool written;
    };
    const Case cases[] = {
        {"noise without A9", {0x00, 0x13, 0xFE, 0x55}, true},
        {"stray A9", {0x01, 0xA9, 0x02}, false}, // 02 is taken as the checksum
    };
    for (const Case &c : cases) {
        FlashRig rig;
        rig.slot(1, "/fw/os.pr", pattern(256, 7));
        rig.unit.echo = [](std::uint8_t cmd) { return Bytes{0x77, 0xA9, 0x00, cmd, 0x00}; };
        rig.unit.ack = [&](std::uint8_t, int, std::uint8_t sum) {
            Bytes reply = c.noise;
            reply.push_back(0xA9);
            reply.push_back(sum);
            return reply;
        };
        rig.run();
        EXPECT_EQ(rig.view.panelShowed(kPanelFile, "File os.pr written"), c.written) << c.what;
        EXPECT_EQ(rig.view.panelShowed(kPanelFile, "File os.pr error"), !c.written) << c.what;
    }
}

TEST(Flashing, ChecksumByteArrivingLaterIsAwaitedWithoutBlocking) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", pattern(512, 3));
    rig.unit.ack = [&](std::uint8_t, int, std::uint8_t sum) {
        rig.unit.arriveLater = {{}, {}, {sum}};
        return Bytes{0x00, 0xA9};
    };
    rig.run();
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File os.pr written"));
    EXPECT_GT(rig.port.readsWithNothingWaiting, 0);
}

TEST(Flashing, RateAndProgressFollowTheAcknowledgements) {
    FlashRig rig;
    rig.view.msPerPass = 0; // time moves only when the unit says so
    rig.slot(1, "/fw/os.pr", pattern(1000, 1));
    rig.unit.ack = [&](std::uint8_t, int n, std::uint8_t sum) {
        if (n == 0)
            rig.ticks.now += 250; // first block acknowledged 250 ms after the file started
        return Bytes{0xA9, sum};
    };
    rig.run();

    ASSERT_TRUE(rig.view.panelShowed(kPanelRate, "1020")); // 256 × 1000 ÷ 251 = 1019.92
    EXPECT_EQ(rig.view.progressMin, 0);
    EXPECT_EQ(rig.view.progressMax, 1000);
    // 0 at the start, then the bytes sent at each acknowledgement: the maximum is reached
    // exactly at the last one.
    EXPECT_EQ(rig.view.progressLog, (std::vector<std::int32_t>{0, 256, 512, 768, 1000}));
    EXPECT_EQ(rig.view.panels[kPanelBytes], "1000");
}

TEST(Flashing, SendAllDuringATransferStartsAgainAtTheFirstFile) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", pattern(256 * 5, 1));
    rig.slot(4, "/fw/firmware.pr", pattern(300, 2));
    bool pressedAgain = false;
    rig.unit.ack = [&](std::uint8_t c, int n, std::uint8_t sum) {
        if (c == kOs && n == 2 && !pressedAgain) {
            pressedAgain = true;
            rig.shared.LoaderState = states::kSendAll;
        }
        return Bytes{0xA9, sum};
    };
    rig.run();

    EXPECT_EQ(rig.unit.fileStarts, (std::vector<std::uint8_t>{kOs, kOs, kFirmwarePr}));
    EXPECT_EQ(rig.unit.images[kOs], pattern(256 * 5, 1));
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File firmware.pr written"));
}

TEST(Flashing, PathEditedDuringSendAllCountsIfItsTurnHasNotCome) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", pattern(512, 1));
    rig.files.add("/fw/late.bk", pattern(40, 2));
    rig.unit.ack = [&](std::uint8_t c, int, std::uint8_t sum) {
        if (c == kOs)
            rig.view.slots[2] = "/fw/late.bk";
        return Bytes{0xA9, sum};
    };
    rig.run();
    EXPECT_TRUE(rig.view.panelShowed(kPanelFile, "File late.bk written"));
    EXPECT_EQ(rig.shared.CurrentFirmwareFile, "/fw/late.bk");
    EXPECT_EQ(rig.shared.FileCommand, kFirmwareBk);
}

TEST(Flashing, NoEchoLeavesTheLoaderWaitingAndIdleUntilAnotherRequest) {
    FlashRig rig;
    rig.slot(1, "/fw/os.pr", pattern(10, 1));
    rig.unit.echo = [](std::uint8_t) { return Bytes{}; };
    rig.stopWhen = [&] { return rig.view.passes > 500; };
    rig.run();
    EXPECT_EQ(rig.shared.LoaderState, 142);
    EXPECT_GT(rig.view.waitingPasses, 450);
    EXPECT_TRUE(rig.unit.blocks.empty());
}

} // namespace
