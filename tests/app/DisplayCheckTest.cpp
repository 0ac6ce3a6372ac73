// The program says what to do when it has no display, instead of letting Qt abort.
#include "app/DisplayCheck.h"

#include <QByteArray>
#include <QtGlobal>

#include <array>

#include <gtest/gtest.h>

namespace {

struct DisplayCase {
    const char *name;
    app::DisplayEnvironment environment;
    bool missing;
};

const DisplayCase kCases[] = {
    {"nothing set", {false, false, false}, true},  {"platform chosen", {true, false, false}, false},
    {"X11 display", {false, true, false}, false},  {"Wayland display", {false, false, true}, false},
    {"everything set", {true, true, true}, false},
};

// Sets or clears the three variables for the length of a test.
class DisplayEnvironmentTest : public ::testing::Test {
protected:
    static constexpr std::array<const char *, 3> kVariables{"QT_QPA_PLATFORM", "DISPLAY",
                                                            "WAYLAND_DISPLAY"};

    void SetUp() override {
        for (std::size_t i = 0; i < kVariables.size(); ++i) {
            m_wasSet[i] = qEnvironmentVariableIsSet(kVariables[i]);
            m_saved[i] = qgetenv(kVariables[i]);
            qunsetenv(kVariables[i]);
        }
    }
    void TearDown() override {
        for (std::size_t i = 0; i < kVariables.size(); ++i) {
            if (m_wasSet[i])
                qputenv(kVariables[i], m_saved[i]);
            else
                qunsetenv(kVariables[i]);
        }
    }

private:
    std::array<bool, 3> m_wasSet{};
    std::array<QByteArray, 3> m_saved{};
};

} // namespace

TEST(DisplayCheckTest, DisplayIsMissingOnlyWhenNothingLeadsToOne) {
    for (const DisplayCase &displayCase : kCases) {
        SCOPED_TRACE(displayCase.name);
#if defined(Q_OS_LINUX)
        EXPECT_EQ(app::displayMissing(displayCase.environment), displayCase.missing);
#else
        EXPECT_FALSE(app::displayMissing(displayCase.environment));
#endif
    }
}

TEST_F(DisplayEnvironmentTest, EmptyVariablesCountAsUnset) {
    const char *argv[] = {"firmware-loader"};
    qputenv("DISPLAY", QByteArray());
    qputenv("WAYLAND_DISPLAY", QByteArray());
    qputenv("QT_QPA_PLATFORM", QByteArray());
    const app::DisplayEnvironment environment = app::currentDisplayEnvironment(1, argv);
    EXPECT_FALSE(environment.platformChosen);
    EXPECT_FALSE(environment.x11Display);
    EXPECT_FALSE(environment.waylandDisplay);
}

TEST_F(DisplayEnvironmentTest, ReadsEachVariable) {
    const char *argv[] = {"firmware-loader"};
    qputenv("DISPLAY", ":0");
    EXPECT_TRUE(app::currentDisplayEnvironment(1, argv).x11Display);
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_TRUE(app::currentDisplayEnvironment(1, argv).waylandDisplay);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_TRUE(app::currentDisplayEnvironment(1, argv).platformChosen);
}

TEST_F(DisplayEnvironmentTest, QtPlatformArgumentCountsAsChosen) {
    struct ArgumentCase {
        std::array<const char *, 3> argv;
        int argc;
        bool chosen;
    };
    const ArgumentCase cases[] = {
        {{"firmware-loader", "-platform", "offscreen"}, 3, true},
        {{"firmware-loader", "--platform", "offscreen"}, 3, true},
        // Without a name Qt does not take it as a platform either.
        {{"firmware-loader", "-platform", nullptr}, 2, false},
        {{"firmware-loader", "-platformtheme", "x"}, 3, false},
    };
    for (const ArgumentCase &argumentCase : cases) {
        SCOPED_TRACE(argumentCase.argv[1]);
        EXPECT_EQ(app::currentDisplayEnvironment(argumentCase.argc, argumentCase.argv.data())
                      .platformChosen,
                  argumentCase.chosen);
    }
}
