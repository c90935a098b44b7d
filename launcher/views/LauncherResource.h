#pragma once
// The launcher's own images: PNG files in the running bundle's Contents/Resources, by folder
// ("covers", "screenshots", "icons") and name, loaded once per process.
#include <utility>

#include <QImage>
#include <QList>
#include <QSize>
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
    // name is not a safe relative path. A miss is not remembered. Full-size images stay in the
    // cache only while they are being used: a few seconds after the last full-size lookup they are
    // dropped (and the heap they held returned to the system); the next lookup reads the file again.
    static QImage image(const QString& name, const QString& folder);
    // The image scaled to exactly `pixels` (smooth scaling, the aspect ratio is the caller's
    // business), as the views draw it. Scaled images stay in a cache bounded in bytes, so that a
    // view drawn again at the same size finds its pixels without reading the file.
    static QImage scaled(const QString& name, const QString& folder, QSize pixels);
    // The image's size in pixels as its file's header gives it, invalid when image() would find no
    // image; reads no pixels.
    static QSize size(const QString& name, const QString& folder);
    // Starts reading these images (name, folder), in this order, into the cache on one thread of
    // the pool, so that the window's first lookups find them decoded; a lookup of an image still being read waits
    // for it instead of reading the file again. Absent files are skipped.
    static void preload(const QList<std::pair<QString, QString>>& images);
    // Drops the full-size images now rather than after their delay, and returns the freed heap.
    static void releaseFullImages();

    // The resources folder: the running bundle's Contents/Resources, none when the program does
    // not run from a bundle. Setting another root (tests, tools) empties the cache.
    static QString root();
    static void setRoot(const QString& root);

    // Whether image(name, folder) finds an image; for the views' fallbacks.
    Q_INVOKABLE bool has(const QString& name, const QString& folder) const;
};

} // namespace novra
