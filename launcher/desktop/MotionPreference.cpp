#include "launcher/desktop/MotionPreference.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace novra {

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.gnome.desktop.interface");
const QString kKey = QStringLiteral("enable-animations");

// The portal's Read answers a variant that holds the value's variant; unwrap every layer.
QVariant unwrap(QVariant value) {
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

MotionPreference::MotionPreference(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kPortal, kPortalPath, kSettings, QStringLiteral("SettingChanged"), QStringLiteral("ssv"), this,
                SLOT(settingChanged(QDBusMessage)));
    QDBusMessage read = QDBusMessage::createMethodCall(kPortal, kPortalPath, kSettings, QStringLiteral("Read"));
    read << kGroup << kKey;
    // Asked without waiting: the window must not wait for a portal that is slow to start.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        QDBusPendingReply<QDBusVariant> reply = *call;
        if (!reply.isError())
            apply(reply.argumentAt(0));
        call->deleteLater();
    });
}

void MotionPreference::settingChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() == 3 && arguments[0].toString() == kGroup && arguments[1].toString() == kKey)
        apply(arguments[2]);
}

void MotionPreference::apply(const QVariant& enableAnimations) {
    QVariant value = unwrap(enableAnimations);
    if (value.userType() != QMetaType::Bool)
        return;
    bool reduce = !value.toBool();
    if (reduce == reduceMotion_)
        return;
    reduceMotion_ = reduce;
    emit reduceMotionChanged();
}

} // namespace novra
