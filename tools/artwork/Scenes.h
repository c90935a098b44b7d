#pragma once
// The pictures of one game: its cover, its icon and its screenshots, drawn from the game's accent
// colour, symbol and title.
#include <QColor>
#include <QPainter>
#include <QString>

namespace novra::artwork {

struct Subject {
    QString id;
    QString title;
    QString symbol;
    QColor accent;
};

// The game's symbol at `size` points centred on `centre`, in `color`, over a soft light. Throws
// std::runtime_error when the symbol cannot be drawn (unknown name, icon theme missing): the
// artwork must never ship without it.
void emblem(QPainter& p, QPointF centre, double size, const QString& symbol, const QColor& color, double light = 0.35);

void drawCover(QPainter& p, const QRectF& area, const Subject& game);
void drawIcon(QPainter& p, const QRectF& area, const Subject& game);
// Screenshot `number` (1, 2, 3) of the game; false when the program has no such scene for it.
bool drawScreenshot(QPainter& p, const QRectF& area, const Subject& game, int number);
// The launcher's own icon.
void drawLauncherIcon(QPainter& p, const QRectF& area);

} // namespace novra::artwork
