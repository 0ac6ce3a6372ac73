// Runs the window tests inside one QApplication, with the window's typeface available.
#include "app/FontSetup.h"

#include <QApplication>
#include <QByteArray>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    // Test discovery runs this program without the tests' environment; no test needs a
    // display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    app::registerTahomaIfMissing();
    return RUN_ALL_TESTS();
}
