#pragma once
// How the launcher presents each of the studio's games: its accent colour and caption, and the
// captioned screenshots shipped for it. Both are fixed tables keyed by game identifier; the views
// and the artwork program read them from here.
#include <QColor>
#include <QList>
#include <QString>

namespace novra {

struct GameVisual {
    QColor color;
    QString caption;

    // The row of the game; any identifier not in the table gets the neutral row ("NOVRA").
    static GameVisual forId(QStringView id);
};

struct GameScreenshot {
    // Resource name in the "screenshots" folder: the game identifier followed by "-1", "-2", ...
    QString name;
    QString caption;

    // The game's screenshots in order; none for most games.
    static QList<GameScreenshot> forId(QStringView id);
};

} // namespace novra
