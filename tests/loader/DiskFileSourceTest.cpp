// Loading firmware files from disk: what counts as a file, and what is reported.

#include "loader/FirmwareFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using Status = loader::LoadedFile::Status;

class DiskFileSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir =
            fs::temp_directory_path() /
            ("loader-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string write(const std::string &utf8Name, const std::vector<std::uint8_t> &bytes) {
        const fs::path path = m_dir / fs::path(std::u8string(utf8Name.begin(), utf8Name.end()));
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        const auto text = path.u8string();
        return std::string(text.begin(), text.end());
    }

    fs::path m_dir;
    loader::DiskFileSource m_files;
};

TEST_F(DiskFileSourceTest, LoadsARegularFileWhole) {
    struct Case {
        const char *name;
        std::size_t size;
    };
    const Case cases[] = {
        {"os.pr", 1000},
        {"empty.pr", 0},
        {"with spaces in name.rs", 65536 + 3}, // crosses the read chunk
        {"Prüfstand – ÄÖÜ.bk", 17},
        {"ファームウェア.pr", 256},
    };
    for (const Case &c : cases) {
        std::vector<std::uint8_t> bytes(c.size);
        for (std::size_t i = 0; i < c.size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
        const auto loaded = m_files.load(write(c.name, bytes));
        EXPECT_EQ(loaded.status, Status::Loaded) << c.name;
        EXPECT_EQ(loaded.bytes, bytes) << c.name;
    }
}

TEST_F(DiskFileSourceTest, WhatIsNotARegularFileIsMissing) {
    std::vector<std::string> paths{"", (m_dir / "absent.pr").string(), m_dir.string(),
                                   "Select file...."};
#ifndef _WIN32
    paths.push_back("/dev/zero"); // reading it whole would never end
    paths.push_back("/dev/null");
    const auto fifo = m_dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back(fifo.string()); // opening it would wait for a writer
#endif
    for (const auto &path : paths) {
        const auto loaded = m_files.load(path);
        EXPECT_EQ(loaded.status, Status::Missing) << path;
        EXPECT_TRUE(loaded.bytes.empty());
    }
}

TEST_F(DiskFileSourceTest, FileOf2GiBOrMoreIsTooLargeWithoutBeingRead) {
    const auto path = m_dir / "huge.pr";
    std::ofstream(path, std::ios::binary).put('x');
    std::error_code ec;
    fs::resize_file(path, loader::DiskFileSource::kMaxFileBytes + 1, ec); // sparse where it can be
    if (ec)
        GTEST_SKIP() << "cannot make a sparse file here: " << ec.message();
    const auto loaded = m_files.load(path.string());
    EXPECT_EQ(loaded.status, Status::TooLarge);
    EXPECT_FALSE(loaded.reason.empty());
    EXPECT_TRUE(loaded.bytes.empty());
}

#ifdef __linux__
TEST_F(DiskFileSourceTest, ReadErrorIsUnreadableWithTheSystemsReason) {
    // A regular file whose read fails (root can read every file with permission bits).
    const auto loaded = m_files.load("/proc/self/mem");
    ASSERT_EQ(loaded.status, Status::Unreadable);
    EXPECT_EQ(loaded.reason, "Input/output error");
}
#endif

} // namespace
