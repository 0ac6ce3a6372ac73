#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace ui {

// An error message box over `parent` that does not wait for the user: it returns at once,
// so a running connection keeps its loop going. The box deletes itself when closed.
QMessageBox *showErrorBox(QWidget *parent, const QString &text);

} // namespace ui
