#include "launcher/views/ResourceImage.h"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>

#include "launcher/views/LauncherResource.h"

namespace novra {

ResourceImage::ResourceImage(QQuickItem* parent) : ShownPaintedItem(parent) {
    setAntialiasing(true);
}

void ResourceImage::setName(const QString& name) {
    if (name == name_)
        return;
    name_ = name;
    reload();
}

void ResourceImage::setFolder(const QString& folder) {
    if (folder == folder_)
        return;
    folder_ = folder;
    reload();
}

void ResourceImage::reload() {
    // Only the size now: the pixels are read when the image is drawn, at the size it is drawn.
    size_ = name_.isEmpty() || folder_.isEmpty() ? QSize() : LauncherResource::size(name_, folder_);
    scaled_ = QImage();
    setImplicitSize(size_.isValid() ? size_.width() : 0, size_.isValid() ? size_.height() : 0);
    emit sourceChanged();
    update();
}

void ResourceImage::setRadius(qreal radius) {
    if (qFuzzyCompare(radius, radius_))
        return;
    radius_ = radius;
    emit radiusChanged();
    update();
}

void ResourceImage::setZoom(qreal zoom) {
    zoom = std::max<qreal>(zoom, 1);
    if (qFuzzyCompare(zoom, zoom_))
        return;
    zoom_ = zoom;
    emit zoomChanged();
    update();
}

void ResourceImage::setShiftX(qreal shift) {
    setShift(shiftX_, shift);
}

void ResourceImage::setShiftY(qreal shift) {
    setShift(shiftY_, shift);
}

// A drifting artwork sets its shift many times a second to the same value; only a change repaints.
void ResourceImage::setShift(qreal& field, qreal shift) {
    if (qFuzzyCompare(shift + 1, field + 1))
        return;
    field = shift;
    emit shiftChanged();
    update();
}

void ResourceImage::paintShown(QPainter* painter) {
    const QRectF frame = boundingRect();
    if (!size_.isValid() || frame.isEmpty())
        return;
    // Scale once per size with a proper downscale (area averaging), not per frame with bilinear
    // sampling, so that type and fine lines stay clean in small cards.
    const qreal ratio = painter->device()->devicePixelRatioF();
    const qreal scale = std::max(frame.width() / size_.width(), frame.height() / size_.height()) * zoom_;
    const QSizeF drawn = QSizeF(size_) * scale;
    const QSize pixels = (drawn * ratio).toSize().expandedTo(QSize(1, 1));
    if (scaled_.size() != pixels)
        scaled_ = LauncherResource::scaled(name_, folder_, pixels);
    if (scaled_.isNull())
        return;

    const QPointF origin = frame.center() - QPointF(drawn.width() / 2, drawn.height() / 2) + QPointF(shiftX_, shiftY_);
    QBrush brush(scaled_);
    brush.setTransform(QTransform(1 / ratio, 0, 0, 1 / ratio, origin.x(), origin.y()));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setPen(Qt::NoPen);
    painter->setBrush(brush);
    painter->drawRoundedRect(frame, radius_, radius_);
}

} // namespace novra
