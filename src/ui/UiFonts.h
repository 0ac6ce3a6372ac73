#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace ui {

// The window's typeface; controls that differ only change the pixel size.
inline const QString kFontFamily = QStringLiteral("Tahoma");
inline constexpr int kWindowFontPx = 11;       // every control unless noted
inline constexpr int kSlotCaptionFontPx = 13;  // the file slot captions
inline constexpr int kActionButtonFontPx = 29; // Send all and Reboot

inline QFont tahomaFont(int pixelSize) {
    QFont font(kFontFamily);
    font.setPixelSize(pixelSize);
    return font;
}

// Gives `font` to every control inside `window` that has no font of its own. Inheriting it
// from the window is not enough: under an application style sheet, the controls that the
// sheet styles get the application font instead. Other windows (dialogs, menus) are left.
void setFontOfControls(QWidget &window, const QFont &font);

} // namespace ui
