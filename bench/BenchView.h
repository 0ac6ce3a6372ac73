#pragma once

#include "loader/LoaderView.h"
#include "ui/EventPump.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// The loader's view without widgets: it keeps the panel texts, and its event pass is the
// window's pump, so that the figures show the loader and the serial layer, not the drawing.
// After every event pass it calls a hook that plays the user (presses the buttons).
class BenchView final : public loader::LoaderView {
public:
    enum class Polling {
        WaitForEvents, // the window's pump: an idle pass sleeps until something happens
        NeverWait,     // a naive loop: every pass returns at once, idle or not
    };

    explicit BenchView(Polling polling) : m_polling(polling) {}

    void setLinkTypeIndex(int index) { m_linkTypeIndex = index; }
    void setSlotPath(int slot, std::string path);
    void setAfterEvents(std::function<void()> hook) { m_afterEvents = std::move(hook); }

    bool bootModePageShown() const { return m_bootModePageShown; }
    // Every text status panel 1 has shown, in order.
    const std::vector<std::string> &fileStatusHistory() const { return m_fileStatusHistory; }
    const std::string &fileError() const { return m_fileError; }
    std::uint64_t eventPasses() const { return m_eventPasses; }

    // loader::LoaderView
    void setPanelText(int panel, const std::string &text) override;
    void setProgressRange(std::int32_t, std::int32_t) override {}
    void setProgressPosition(std::int32_t) override {}
    void setChipPictureVisible(bool) override {}
    void showBootModePage() override { m_bootModePageShown = true; }
    int linkTypeIndex() const override { return m_linkTypeIndex; }
    std::string slotPath(int slot) const override;
    void reportFileError(const std::string &path, const std::string &reason) override;
    void processEvents(std::uint32_t maxWaitMs) override;

private:
    static constexpr int kSlotCount = 4;

    Polling m_polling;
    ui::EventPump m_pump;
    std::function<void()> m_afterEvents;
    int m_linkTypeIndex = 0;
    std::array<std::string, kSlotCount> m_slotPaths{};
    std::array<std::string, kPanelCount> m_panels{};
    std::vector<std::string> m_fileStatusHistory;
    std::string m_fileError;
    bool m_bootModePageShown = false;
    std::uint64_t m_eventPasses = 0;
};

} // namespace bench
