#include "app/CarbonStyle.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QStyle>
#include <QStyleFactory>

#include <array>

namespace app {

namespace {

struct RoleColours {
    QPalette::ColorRole role;
    QRgb active;
    QRgb inactive;
    QRgb disabled;
};

// Charcoal greys with light text; the blue accent marks selections. Disabled text is
// greyed so that a control that cannot be used reads as such.
constexpr std::array<RoleColours, 20> kCarbonColours{{
    {QPalette::Window, 0x2d3035, 0x2d3035, 0x2d3035},
    {QPalette::WindowText, 0xe3e6ea, 0xe3e6ea, 0x767d86},
    {QPalette::Base, 0x1f2226, 0x1f2226, 0x2a2d31},
    {QPalette::AlternateBase, 0x272a2f, 0x272a2f, 0x2a2d31},
    {QPalette::ToolTipBase, 0x3a3f46, 0x3a3f46, 0x3a3f46},
    {QPalette::ToolTipText, 0xe8ebee, 0xe8ebee, 0x9aa1a9},
    {QPalette::PlaceholderText, 0x80878f, 0x80878f, 0x5d636b},
    {QPalette::Text, 0xe3e6ea, 0xe3e6ea, 0x767d86},
    {QPalette::Button, 0x33373c, 0x33373c, 0x2f3237},
    {QPalette::ButtonText, 0xe3e6ea, 0xe3e6ea, 0x767d86},
    {QPalette::BrightText, 0xff6b6b, 0xff6b6b, 0xa86060},
    {QPalette::Light, 0x50565e, 0x50565e, 0x454a51},
    {QPalette::Midlight, 0x43484f, 0x43484f, 0x3b4046},
    {QPalette::Dark, 0x1b1d20, 0x1b1d20, 0x1b1d20},
    {QPalette::Mid, 0x2a2d32, 0x2a2d32, 0x2a2d32},
    {QPalette::Shadow, 0x0e0f11, 0x0e0f11, 0x0e0f11},
    {QPalette::Highlight, 0x2f6fa8, 0x34516f, 0x3b4148},
    {QPalette::HighlightedText, 0xffffff, 0xe3e6ea, 0x9aa1a9},
    {QPalette::Link, 0x5aaeea, 0x5aaeea, 0x4d6f8c},
    {QPalette::LinkVisited, 0xa58be0, 0xa58be0, 0x6a6090},
}};

bool readStyleSheet(const QString &path, QString &sheet, QString &error) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        sheet = QString::fromUtf8(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        error =
            QStringLiteral("The style sheet %1 cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    if (sheet.trimmed().isEmpty()) {
        error = QStringLiteral("The style sheet %1 is empty").arg(path);
        return false;
    }
    return true;
}

} // namespace

QPalette carbonPalette() {
    QPalette palette;
    for (const RoleColours &colours : kCarbonColours) {
        palette.setColor(QPalette::Active, colours.role, QColor(colours.active));
        palette.setColor(QPalette::Inactive, colours.role, QColor(colours.inactive));
        palette.setColor(QPalette::Disabled, colours.role, QColor(colours.disabled));
    }
    return palette;
}

bool applyCarbonStyle(QApplication &application, const QString &styleSheetPath, QString &error) {
    QString reason;
    QString sheet;
    if (!readStyleSheet(styleSheetPath, sheet, reason)) {
        error = QStringLiteral("The style \"Carbon\" cannot be applied. %1.").arg(reason);
        return false;
    }
    QStyle *baseStyle = QStyleFactory::create(QString::fromLatin1(kCarbonBaseStyle));
    if (baseStyle == nullptr) {
        error = QStringLiteral("The style \"Carbon\" cannot be applied. The Qt style \"%1\" is "
                               "not available.")
                    .arg(QString::fromLatin1(kCarbonBaseStyle));
        return false;
    }
    // The palette comes after the style, which may bring a palette of its own.
    QApplication::setStyle(baseStyle);
    QApplication::setPalette(carbonPalette());
    application.setStyleSheet(sheet);
    error.clear();
    return true;
}

bool applyCarbonStyle(QApplication &application, QString &error) {
    return applyCarbonStyle(application, QString::fromLatin1(kCarbonStyleSheetPath), error);
}

} // namespace app
