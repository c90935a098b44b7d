#include "launcher/views/Presentation.h"

#include <QVariantMap>

#include "launcher/desktop/IconTheme.h"
#include "launcher/views/FileSize.h"
#include "launcher/views/GameVisual.h"
#include "launcher/views/Symbols.h"

namespace novra {

QColor Presentation::color(const QString& gameId) const {
    return GameVisual::forId(gameId).color;
}

QString Presentation::caption(const QString& gameId) const {
    return GameVisual::forId(gameId).caption;
}

QVariantList Presentation::screenshots(const QString& gameId) const {
    QVariantList list;
    for (const GameScreenshot& shot : GameScreenshot::forId(gameId))
        list.append(QVariantMap{{QStringLiteral("name"), shot.name}, {QStringLiteral("caption"), shot.caption}});
    return list;
}

QString Presentation::fileSize(qint64 bytes) const {
    return fileSizeText(bytes);
}

QString Presentation::percent(double fraction) const {
    return percentText(fraction);
}

QString Presentation::iconName(const QString& symbol) const {
    desktop::useSymbolTheme();
    return Symbols::iconName(symbol);
}

} // namespace novra
