#pragma once
// What the social model needs from the rest of the launcher: posting a desktop notification and
// asking for permission to (the lifecycle), the library's games (to name a friend's game), and
// whether the launcher is the active application. The application fills it from its own objects;
// tests fill it with recorders.
#include <functional>
#include <vector>

#include <QCoroTask>
#include <QString>

#include "core/Catalog.h"

namespace novra {

struct SocialHost {
    // Posts a desktop notification at once; a click on it opens that friend's conversation.
    std::function<void(const QString& title, const QString& body, const QString& friendId)> notify;
    // Asks the desktop whether the launcher may show notifications.
    std::function<QCoro::Task<bool>()> requestNotifications;
    // The library's catalog entries.
    std::function<const std::vector<Game>&()> games;
    // Whether the launcher is the active (frontmost) application.
    std::function<bool()> applicationActive;

    // The launcher's own: the application lifecycle, the library model and the application's state.
    static SocialHost application();
};

} // namespace novra
