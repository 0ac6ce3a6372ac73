#include "OutputFolder.h"

#include "unit-sim/HexBytes.h"

namespace unitsim {

namespace fs = std::filesystem;

namespace {

constexpr int kFirstImageCommand = 0xA4;
constexpr int kLastImageCommand = 0xA7;

} // namespace

std::string OutputFolder::imageFileName(std::uint8_t command) {
    return hexByte(command) + ".bin";
}

bool OutputFolder::open(const fs::path &folder, std::string &error) {
    close();
    std::error_code code;
    fs::create_directories(folder, code);
    if (code) {
        error = "cannot make the output folder " + folder.string() + ": " + code.message();
        return false;
    }
    // Images of an earlier run would pass for this run's.
    for (int command = kFirstImageCommand; command <= kLastImageCommand; ++command)
        fs::remove(folder / imageFileName(static_cast<std::uint8_t>(command)), code);
    const fs::path transcriptPath = folder / kTranscriptFileName;
    m_transcript.open(transcriptPath, std::ios::binary | std::ios::trunc);
    if (!m_transcript) {
        error = "cannot write " + transcriptPath.string();
        return false;
    }
    m_folder = folder;
    return true;
}

void OutputFolder::close() {
    m_images.clear();
    if (m_transcript.is_open())
        m_transcript.close();
    m_folder.clear();
}

bool OutputFolder::startImage(std::uint8_t command, std::string &error) {
    if (!isOpen())
        return true;
    const fs::path path = m_folder / imageFileName(command);
    std::ofstream &image = m_images[command];
    if (image.is_open())
        image.close();
    image.open(path, std::ios::binary | std::ios::trunc);
    if (!image) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

bool OutputFolder::appendBlock(std::uint8_t command, std::span<const std::uint8_t> data,
                               std::string &error) {
    if (!isOpen())
        return true;
    auto it = m_images.find(command);
    if (it == m_images.end() || !it->second.is_open()) {
        if (!startImage(command, error))
            return false;
        it = m_images.find(command);
    }
    it->second.write(reinterpret_cast<const char *>(data.data()),
                     static_cast<std::streamsize>(data.size()));
    it->second.flush();
    if (!it->second) {
        error = "cannot write " + (m_folder / imageFileName(command)).string();
        return false;
    }
    return true;
}

bool OutputFolder::appendTranscript(const TranscriptEntry &entry, std::string &error) {
    if (!isOpen())
        return true;
    m_transcript << toJsonLine(entry) << '\n';
    m_transcript.flush();
    if (!m_transcript) {
        error = "cannot write " + (m_folder / kTranscriptFileName).string();
        return false;
    }
    return true;
}

} // namespace unitsim
