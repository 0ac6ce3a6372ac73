// Runs the start-up tests inside one QApplication, without a display.
#include <QApplication>
#include <QByteArray>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    // Test discovery runs this program without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
