#include "ui/ErrorBox.h"

#include <QMessageBox>
#include <QWidget>

namespace ui {

QMessageBox *showErrorBox(QWidget *parent, const QString &text) {
    const QString title = parent ? parent->window()->windowTitle() : QString();
    auto *box = new QMessageBox(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

} // namespace ui
