#pragma once
// The launcher's own images: PNG files in the running bundle's Contents/Resources, by folder
// ("covers", "screenshots", "icons") and name, loaded once per process.
#include <utility>

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace novra {

class LauncherResource : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // The image ROOT/folder/name.png, or a null image when the file is absent, unreadable or the
    // name is not a safe relative path. Found images stay in a process-wide cache (no size limit):
    // a second lookup never touches the files again. A miss is not remembered.
    static QImage image(const QString& name, const QString& folder);
    // Starts reading these images (name, folder) into the cache on the thread pool, so that the
    // window's first lookups find them decoded; a lookup of an image still being read waits for
    // it instead of reading the file again. Absent files are skipped.
    static void preload(const QList<std::pair<QString, QString>>& images);

    // The resources folder: the running bundle's Contents/Resources, none when the program does
    // not run from a bundle. Setting another root (tests, tools) empties the cache.
    static QString root();
    static void setRoot(const QString& root);

    // Whether image(name, folder) finds an image; for the views' fallbacks.
    Q_INVOKABLE bool has(const QString& name, const QString& folder) const;
};

} // namespace novra
