#include "launcher/views/SymbolIcon.h"

#include <cmath>

#include <QPainter>

#include "launcher/views/Symbols.h"

namespace novra {

SymbolIcon::SymbolIcon(QQuickItem* parent) : ShownPaintedItem(parent) {
    setImplicitSize(16, 16);
}

void SymbolIcon::setSymbol(const QString& symbol) {
    if (symbol == symbol_)
        return;
    symbol_ = symbol;
    rendered_ = QImage();
    emit symbolChanged();
    update();
}

void SymbolIcon::setColor(const QColor& color) {
    if (color == color_)
        return;
    color_ = color;
    rendered_ = QImage();
    emit colorChanged();
    update();
}

void SymbolIcon::paintShown(QPainter* painter) {
    const qreal edge = std::min(width(), height());
    if (edge <= 0)
        return;
    const qreal ratio = painter->device()->devicePixelRatioF();
    const int pixels = int(std::lround(edge * ratio));
    if (rendered_.width() != pixels)
        rendered_ = Symbols::render(symbol_, pixels, color_);
    if (rendered_.isNull())
        return;
    const QRectF target((width() - edge) / 2, (height() - edge) / 2, edge, edge);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(target, rendered_);
}

} // namespace novra
