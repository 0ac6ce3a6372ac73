#pragma once

#include "unit-sim/Transcript.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>

namespace unitsim {

// What the unit received, on disk: for each file command byte an image file "A4.bin" ...
// "A7.bin" holding the data of the latest attempt's blocks one after the other, and
// "transcript.jsonl" with every transcript entry, one JSON object a line. Everything is
// flushed as it is written, so another process can read it while the unit runs.
class OutputFolder {
public:
    static constexpr const char *kTranscriptFileName = "transcript.jsonl";
    static std::string imageFileName(std::uint8_t command); // "A4.bin"

    // Makes the folder if needed and starts a new transcript there.
    bool open(const std::filesystem::path &folder, std::string &error);
    bool isOpen() const { return !m_folder.empty(); }
    void close();

    // Each returns false with `error` set when the disk refuses; the unit goes on without.
    bool startImage(std::uint8_t command, std::string &error);
    bool appendBlock(std::uint8_t command, std::span<const std::uint8_t> data, std::string &error);
    bool appendTranscript(const TranscriptEntry &entry, std::string &error);

private:
    std::filesystem::path m_folder;
    std::ofstream m_transcript;
    std::map<std::uint8_t, std::ofstream> m_images;
};

} // namespace unitsim
