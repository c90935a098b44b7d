#include "launcher/desktop/SingleInstance.h"

#include <stdexcept>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace novra {

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    if (!registered_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(QString::fromLatin1(kService));
    bus.unregisterObject(QString::fromLatin1(kPath));
}

SingleInstance::Claim SingleInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return Claim::Alone;
    const QString service = QString::fromLatin1(kService), path = QString::fromLatin1(kPath);
    // The object first, so that a start that finds the name taken always reaches it.
    if (!registered_ && !bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots)) return Claim::Alone;
    registered_ = true;
    QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        service, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) return Claim::Owned;

    bus.unregisterObject(path);
    registered_ = false;
    QDBusMessage activate =
        QDBusMessage::createMethodCall(service, path, QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
    activate << QVariantMap();
    QDBusMessage answer = bus.call(activate, QDBus::Block, 10000);
    if (answer.type() != QDBusMessage::ReplyMessage)
        throw std::runtime_error("NOVRA Launcher уже запущен, но не отвечает: " + answer.errorMessage().toStdString());
    return Claim::Activated;
}

void SingleInstance::Activate(const QVariantMap&) { emit activationRequested(); }

} // namespace novra
