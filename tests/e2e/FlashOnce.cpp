// A whole loader in a process of its own for the tests: the real window, offscreen, that
// connects to the given port, presses Send all once the unit is in boot mode, and ends
// when the four files are done. Exit status 0 when every file was written.
//
// Usage: loader-flash-once PORT SLOT1 SLOT2 SLOT3 SLOT4   (paths as numbered on screen)

#include "loader/LoaderStates.h"
#include "ui/Unit3.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kDeadlineMs = 60000;
constexpr int kExitTimedOut = 3;
constexpr int kExitFileFailed = 4;

// The window, counting the files reported as written.
class CountingForm : public TForm3 {
public:
    CountingForm() : TForm3(QList<serial::PortEntry>{}) {}
    int written = 0;
    int failed = 0;
    void setPanelText(int panel, const std::string &text) override {
        if (panel == 1 && text.rfind("File ", 0) == 0)
            ++(text.size() > 8 && text.compare(text.size() - 8, 8, " written") == 0 ? written
                                                                                    : failed);
        TForm3::setPanelText(panel, text);
    }
};

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s PORT SLOT1 SLOT2 SLOT3 SLOT4\n", argv[0]);
        return 2;
    }
    CountingForm form;
    form.commPort().setPortName(QString::fromLocal8Bit(argv[1]));
    for (int slot = 1; slot <= 4; ++slot)
        form.findChild<QLineEdit *>(QStringLiteral("Edit%1").arg(slot))
            ->setText(QString::fromLocal8Bit(argv[1 + slot]));

    bool sent = false;
    bool timedOut = false;
    QElapsedTimer clock;
    clock.start();
    QTimer script;
    script.setInterval(5);
    QObject::connect(&script, &QTimer::timeout, [&] {
        const auto state = form.shared().LoaderState;
        if (!sent && state == loader::states::kReady) {
            sent = true;
            form.Button1Click();
        } else if (sent && state == loader::states::kIdle) {
            form.Button2Click();
        } else if (clock.elapsed() > kDeadlineMs) {
            timedOut = true;
            form.Button2Click();
        }
    });
    script.start();
    form.show();
    form.Button8Click();

    std::printf("written %d, failed %d\n", form.written, form.failed);
    if (timedOut)
        return kExitTimedOut;
    return form.written == 4 && form.failed == 0 ? 0 : kExitFileFailed;
}
