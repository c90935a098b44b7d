#include "Pictures.h"

#include <QDir>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>

namespace novra::test {

bool savePicture(QQuickItem* item, const QString& name) {
    if (!item || !item->window())
        return false;
    const QImage window = item->window()->grabWindow();
    const qreal ratio = window.devicePixelRatio();
    const QRectF area = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    const QRect pixels(QPointF(area.topLeft() * ratio).toPoint(), QSizeF(area.size() * ratio).toSize());
    QDir().mkpath(QStringLiteral(NOVRA_PICTURES_DIR));
    return window.copy(pixels).save(QDir(QStringLiteral(NOVRA_PICTURES_DIR)).filePath(name + QStringLiteral(".png")));
}

} // namespace novra::test
