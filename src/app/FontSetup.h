#pragma once

#include <QString>

#include <span>

namespace app {

// The typeface the window is laid out for.
inline constexpr char kWindowFontFamily[] = "Tahoma";

// Makes `family` available to the application: when the font database has no such family,
// the font files in `fontFiles` that exist are added as application fonts. Returns whether
// the family is available afterwards. Needs a QGuiApplication.
bool registerFontIfMissing(const QString &family, std::span<const char *const> fontFiles);

// Tahoma, from the metric-compatible copy that Debian's fonts-wine carries where the system
// has none of its own (Windows has it, so nothing is added there).
bool registerTahomaIfMissing();

} // namespace app
