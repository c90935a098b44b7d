#include "launcher/social/model/SocialHost.h"

#include <QGuiApplication>

namespace novra {

SocialHost SocialHost::application() {
    SocialHost host;
    // TODO(lifecycle): post through the application lifecycle and read the library's games once
    // they exist; until then nothing is posted, permission is refused and no game has a title.
    host.notify = [](const QString&, const QString&, const QString&) {};
    host.requestNotifications = []() -> QCoro::Task<bool> { co_return false; };
    host.games = []() -> const std::vector<Game>& {
        static const std::vector<Game> none;
        return none;
    };
    host.applicationActive = [] {
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
               QGuiApplication::applicationState() == Qt::ApplicationActive;
    };
    return host;
}

} // namespace novra
