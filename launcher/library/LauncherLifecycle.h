#pragma once
// The games the launcher started and which of them still run, the player's presence that follows
// them, and the desktop notifications with what their click does. One shared object on the main
// thread.
//
// Presence follows the most recently launched game that still runs: when it quits, the previous
// one still running, or none. Games started outside the launcher are never seen. A quit is noticed
// within one reconcile period (5 seconds).
#include <chrono>
#include <memory>
#include <utility>
#include <vector>

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "launcher/desktop/Workspace.h"

class QQmlEngine;
class QJSEngine;
class QTimer;

namespace novra {

class DesktopNotifications;
class SocialLink;

class LauncherLifecycle : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    static constexpr std::chrono::seconds kReconcileInterval{5};

    // Created on first use; its reconcile timer starts then.
    static LauncherLifecycle& shared();
    static LauncherLifecycle* create(QQmlEngine*, QJSEngine*);

    // The social model registers itself here when it is created (and none when it goes). Without
    // one, presence is not reported and the player counts as signed out.
    void setSocial(SocialLink* social);
    SocialLink* social() const { return social_; }

    // A game the library model started.
    void track(RunningApplicationPtr application, const QString& game);
    // Drops the games that have ended and reports the newest one still running as presence.
    void reconcile();
    // The games being tracked, oldest first, as of the last track or reconcile.
    std::vector<QString> trackedGames() const;

    // Posts a desktop notification at once; its click opens the friend's conversation. A failure
    // to post is silent.
    void notify(const QString& title, const QString& body, const QString& friendId);
    // Whether desktop notifications can be shown (a notification server answers).
    QCoro::Task<bool> requestNotifications();

signals:
    // Show the friends section of the library window.
    void openFriends();

private:
    LauncherLifecycle();
    void didReceive(const QString& friendId);

    std::vector<std::pair<RunningApplicationPtr, QString>> games_;
    QTimer* timer_;
    DesktopNotifications* notifications_;
    SocialLink* social_ = nullptr;
};

} // namespace novra
