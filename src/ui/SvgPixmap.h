#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace ui {

// Renders the SVG at `resourcePath` into a pixmap of exactly `size` device-independent
// pixels. A missing or broken picture gives a transparent pixmap of that size, so the
// window keeps its layout.
QPixmap renderSvgPixmap(const QString &resourcePath, QSize size);

} // namespace ui
