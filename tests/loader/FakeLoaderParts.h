#pragma once

// Fakes of the port, the window, the clock and the files, for driving a Connection
// iteration by iteration without a line or a window.

#include "loader/FirmwareFile.h"
#include "loader/LoaderView.h"
#include "loader/PortOperations.h"
#include "loader/SharedValues.h"
#include "loader/TickSource.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fakes {

using Bytes = std::vector<std::uint8_t>;

class FakeTicks final : public loader::TickSource {
public:
    std::uint32_t now = 0;
    std::uint32_t tickMs() const override { return now; }
};

class FakePort final : public loader::PortOperations {
public:
    // What the loader did, in order: "close", "baud 460800", "open", "purge all",
    // "purge in"; sends are kept in `sent` only.
    std::vector<std::string> calls;
    Bytes sent;
    std::deque<std::uint8_t> input;
    std::uint32_t received = 0;
    bool opened = false;
    int openFailuresLeft = 0; // the next openings that fail
    int openings = 0;
    int reads = 0;
    int readsWithNothingWaiting = 0;
    const FakeTicks *clock = nullptr;
    std::vector<std::uint32_t> openTimes; // tick of every opening attempt

    void close() override {
        calls.push_back("close");
        opened = false;
    }
    void setBaudRate(std::uint32_t rate) override {
        calls.push_back("baud " + std::to_string(rate));
    }
    bool open(std::string &error) override {
        calls.push_back("open");
        if (clock != nullptr)
            openTimes.push_back(clock->now);
        if (openFailuresLeft > 0) {
            --openFailuresLeft;
            error = "no such device";
            return false;
        }
        ++openings;
        opened = true;
        received = 0;
        input.clear();
        return true;
    }
    bool isOpen() const override { return opened; }
    bool clearDeviceBuffers() override {
        calls.push_back("purge all");
        input.clear();
        return true;
    }
    void clearDeviceInput() override {
        calls.push_back("purge in");
        input.clear();
    }
    void sendChar(std::uint8_t byte) override {
        if (opened)
            sent.push_back(byte);
    }
    void sendData(std::span<const std::uint8_t> bytes) override {
        if (opened)
            sent.insert(sent.end(), bytes.begin(), bytes.end());
    }
    bool read(std::uint8_t &byte) override {
        ++reads;
        if (input.empty()) {
            ++readsWithNothingWaiting;
            return false;
        }
        byte = input.front();
        input.pop_front();
        return true;
    }
    std::uint32_t totalReceived() const override { return received; }

    // Bytes from the unit arriving on the line.
    void arrive(const Bytes &bytes) {
        if (!opened)
            return;
        input.insert(input.end(), bytes.begin(), bytes.end());
        received += static_cast<std::uint32_t>(bytes.size());
    }
};

class FakeFiles final : public loader::FileSource {
public:
    std::map<std::string, loader::LoadedFile> files;
    std::vector<std::string> loads;

    void add(const std::string &path, Bytes bytes) {
        loader::LoadedFile file;
        file.status = loader::LoadedFile::Status::Loaded;
        file.bytes = std::move(bytes);
        files[path] = std::move(file);
    }
    void addFailure(const std::string &path, loader::LoadedFile::Status status,
                    std::string reason) {
        loader::LoadedFile file;
        file.status = status;
        file.reason = std::move(reason);
        files[path] = std::move(file);
    }
    loader::LoadedFile load(const std::string &path) override {
        loads.push_back(path);
        const auto found = files.find(path);
        return found == files.end() ? loader::LoadedFile{} : found->second;
    }
};

// The window. Each pass of events lets time pass and runs the test's script, which plays
// the unit and the user; it must end the connection by setting StopRequested.
class FakeView final : public loader::LoaderView {
public:
    FakeView(FakeTicks &ticks, loader::SharedValues &shared) : m_ticks(ticks), m_shared(shared) {}

    std::array<std::string, kPanelCount> panels;
    std::array<int, kPanelCount> panelWrites{};
    std::vector<std::pair<int, std::string>> panelLog;
    std::vector<std::int32_t> progressLog;
    std::int32_t progressMin = -1, progressMax = -1, progressPos = -1;
    bool chipVisible = false;
    int bootPageShows = 0;
    int link = 0;
    std::array<std::string, 4> slots{"Select file....", "Select file....", "Select file....",
                                     "Select file...."};
    std::vector<std::pair<std::string, std::string>> fileErrors;
    std::function<void()> onEvents;
    int passes = 0;
    int waitingPasses = 0;       // passes that were allowed to sleep
    std::uint32_t msPerPass = 1; // time that passes in a pass that does not sleep
    int maxPasses = 200000;
    bool passLimitHit = false;

    void setPanelText(int panel, const std::string &text) override {
        panels.at(static_cast<std::size_t>(panel)) = text;
        ++panelWrites.at(static_cast<std::size_t>(panel));
        panelLog.emplace_back(panel, text);
    }
    void setProgressRange(std::int32_t minimum, std::int32_t maximum) override {
        progressMin = minimum;
        progressMax = maximum;
    }
    void setProgressPosition(std::int32_t position) override {
        progressPos = position;
        progressLog.push_back(position);
    }
    bool panelShowed(int panel, const std::string &text) const {
        for (const auto &[index, shown] : panelLog) {
            if (index == panel && shown == text)
                return true;
        }
        return false;
    }
    void setChipPictureVisible(bool visible) override { chipVisible = visible; }
    void showBootModePage() override { ++bootPageShows; }
    int linkTypeIndex() const override { return link; }
    std::string slotPath(int slot) const override {
        return slots.at(static_cast<std::size_t>(slot - 1));
    }
    void reportFileError(const std::string &path, const std::string &reason) override {
        fileErrors.emplace_back(path, reason);
    }
    void processEvents(std::uint32_t maxWaitMs) override {
        ++passes;
        if (maxWaitMs != kNoWait)
            ++waitingPasses;
        m_ticks.now += maxWaitMs != kNoWait ? maxWaitMs : msPerPass;
        if (onEvents)
            onEvents();
        if (passes >= maxPasses) {
            passLimitHit = true;
            m_shared.StopRequested = true;
        }
    }

private:
    FakeTicks &m_ticks;
    loader::SharedValues &m_shared;
};

} // namespace fakes
