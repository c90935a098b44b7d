#pragma once
// Desktop notifications over the session bus (org.freedesktop.Notifications): "Notify" with the
// launcher's name and icon, a default action and the sound hint "message-new-instant". The
// launcher remembers which friend each of its notifications concerns: "ActionInvoked" with the
// default action is the click, "NotificationClosed" forgets the notification. Posting never fails
// loudly: without a bus or a server nothing is shown.
#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QString>

namespace novra {

class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kApplicationName = "NOVRA Launcher";

    explicit DesktopNotifications(QObject* parent = nullptr);

    // Shows a notification now; `friendId` (empty for none) comes back with its click.
    void post(const QString& title, const QString& body, const QString& friendId);
    // Whether a notification server answers (its server information).
    QCoro::Task<bool> available();

signals:
    // The user clicked one of the launcher's notifications; `friendId` is empty when it named none.
    void clicked(const QString& friendId);

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    void listen();
    QCoro::Task<void> send(QString title, QString body, QString friendId);

    bool listening_ = false;
    QHash<uint, QString> friends_;
};

} // namespace novra
