#include "app/DisplayCheck.h"

#include <QtGlobal>

#include <string_view>

namespace app {

namespace {

bool platformArgumentGiven(int argc, const char *const *argv) {
    // Qt takes "-platform <name>", also written with two dashes.
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-platform" || argument == "--platform")
            return true;
    }
    return false;
}

} // namespace

DisplayEnvironment currentDisplayEnvironment(int argc, const char *const *argv) {
    DisplayEnvironment environment;
    environment.platformChosen =
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || platformArgumentGiven(argc, argv);
    environment.x11Display = !qEnvironmentVariableIsEmpty("DISPLAY");
    environment.waylandDisplay = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return environment;
}

bool displayMissing(const DisplayEnvironment &environment) {
#if defined(Q_OS_LINUX)
    return !environment.platformChosen && !environment.x11Display && !environment.waylandDisplay;
#else
    Q_UNUSED(environment);
    return false;
#endif
}

} // namespace app
