#include "FirmwareFiles.h"

#include <QFile>

#include <algorithm>
#include <random>
#include <vector>

namespace bench {

namespace {

constexpr std::size_t kWriteChunkBytes = 1 << 20;
// The files' default names, in slot order (slot 1 is written first).
constexpr std::array<const char *, FirmwareFiles::kSlotCount> kFileNames{
    "os.pr", "firmware.rs", "firmware.bk", "firmware.pr"};

bool writeRandomFile(const QString &path, std::uint64_t bytes, std::mt19937 &random,
                     std::string &error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    std::vector<char> chunk(kWriteChunkBytes);
    for (std::uint64_t left = bytes; left > 0;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
        std::generate_n(chunk.begin(), count, [&] { return static_cast<char>(random()); });
        if (file.write(chunk.data(), static_cast<qint64>(count)) != static_cast<qint64>(count)) {
            error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
            return false;
        }
        left -= count;
    }
    return true;
}

} // namespace

bool FirmwareFiles::create(int count, std::uint64_t bytesEach, std::string &error) {
    if (!m_folder.isValid()) {
        error = "cannot make a temporary folder: " + m_folder.errorString().toStdString();
        return false;
    }
    std::mt19937 random(7);
    for (int slot = 0; slot < std::clamp(count, 0, kSlotCount); ++slot) {
        const QString path = m_folder.filePath(QString::fromLatin1(kFileNames[slot]));
        if (!writeRandomFile(path, bytesEach, random, error))
            return false;
        m_slotPaths[static_cast<std::size_t>(slot)] = path.toStdString();
        m_totalBytes += bytesEach;
    }
    return true;
}

} // namespace bench
