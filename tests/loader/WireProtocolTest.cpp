// The checksum, the byte rate and the file name shown in status texts.

#include "loader/WireProtocol.h"
#include "loader/ByteRate.h"
#include "loader/StatusTexts.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using loader::texts::PathStyle;

TEST(BlockChecksum, IsTheSumOfAllBytesModulo256) {
    loader::wire::Block block{};
    EXPECT_EQ(loader::wire::blockChecksum(block), 0x00);
    block.fill(0xFF);
    EXPECT_EQ(loader::wire::blockChecksum(block), 0x00); // 256 × 255 wraps to 0
    std::iota(block.begin(), block.end(), 0);
    EXPECT_EQ(loader::wire::blockChecksum(block), 0x80); // 0 + 1 + ... + 255 = 32640
    block.fill(0);
    block[255] = 0x01;
    block[0] = 0xFF;
    EXPECT_EQ(loader::wire::blockChecksum(block), 0x00);
}

TEST(ByteRate, RoundsToNearestWithHalvesToEven) {
    struct Case {
        std::uint64_t bytes;
        std::uint32_t start, now;
        std::int64_t rate;
    };
    const Case cases[] = {
        {256, 1000, 1250, 1020}, // 256000 / 251 = 1019.92
        {0, 5, 5, 0},
        {1, 0, 1999, 0},                       // 0.5 → 0
        {3, 0, 1999, 2},                       // 1.5 → 2
        {5, 0, 1999, 2},                       // 2.5 → 2
        {7, 0, 1999, 4},                       // 3.5 → 4
        {256, 0, 0, 256000},                   // the same millisecond
        {512, 0xFFFFFF00u, 0x0000000Fu, 1882}, // the counter wrapped: 271 ms → 512000/272
        {2147483647, 0, 0, 2147483647000},
    };
    for (const Case &c : cases)
        EXPECT_EQ(loader::byteRate(c.bytes, c.start, c.now), c.rate) << c.bytes << " " << c.now;
}

TEST(FileNameForDisplay, TakesThePartAfterTheLastSeparator) {
    struct Case {
        const char *path;
        PathStyle style;
        const char *shown;
    };
    const Case cases[] = {
        {"c:\\firmware\\os.pr", PathStyle::Windows, "os.pr"},
        {"c:os.pr", PathStyle::Windows, "os.pr"},
        {"\\\\server\\share\\fw.bk", PathStyle::Windows, "fw.bk"},
        {"/home/tech/fw/os.pr", PathStyle::Windows, "/home/tech/fw/os.pr"},
        {"/home/tech/fw/os.pr", PathStyle::Posix, "os.pr"},
        {"/home/tech/a:b/os.pr", PathStyle::Posix, "os.pr"},
        {"c:\\x\\os.pr", PathStyle::Posix, "c:\\x\\os.pr"},
        {"Select file....", PathStyle::Windows, "Select file...."},
        {"Select file....", PathStyle::Posix, "Select file...."},
        {"/home/tech/fw/", PathStyle::Posix, ""},
        {"", PathStyle::Posix, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(loader::texts::fileNameForDisplay(c.path, c.style), c.shown) << c.path;
}

TEST(StatusTexts, AreTheFixedPhrasesAroundTheName) {
    EXPECT_EQ(loader::texts::tryConnect(1), "try connect 1");
    EXPECT_EQ(loader::texts::loadingFile("os.pr"), "Loading file os.pr to Flash...");
    EXPECT_EQ(loader::texts::fileWritten("os.pr"), "File os.pr written");
    EXPECT_EQ(loader::texts::fileError("Select file...."), "File Select file.... error");
}

} // namespace
