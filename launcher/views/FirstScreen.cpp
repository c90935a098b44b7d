#include "launcher/views/FirstScreen.h"

#include <algorithm>

#include "launcher/views/GameVisual.h"
#include "launcher/views/LauncherResource.h"

namespace novra {

namespace {

// Rows of the collection list and cards of the grid that a first screen can show.
constexpr size_t kIcons = 16;
constexpr size_t kArtworks = 8;

} // namespace

void preloadFirstScreen(const std::vector<Game>& games, const QString& selected) {
    if (games.empty()) return;
    QList<std::pair<QString, QString>> images;
    const auto shown = std::find_if(games.begin(), games.end(), [&](const Game& g) { return g.id == selected.toStdString(); });
    const QString hero = QString::fromStdString(shown != games.end() ? shown->id : games.front().id);
    images.append({hero, QStringLiteral("covers")});
    for (const GameScreenshot& shot : GameScreenshot::forId(hero)) images.append({shot.name, QStringLiteral("screenshots")});
    for (size_t i = 0; i < games.size() && i < kIcons; ++i) {
        const QString id = QString::fromStdString(games[i].id);
        if (i < kArtworks) {
            images.append({id, QStringLiteral("covers")});
            images.append({id, QStringLiteral("screenshots")});
        }
        images.append({id, QStringLiteral("icons")});
    }
    LauncherResource::preload(images);
}

} // namespace novra
