#include "app/FontSetup.h"

#include <QFile>
#include <QFontDatabase>

#include <array>

namespace app {

namespace {

// Regular and bold of the Tahoma shipped by fonts-wine; same metrics as the Windows font, so
// the fixed layout of the window fits.
constexpr std::array<const char *, 2> kTahomaFontFiles{
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};

bool familyAvailable(const QString &family) {
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

} // namespace

bool registerFontIfMissing(const QString &family, std::span<const char *const> fontFiles) {
    if (familyAvailable(family))
        return true;
    for (const char *fontFile : fontFiles) {
        const QString path = QString::fromLocal8Bit(fontFile);
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
    // A file may hold another family than its name suggests: ask the database again.
    return familyAvailable(family);
}

bool registerTahomaIfMissing() {
    return registerFontIfMissing(QString::fromLatin1(kWindowFontFamily), kTahomaFontFiles);
}

} // namespace app
