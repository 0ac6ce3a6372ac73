#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The port delivers its notifications through the event loop of this application.
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
