// Send all through the real serial port: what the simulated unit writes into its flash,
// and what the window reports.

#include "FlashedImages.h"
#include "WindowSession.h"

#include "loader/LoaderStates.h"

#include <filesystem>
#include <fstream>

namespace {

using namespace std::chrono_literals;
using e2e::WindowSession;
namespace fs = std::filesystem;
namespace states = loader::states;
using e2e::Bytes;

struct FirmwareFile {
    int slot; // as numbered on screen
    const char *name;
    std::uint8_t command;
    std::size_t size;
};

// In flashing order; sizes chosen for an exact block, a short tail, a tiny and an empty file.
const FirmwareFile kFiles[] = {
    {1, "os.pr", 0xA4, 256 * 9 + 77},
    {4, "firmware.pr", 0xA5, 256 * 4},
    {2, "firmware.rs", 0xA6, 13},
    {3, "firmware.bk", 0xA7, 256 * 2 + 255},
};

class FlashingE2e : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("loader-e2e-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir / "with space ü");
        unsigned seed = 1;
        for (const FirmwareFile &file : kFiles) {
            Bytes bytes(file.size);
            for (auto &b : bytes)
                b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
            const fs::path path = m_dir / "with space ü" / file.name;
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char *>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            m_contents.push_back(bytes);
            m_paths.push_back(path.string());
        }
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void fillSlots(WindowSession &session) {
        for (std::size_t i = 0; i < m_paths.size(); ++i)
            session.setPath(kFiles[i].slot, m_paths[i]);
    }

    void sendAll(WindowSession &session) {
        session.then(
            "boot mode", [&] { return session.state() == states::kReady; },
            [&] { session.form.Button1Click(); });
        session.then("idle", [&] { return session.state() == states::kIdle; });
        session.connect(60s);
    }

    fs::path m_dir;
    std::vector<Bytes> m_contents;
    std::vector<std::string> m_paths;
};

unitsim::UnitOptions quickUnit() {
    unitsim::UnitOptions options;
    options.announceDelay = 20ms;
    return options;
}

TEST_F(FlashingE2e, UnitReceivesTheFourFilesExactlyAndInOrder) {
    WindowSession session(quickUnit());
    session.startUnit();
    fillSlots(session);
    sendAll(session);

    const auto observed = session.unit().observations();
    EXPECT_EQ(observed.fileStarts, (Bytes{0xA4, 0xA5, 0xA6, 0xA7}));
    const auto expected = e2e::flashedImages(m_contents);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(session.unit().image(kFiles[i].command), expected[i]) << kFiles[i].name;
        EXPECT_TRUE(
            session.form.panelShowed(1, std::string("File ") + kFiles[i].name + " written"));
    }
    EXPECT_EQ(session.panel(1), "File firmware.bk written");
    EXPECT_EQ(session.panel(2), QString::number(kFiles[3].size));
    EXPECT_TRUE(observed.failure.empty()) << observed.failure;
}

TEST_F(FlashingE2e, WrongChecksumFailsOneFileAndTheOthersAreWritten) {
    unitsim::UnitOptions options = quickUnit();
    options.faults.wrongChecksum = unitsim::BlockSelector{0xA5, 3};
    WindowSession session(options);
    session.startUnit();
    fillSlots(session);
    sendAll(session);

    EXPECT_TRUE(session.form.panelShowed(1, "File firmware.pr error"));
    EXPECT_FALSE(session.form.panelShowed(1, "File firmware.pr written"));
    for (const char *name : {"os.pr", "firmware.rs", "firmware.bk"})
        EXPECT_TRUE(session.form.panelShowed(1, std::string("File ") + name + " written")) << name;
    EXPECT_EQ(session.unit().observations().blockCount(0xA5), 3) << "the rest is not sent";
    EXPECT_EQ(session.unit().image(0xA7), e2e::flashedImages(m_contents)[3]);
}

TEST_F(FlashingE2e, NoiseAndAStrayA9OnTheLineAreHandledByTheRules) {
    unitsim::UnitOptions options = quickUnit();
    unitsim::NoiseFault noise;
    noise.bytes = {0x13, 0x00, 0x7F};
    noise.target = unitsim::NoiseTarget::AllReplies;
    options.faults.noiseBeforeReply = noise;
    WindowSession session(options);
    session.startUnit();
    fillSlots(session);
    sendAll(session);
    for (const char *name : {"os.pr", "firmware.pr", "firmware.rs", "firmware.bk"})
        EXPECT_TRUE(session.form.panelShowed(1, std::string("File ") + name + " written")) << name;

    // A stray A9 before one acknowledgement: the byte after it is taken as the checksum.
    unitsim::UnitOptions stray = quickUnit();
    unitsim::NoiseFault strayA9;
    strayA9.randomCount = 6; // random bytes with one stray A9 and a wrong byte after it
    strayA9.target = unitsim::NoiseTarget::Acks;
    strayA9.onlyBlock = unitsim::BlockSelector{0xA6, 1};
    stray.faults.noiseBeforeReply = strayA9;
    WindowSession second(stray);
    second.startUnit();
    fillSlots(second);
    sendAll(second);
    EXPECT_TRUE(second.form.panelShowed(1, "File firmware.rs error"));
    EXPECT_TRUE(second.form.panelShowed(1, "File firmware.bk written"));
}

TEST_F(FlashingE2e, MissingAndFolderPathsAreFileErrorsAndNothingIsSentForThem) {
    WindowSession session(quickUnit());
    session.startUnit();
    fillSlots(session);
    session.setPath(4, (m_dir / "with space ü").string()); // a folder in the firmware.pr slot
    session.setPath(3, "Select file....");
    sendAll(session);

    EXPECT_EQ(session.unit().observations().fileStarts, (Bytes{0xA4, 0xA6}));
    EXPECT_TRUE(session.form.panelShowed(1, "File with space ü error"));
    EXPECT_TRUE(session.form.panelShowed(1, "File Select file.... error"));
    EXPECT_TRUE(session.form.panelShowed(1, "File firmware.rs written"));
}

TEST_F(FlashingE2e, FileChangedWhileBeingSentGoesOutAsItWasAtItsStart) {
    // A long path: 12 folders of 200 characters.
    fs::path folder = m_dir;
    for (int i = 0; i < 12; ++i)
        folder /= std::string(200, static_cast<char>('a' + i));
    fs::create_directories(folder);
    const fs::path path = folder / "os.pr";
    fs::copy_file(m_paths[0], path);
    ASSERT_GT(path.string().size(), 2400u);

    unitsim::UnitOptions options = quickUnit();
    options.replyDelay = 2ms;
    WindowSession session(options);
    session.startUnit();
    session.setPath(1, path.string());
    session.then(
        "boot mode", [&] { return session.state() == states::kReady; },
        [&] { session.form.Button1Click(); });
    session.then(
        "two blocks out", [&] { return session.unit().observations().blockCount(0xA4) >= 2; },
        [&] { std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(5000, 'X'); });
    session.then("idle", [&] { return session.state() == states::kIdle; });
    session.connect(60s);

    EXPECT_EQ(session.unit().image(0xA4), e2e::flashedImages({m_contents[0]})[0]);
    EXPECT_TRUE(session.form.panelShowed(1, "File os.pr written"));
}

} // namespace
