#pragma once
// The game presentation tables and texts for the QML views: a game's accent colour, caption and
// screenshots (GameVisual, GameScreenshot), file-style sizes and percents, and the icon names of
// symbols for Qt Quick Controls' icon.name.
#include <QColor>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace novra {

class Presentation : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE QColor color(const QString& gameId) const;
    Q_INVOKABLE QString caption(const QString& gameId) const;
    // [{name, caption}, ...] in order; empty for a game without screenshots.
    Q_INVOKABLE QVariantList screenshots(const QString& gameId) const;
    Q_INVOKABLE QString fileSize(qint64 bytes) const;
    // Progress as a whole percent, cut (never rounded): 0.999 → "99%".
    Q_INVOKABLE QString percent(double fraction) const;
    // The freedesktop icon name of a symbol, for a control's icon.name (with icon.color).
    Q_INVOKABLE QString iconName(const QString& symbol) const;
};

} // namespace novra
