#pragma once

namespace app {

inline constexpr int kNoDisplayExitCode = 2;
inline constexpr char kNoDisplayMessage[] =
    "No display: set DISPLAY or WAYLAND_DISPLAY, or run under xvfb-run; for a headless run "
    "set QT_QPA_PLATFORM=offscreen";

// What decides whether Qt can find a display before the application object is made.
struct DisplayEnvironment {
    bool platformChosen = false; // QT_QPA_PLATFORM, or Qt's own -platform argument
    bool x11Display = false;     // DISPLAY
    bool waylandDisplay = false; // WAYLAND_DISPLAY
};

// Reads the environment and the program arguments; empty variables count as unset.
DisplayEnvironment currentDisplayEnvironment(int argc, const char *const *argv);

// True on Linux when no platform was chosen and neither display is set: Qt would abort
// with a message that does not say what to do. False on the other systems, which always
// have their own window system.
bool displayMissing(const DisplayEnvironment &environment);

} // namespace app
