#include "launcher/views/GameVisual.h"

#include <array>

namespace novra {

namespace {

struct VisualRow {
    const char16_t* id;
    QRgb color;
    const char16_t* caption;
};

// One row per game of the built-in catalog. The accents are spread around the colour wheel so
// that neighbouring cards never share a tint; all are light enough to read on the dark window.
constexpr std::array kVisuals{
    VisualRow{u"quiet-marsh", qRgb(152, 204, 146), u"Атмосферное приключение"},
    VisualRow{u"ember-run", qRgb(255, 112, 86), u"Платформер"},
    VisualRow{u"paper-kings", qRgb(236, 204, 120), u"Карточная дуэль"},
    VisualRow{u"orbit-post", qRgb(108, 164, 255), u"Космическая головоломка"},
    VisualRow{u"salt-and-iron", qRgb(92, 202, 194), u"Пошаговая стратегия"},
    VisualRow{u"night-ferry", qRgb(156, 146, 255), u"Сюжетное приключение"},
    VisualRow{u"glass-garden", qRgb(140, 236, 190), u"Головоломка со светом"},
    VisualRow{u"tin-orchestra", qRgb(242, 150, 214), u"Ритм-игра"},
    VisualRow{u"lantern-keep", qRgb(255, 170, 90), u"Рогалик"},
    VisualRow{u"copper-hills", qRgb(214, 160, 118), u"Гонки"},
    VisualRow{u"small-hours", qRgb(238, 226, 176), u"Словесная игра"},
    VisualRow{u"frost-signal", qRgb(140, 218, 255), u"Демосцена · 4 мин"},
    VisualRow{u"polar-bloom", qRgb(206, 150, 255), u"Демосцена · интро 64 КБ"},
    VisualRow{u"static-tide", qRgb(255, 128, 156), u"Демосцена · 3 мин"},
};

struct ScreenshotRow {
    const char16_t* id;
    std::array<const char16_t*, 3> captions;
};

constexpr std::array kScreenshots{
    ScreenshotRow{u"night-ferry", {u"Причал перед отплытием", u"Пассажиры на верхней палубе",
                                   u"Огни на другом берегу"}},
};

} // namespace

GameVisual GameVisual::forId(QStringView id) {
    for (const VisualRow& row : kVisuals)
        if (id == QStringView(row.id))
            return {QColor(row.color), QString::fromUtf16(row.caption)};
    return {QColor(211, 214, 220), QStringLiteral("NOVRA")};
}

QList<GameScreenshot> GameScreenshot::forId(QStringView id) {
    QList<GameScreenshot> list;
    for (const ScreenshotRow& row : kScreenshots) {
        if (id != QStringView(row.id))
            continue;
        for (size_t i = 0; i < row.captions.size(); ++i)
            list.append({id.toString() + u'-' + QString::number(i + 1), QString::fromUtf16(row.captions[i])});
    }
    return list;
}

} // namespace novra
