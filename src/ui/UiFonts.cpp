#include "ui/UiFonts.h"

#include <QWidget>

namespace ui {

void setFontOfControls(QWidget &window, const QFont &font) {
    for (QWidget *control : window.findChildren<QWidget *>()) {
        if (control->window() == &window && !control->testAttribute(Qt::WA_SetFont))
            control->setFont(font);
    }
}

} // namespace ui
