#pragma once
// The desktop's reduce-motion preference: GNOME's "enable-animations" switch, read through the
// settings portal and followed while the launcher runs. Without a session bus or a portal that
// knows the key, motion stays on.
#include <QDBusMessage>
#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace novra {

class MotionPreference : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool reduceMotion READ reduceMotion NOTIFY reduceMotionChanged)

public:
    explicit MotionPreference(QObject* parent = nullptr);

    bool reduceMotion() const { return reduceMotion_; }

signals:
    void reduceMotionChanged();

public slots:
    // The portal's SettingChanged(group, key, value) signal, taken as the whole message: QtDBus
    // cannot connect a signal with a variant argument to a slot that takes QDBusVariant.
    void settingChanged(const QDBusMessage& message);

private:
    void apply(const QVariant& enableAnimations);

    bool reduceMotion_ = false;
};

} // namespace novra
