#pragma once
// A painted item that paints only while it is shown: a hidden item (its own visible, or an
// ancestor's, false) still gets a paint pass from the scene graph, and a view holds many of them
// (the art of every card's fallback, marks that appear on hover, a card measured off screen). Its
// pixels are drawn when it is shown, before the frame that shows it.
#include <QQuickPaintedItem>

namespace novra {

class ShownPaintedItem : public QQuickPaintedItem {
    Q_OBJECT

public:
    explicit ShownPaintedItem(QQuickItem* parent = nullptr);

    void paint(QPainter* painter) final;

protected:
    // Paints the item while it is shown.
    virtual void paintShown(QPainter* painter) = 0;
    void itemChange(ItemChange change, const ItemChangeData& value) override;
};

} // namespace novra
