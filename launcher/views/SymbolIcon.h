#pragma once
// One of the launcher's symbols (Symbols), drawn in a colour and centred in its item at the
// item's smaller edge.
#include <QColor>
#include <QImage>
#include <QtQml/qqmlregistration.h>

#include "launcher/views/ShownPaintedItem.h"

namespace novra {

class SymbolIcon : public ShownPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString symbol READ symbol WRITE setSymbol NOTIFY symbolChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    explicit SymbolIcon(QQuickItem* parent = nullptr);

    QString symbol() const { return symbol_; }
    void setSymbol(const QString& symbol);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

signals:
    void symbolChanged();
    void colorChanged();

protected:
    void paintShown(QPainter* painter) override;

private:
    QString symbol_;
    QColor color_ = Qt::white;
    QImage rendered_;
};

} // namespace novra
