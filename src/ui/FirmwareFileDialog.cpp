#include "ui/FirmwareFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

namespace ui {

namespace {
#ifdef Q_OS_WIN
const QString kInitialFolder = QStringLiteral("c:\\");
#else
const QString kInitialFolder = QStringLiteral("/");
#endif
} // namespace

void setUpFirmwareFileDialog(QFileDialog &dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(kInitialFolder);
}

bool pickFirmwareFile(QFileDialog &dialog, const QString &defaultFileName, QLineEdit &pathBox) {
    dialog.selectFile(defaultFileName);
    dialog.setDefaultSuffix(defaultFileName);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    pathBox.setText(QDir::toNativeSeparators(chosen.first()));
    // The next picker starts where this file was found, also when its path was typed.
    dialog.setDirectory(QFileInfo(chosen.first()).absolutePath());
    return true;
}

} // namespace ui
