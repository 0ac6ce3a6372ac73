#include "app/CarbonStyle.h"
#include "app/DisplayCheck.h"
#include "app/FontSetup.h"
#include "assets/AssetPaths.h"
#include "ui/UiFonts.h"
#include "ui/Unit3.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[]) {
    // Without a display Qt aborts with a message that does not say what to do.
    if (app::displayMissing(app::currentDisplayEnvironment(argc, argv))) {
        std::fprintf(stderr, "%s\n", app::kNoDisplayMessage);
        return app::kNoDisplayExitCode;
    }

    QApplication application(argc, argv);
    // The main window is a top-level window, so it owns the task-bar button.
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(assets::kIconPicture)));

    app::registerTahomaIfMissing();
    // Under a style sheet Qt 6.4 gives a control inside a frame the application font instead
    // of its window's, so the window's font is made the application font as well.
    QApplication::setFont(ui::tahomaFont(ui::kWindowFontPx));
    QString styleError;
    if (!app::applyCarbonStyle(application, styleError))
        QMessageBox::critical(nullptr, QStringLiteral("Visual style"), styleError);

    TForm3 Form3;
    Form3.show();
    return application.exec();
}
