#include "launcher/social/model/SocialHost.h"

#include <QGuiApplication>

#include "launcher/library/LauncherLifecycle.h"
#include "launcher/library/LibraryModel.h"

namespace novra {

SocialHost SocialHost::application() {
    SocialHost host;
    host.notify = [](const QString& title, const QString& body, const QString& friendId) {
        LauncherLifecycle::shared().notify(title, body, friendId);
    };
    host.requestNotifications = [] { return LauncherLifecycle::shared().requestNotifications(); };
    host.games = []() -> const std::vector<Game>& { return LibraryModel::shared().games(); };
    host.applicationActive = [] {
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
               QGuiApplication::applicationState() == Qt::ApplicationActive;
    };
    return host;
}

} // namespace novra
