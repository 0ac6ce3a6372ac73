#include "ui/SvgPixmap.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace ui {

QPixmap renderSvgPixmap(const QString &resourcePath, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(resourcePath);
    if (renderer.isValid()) {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return QPixmap::fromImage(image);
}

} // namespace ui
