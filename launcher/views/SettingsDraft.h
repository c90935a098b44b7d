#pragma once
// What the settings sheet offers beside the settings in force: the studio's defaults for the
// build source, and the library folder the folder chooser returns with the disks it needs.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace novra {

class SettingsDraft : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The studio site's catalog address, which the site switch turns on.
    Q_PROPERTY(QString defaultSourceURL READ defaultSourceURL CONSTANT)
    // The host name of that address, shown in the "Сайт" row.
    Q_PROPERTY(QString studioHost READ studioHost CONSTANT)
    // The SSH alias of the studio's build machine, shown as the field's placeholder.
    Q_PROPERTY(QString defaultHost READ defaultHost CONSTANT)

public:
    using QObject::QObject;

    static QString defaultSourceURL();
    static QString studioHost();
    static QString defaultHost();

    // The local path of a chosen folder; "" for anything but a local folder. And back.
    Q_INVOKABLE static QString folderPath(const QUrl& folder);
    Q_INVOKABLE static QUrl folderUrl(const QString& path);
    // The disks a library at `path` needs: the studio's two when it lies inside the studio's cache
    // disk ("/Volumes/NOVRACache/" and below), none otherwise.
    Q_INVOKABLE static QStringList requiredVolumes(const QString& path);
};

} // namespace novra
