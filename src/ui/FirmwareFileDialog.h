#pragma once

#include <QString>

class QFileDialog;
class QLineEdit;

namespace ui {

// Sets up the open dialog that the four file slots share: the toolkit's own dialog (the
// same on every system), starting at the root folder, all files shown, and any name
// accepted, as the slots also take paths typed by hand.
void setUpFirmwareFileDialog(QFileDialog &dialog);

// Runs the shared dialog for one slot: the dialog starts on the slot's default file name,
// which is also its default suffix. On confirmation the chosen file's full path goes into
// `pathBox`, the dialog stays in that file's folder for the next picker, and true is
// returned; on cancel nothing changes.
bool pickFirmwareFile(QFileDialog &dialog, const QString &defaultFileName, QLineEdit &pathBox);

} // namespace ui
