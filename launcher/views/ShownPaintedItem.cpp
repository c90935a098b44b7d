#include "launcher/views/ShownPaintedItem.h"

namespace novra {

ShownPaintedItem::ShownPaintedItem(QQuickItem* parent) : QQuickPaintedItem(parent) {}

void ShownPaintedItem::paint(QPainter* painter) {
    if (isVisible())
        paintShown(painter);
}

void ShownPaintedItem::itemChange(ItemChange change, const ItemChangeData& value) {
    QQuickPaintedItem::itemChange(change, value);
    if (change == ItemVisibleHasChanged && value.boolValue)
        update();
}

} // namespace novra
