#include "launcher/views/Symbols.h"

#include <array>

#include <QIcon>
#include <QPainter>

#include "launcher/desktop/IconTheme.h"
#include "launcher/views/ImageCache.h"

namespace novra::Symbols {

namespace {

struct Row {
    const char16_t* symbol;
    const char16_t* icon;
};

// Symbol names of the views and the catalog → symbolic icons of adwaita-icon-theme. Where the
// theme has no icon of the same object, the nearest in meaning stands in.
constexpr std::array kTable{
    // The window, the game views, the settings and the friends panel.
    Row{u"gamecontroller.fill", u"input-gaming-symbolic"},
    Row{u"play.fill", u"media-playback-start-symbolic"},
    Row{u"arrow.down", u"document-save-symbolic"},
    Row{u"arrow.down.circle.fill", u"folder-download-symbolic"},
    Row{u"arrow.up", u"go-up-symbolic"},
    Row{u"arrow.up.right", u"go-next-symbolic"},
    Row{u"arrow.clockwise", u"view-refresh-symbolic"},
    Row{u"checkmark.circle", u"emblem-ok-symbolic"},
    Row{u"checkmark.circle.fill", u"emblem-default-symbolic"},
    Row{u"square.stack", u"edit-copy-symbolic"},
    Row{u"square.stack.fill", u"view-paged-symbolic"},
    Row{u"sparkles.tv", u"applications-multimedia-symbolic"},
    Row{u"person.2.fill", u"system-users-symbolic"},
    Row{u"person.2.wave.2.fill", u"emblem-shared-symbolic"},
    Row{u"rectangle.portrait.and.arrow.right", u"system-log-out-symbolic"},
    Row{u"exclamationmark.circle", u"emblem-important-symbolic"},
    Row{u"bell.badge", u"preferences-system-notifications-symbolic"},
    Row{u"gearshape", u"emblem-system-symbolic"},
    Row{u"network", u"network-wired-symbolic"},
    Row{u"wifi.slash", u"network-wireless-disabled-symbolic"},
    Row{u"plus", u"list-add-symbolic"},
    Row{u"xmark", u"window-close-symbolic"},
    Row{u"ellipsis", u"view-more-horizontal-symbolic"},
    Row{u"bubble.left.and.bubble.right", u"user-available-symbolic"},
    Row{u"magnifyingglass", u"system-search-symbolic"},
    Row{u"exclamationmark.triangle.fill", u"dialog-warning-symbolic"},
    Row{u"chevron.right", u"pan-end-symbolic"},
    Row{u"chevron.down", u"pan-down-symbolic"},
    // The catalog's games.
    Row{u"leaf.fill", u"emoji-nature-symbolic"},
    Row{u"flame.fill", u"weather-clear-symbolic"},
    Row{u"suit.spade.fill", u"emoji-symbols-symbolic"},
    Row{u"paperplane.fill", u"mail-send-symbolic"},
    Row{u"shield.fill", u"security-high-symbolic"},
    Row{u"moon.stars.fill", u"preferences-desktop-screensaver-symbolic"},
    Row{u"sparkles", u"starred-symbolic"},
    Row{u"music.note", u"emblem-music-symbolic"},
    Row{u"lightbulb.fill", u"emoji-objects-symbolic"},
    Row{u"flag.checkered", u"emoji-flags-symbolic"},
    Row{u"clock.fill", u"preferences-system-time-symbolic"},
    Row{u"waveform", u"audio-volume-high-symbolic"},
    Row{u"snowflake", u"weather-snow-symbolic"},
    Row{u"tv.fill", u"tv-symbolic"},
};

// The drawn symbols kept, in kilobytes: every symbol of a window at a few sizes and colours.
constexpr int kDrawnKilobytes = 2 * 1024;

} // namespace

QString iconName(QStringView symbol) {
    for (const Row& row : kTable)
        if (symbol == QStringView(row.symbol))
            return QString::fromUtf16(row.icon);
    return {};
}

QStringList names() {
    QStringList list;
    for (const Row& row : kTable)
        list.append(QString::fromUtf16(row.symbol));
    return list;
}

QImage render(QStringView symbol, int pixels, const QColor& color) {
    QString name = iconName(symbol);
    if (name.isEmpty() || pixels <= 0)
        return {};
    // The same symbol is drawn by many items at the same size and colour (a mark on every card);
    // its icon file is read and drawn once. The scene graph draws on its own thread.
    static ImageCache drawn(kDrawnKilobytes);
    const QString key = name + u'@' + QString::number(pixels) + u'#' + QString::number(color.rgba64(), 16);
    if (std::optional<QImage> found = drawn.find(key))
        return *found;
    desktop::useSymbolTheme();
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull())
        return {};
    QImage image = icon.pixmap(QSize(pixels, pixels), 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    if (image.size() != QSize(pixels, pixels))
        image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    drawn.insert(key, image);
    return image;
}

} // namespace novra::Symbols
