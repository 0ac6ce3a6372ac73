#pragma once

#include <cstdint>
#include <string>

namespace loader {

// What the connection sees of the window: the status panels, the progress bar, the two
// pictures/pages it switches, the controls it reads, and the pass of window events.
class LoaderView {
public:
    virtual ~LoaderView() = default;

    static constexpr int kPanelCount = 6;
    static constexpr std::uint32_t kNoWait = 0;

    // Status panel 0-5; a text equal to the one shown changes nothing.
    virtual void setPanelText(int panel, const std::string &text) = 0;
    virtual void setProgressRange(std::int32_t minimum, std::int32_t maximum) = 0;
    virtual void setProgressPosition(std::int32_t position) = 0;
    virtual void setChipPictureVisible(bool visible) = 0;
    virtual void showBootModePage() = 0;

    // Index of the chosen link type: 0 UART, 1 Bluetooth, 2 WiFi (-1 when none).
    virtual int linkTypeIndex() const = 0;
    // The current text of the path box of file slot 1-4, as numbered on screen.
    virtual std::string slotPath(int slot) const = 0;

    // A firmware file that exists but could not be read: an error dialog that names the
    // file and gives the reason. It must not wait for the user.
    virtual void reportFileError(const std::string &path, const std::string &reason) = 0;

    // Handles the pending window events once. When `maxWaitMs` is not kNoWait and no event
    // is pending, first sleeps until one arrives (a byte, a click, a timer) or until
    // `maxWaitMs` has passed.
    virtual void processEvents(std::uint32_t maxWaitMs) = 0;
};

} // namespace loader
