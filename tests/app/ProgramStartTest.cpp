// The built program, run without any display, stops at once and says what to do.
#include "app/DisplayCheck.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#if defined(Q_OS_LINUX)
TEST(ProgramStartTest, WithoutDisplayExitsWithCodeTwoAndAdvice) {
    constexpr int kRunTimeoutMs = 20000;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(variable));

    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(LOADER_PROGRAM_PATH), {});
    ASSERT_TRUE(program.waitForStarted(kRunTimeoutMs)) << program.errorString().toStdString();
    if (!program.waitForFinished(kRunTimeoutMs)) {
        program.kill();
        program.waitForFinished(kRunTimeoutMs);
        FAIL() << "the program did not stop without a display";
    }
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), app::kNoDisplayExitCode);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(errors.contains(QString::fromLatin1(app::kNoDisplayMessage)))
        << errors.toStdString();
}
#endif
