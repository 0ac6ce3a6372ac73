// Two loader processes flashing two simulated units at the same time.

#include "FlashedImages.h"

#include "unit-sim/SimulatedUnit.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace std::chrono_literals;
using e2e::Bytes;
namespace fs = std::filesystem;

const std::uint8_t kCommandsInFlashingOrder[] = {0xA4, 0xA5, 0xA6, 0xA7};
// Screen slot of each file in flashing order (os.pr, firmware.pr, firmware.rs, firmware.bk).
const int kSlotOf[] = {1, 4, 2, 3};

TEST(ProcessesE2e, TwoLoadersFlashTwoUnitsAtOnceAndBothImagesAreExact) {
    const fs::path dir = fs::temp_directory_path() / ("loader-two-" + std::to_string(::getpid()));
    fs::create_directories(dir);

    struct Run {
        std::unique_ptr<unitsim::SimulatedUnit> unit;
        std::vector<Bytes> files; // in flashing order
        QProcess process;
    };
    Run runs[2];
    for (int r = 0; r < 2; ++r) {
        unitsim::UnitOptions options;
        options.announceDelay = 20ms;
        runs[r].unit = std::make_unique<unitsim::SimulatedUnit>(options);
        std::string error;
        ASSERT_TRUE(runs[r].unit->start(error)) << error;

        QStringList slotPaths{"", "", "", ""};
        for (int f = 0; f < 4; ++f) {
            Bytes bytes(static_cast<std::size_t>(256 * (8 + 3 * f + r) + 19 * f + r));
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<std::uint8_t>(i * (r + 3) + f * 17);
            const fs::path path = dir / ("run" + std::to_string(r) + "-file" + std::to_string(f));
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char *>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            runs[r].files.push_back(bytes);
            slotPaths[kSlotOf[f] - 1] = QString::fromStdString(path.string());
        }
        runs[r].process.start(QStringLiteral(LOADER_FLASH_ONCE_PATH),
                              QStringList{QString::fromStdString(runs[r].unit->portPath())} +
                                  slotPaths);
    }
    for (Run &run : runs) {
        ASSERT_TRUE(run.process.waitForFinished(90000)) << "the loader process did not end";
        EXPECT_EQ(run.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.process.exitCode(), 0) << run.process.readAllStandardOutput().toStdString()
                                             << run.process.readAllStandardError().toStdString();
    }
    for (Run &run : runs) {
        const auto expected = e2e::flashedImages(run.files);
        for (int f = 0; f < 4; ++f)
            EXPECT_EQ(run.unit->image(kCommandsInFlashingOrder[f]),
                      expected[static_cast<std::size_t>(f)]);
    }
    fs::remove_all(dir);
}

} // namespace
