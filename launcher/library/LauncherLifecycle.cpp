#include "launcher/library/LauncherLifecycle.h"

#include <algorithm>

#include <QGuiApplication>
#include <QPointer>
#include <QQmlEngine>
#include <QTimer>

#include "launcher/desktop/Notifications.h"
#include "launcher/desktop/Windows.h"
#include "launcher/library/SocialLink.h"

namespace novra {

LauncherLifecycle& LauncherLifecycle::shared() {
    // Lives as long as the process; never destroyed, so nothing outlives it at exit.
    static LauncherLifecycle* instance = new LauncherLifecycle();
    return *instance;
}

LauncherLifecycle* LauncherLifecycle::create(QQmlEngine*, QJSEngine*) {
    QQmlEngine::setObjectOwnership(&shared(), QQmlEngine::CppOwnership);
    return &shared();
}

LauncherLifecycle::LauncherLifecycle()
    : timer_(new QTimer(this)), notifications_(new DesktopNotifications(this)) {
    timer_->setInterval(kReconcileInterval);
    connect(timer_, &QTimer::timeout, this, &LauncherLifecycle::reconcile);
    timer_->start();
    connect(notifications_, &DesktopNotifications::clicked, this, &LauncherLifecycle::didReceive);
}

void LauncherLifecycle::setSocial(SocialLink* social) { social_ = social; }

void LauncherLifecycle::track(RunningApplicationPtr application, const QString& game) {
    const pid_t pid = application->pid();
    std::erase_if(games_, [pid](const auto& pair) { return pair.first->pid() == pid; });
    games_.emplace_back(std::move(application), game);
    reconcile();
}

void LauncherLifecycle::reconcile() {
    std::erase_if(games_, [](const auto& pair) { return pair.first->isTerminated(); });
    if (!social_) return;
    std::optional<QString> current;
    if (!games_.empty()) current = games_.back().second;
    if (social_->currentGame() == current) return;
    social_->setGame(current);
}

std::vector<QString> LauncherLifecycle::trackedGames() const {
    std::vector<QString> ids;
    for (const auto& pair : games_) ids.push_back(pair.second);
    return ids;
}

void LauncherLifecycle::notify(const QString& title, const QString& body, const QString& friendId) {
    notifications_->post(title, body, friendId);
}

QCoro::Task<bool> LauncherLifecycle::requestNotifications() { return notifications_->available(); }

void LauncherLifecycle::didReceive(const QString& friendId) {
    if (!friendId.isEmpty() && social_) social_->select(friendId);
    bringLibraryWindowToFront();
    emit openFriends();
}

} // namespace novra
