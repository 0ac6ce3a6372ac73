#pragma once

#include "assets/AssetPaths.h"

#include <QPalette>
#include <QString>

class QApplication;

namespace app {

// The style sheet carried in the program's resources.
inline constexpr const char *kCarbonStyleSheetPath = assets::kCarbonStyleSheet;
// The built-in Qt style that Carbon is laid over.
inline constexpr char kCarbonBaseStyle[] = "Fusion";

// The dark palette of the Carbon look, filled for the Active, Inactive and Disabled groups.
QPalette carbonPalette();

// Gives the whole application the dark "Carbon" look: the Fusion style, the Carbon palette
// and the style sheet at `styleSheetPath`. Nothing is changed unless all three can be had;
// otherwise returns false and `error` says what is missing, and the standard look stays.
bool applyCarbonStyle(QApplication &application, const QString &styleSheetPath, QString &error);
bool applyCarbonStyle(QApplication &application, QString &error);

} // namespace app
