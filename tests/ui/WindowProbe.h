#pragma once

// Small helpers for looking into the main window and driving its dialogs from a test.

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString &text, std::ostream *out) {
    *out << '"' << text.toStdString() << '"';
}

namespace uitest {

inline constexpr int kDialogPollMs = 5;
inline constexpr int kDialogGiveUpMs = 5000;

// The child of `root` with `objectName`, of type W, or null.
template<typename W> W *control(const QWidget &root, const char *objectName) {
    return root.findChild<W *>(QString::fromLatin1(objectName));
}

// Message boxes over `root` that are shown now.
inline QList<QMessageBox *> shownMessageBoxes(const QWidget &root) {
    QList<QMessageBox *> shown;
    for (QMessageBox *box : root.findChildren<QMessageBox *>())
        if (box->isVisible())
            shown.append(box);
    return shown;
}

inline void closeMessageBoxes(const QWidget &root) {
    for (QMessageBox *box : shownMessageBoxes(root))
        box->close();
    QCoreApplication::processEvents();
}

// Runs `act` once `dialog` has been shown by the code under test (which then sits in the
// dialog's own event loop). Should `act` leave the dialog open, or the dialog never show,
// it is rejected after kDialogGiveUpMs, so a test can fail but never hang. `shown` says
// whether `act` ran.
inline void actWhenShown(QDialog &dialog, std::function<void()> act, bool &shown) {
    shown = false;
    auto *poll = new QTimer(&dialog);
    auto *waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, &dialog, [&dialog, poll, waited, act, &shown] {
        const bool giveUp = waited->elapsed() > kDialogGiveUpMs;
        if (!dialog.isVisible() && !giveUp)
            return;
        poll->stop();
        poll->deleteLater();
        delete waited;
        if (dialog.isVisible() && !giveUp) {
            shown = true;
            act();
        }
        QTimer::singleShot(kDialogGiveUpMs, &dialog, [&dialog] {
            if (dialog.isVisible())
                dialog.reject();
        });
    });
    poll->start(kDialogPollMs);
}

} // namespace uitest
