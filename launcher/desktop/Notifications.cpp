#include "launcher/desktop/Notifications.h"

#include <QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include "launcher/views/LauncherResource.h"

namespace novra {
namespace {

const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

QDBusMessage call(const QString& method) {
    return QDBusMessage::createMethodCall(QString::fromLatin1(DesktopNotifications::kService),
                                          QString::fromLatin1(DesktopNotifications::kPath), kInterface, method);
}

// The launcher's icon among the bundle's resources, when the bundle carries one.
QString iconPath() {
    const QString root = LauncherResource::root();
    const QString icon = root + QStringLiteral("/launcher.png");
    return !root.isEmpty() && QFileInfo(icon).isFile() ? icon : QString();
}

} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent) { listen(); }

void DesktopNotifications::listen() {
    if (listening_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    const QString service = QString::fromLatin1(kService), path = QString::fromLatin1(kPath);
    listening_ = bus.connect(service, path, kInterface, QStringLiteral("ActionInvoked"), this,
                             SLOT(onActionInvoked(uint, QString))) &&
                 bus.connect(service, path, kInterface, QStringLiteral("NotificationClosed"), this,
                             SLOT(onClosed(uint, uint)));
}

void DesktopNotifications::post(const QString& title, const QString& body, const QString& friendId) {
    listen();
    send(title, body, friendId);
}

QCoro::Task<void> DesktopNotifications::send(QString title, QString body, QString friendId) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) co_return;
    QDBusMessage message = call(QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    message << QString::fromLatin1(kApplicationName) << uint(0) << iconPath() << title << body
            << QStringList{kDefaultAction, QStringLiteral("Открыть")} << hints << int(-1);
    QPointer<DesktopNotifications> self(this);
    QDBusPendingCall pending = bus.asyncCall(message);
    QDBusPendingReply<uint> reply = co_await pending;
    if (!self || reply.isError()) co_return;
    friends_.insert(reply.value(), friendId);
}

QCoro::Task<bool> DesktopNotifications::available() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) co_return false;
    QDBusPendingCall pending = bus.asyncCall(call(QStringLiteral("GetServerInformation")));
    QDBusPendingReply<QString, QString, QString, QString> reply = co_await pending;
    co_return !reply.isError();
}

void DesktopNotifications::onActionInvoked(uint id, const QString& action) {
    auto found = friends_.find(id);
    // Other programs' notifications come through the same signal.
    if (found == friends_.end() || action != kDefaultAction) return;
    emit clicked(found.value());
}

void DesktopNotifications::onClosed(uint id, uint) { friends_.remove(id); }

} // namespace novra
