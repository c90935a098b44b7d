#include "launcher/views/LauncherResource.h"

#include <optional>
#include <system_error>

#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QtConcurrent>

#include "core/Catalog.h"
#include "platform/Paths.h"

namespace novra {

namespace {

// The cache and the root are shared by every thread that loads images (QML may load them off the
// main thread, and preload() reads ahead on the thread pool), so one lock guards them. Files are
// decoded outside the lock.
struct Store {
    QMutex lock;
    std::optional<QString> root;
    QHash<QString, QImage> images;
    // Reads ahead that have not ended, by key.
    QHash<QString, QFuture<void>> reading;
    // Counts the roots: a read ahead of an earlier root does not fill the cache.
    quint64 generation = 0;
};

Store& store() {
    static Store instance;
    return instance;
}

QString bundleResources() {
    try {
        if (std::optional<std::string> bundle = platform::runningBundle())
            return QDir(QString::fromStdString(*bundle)).filePath(QStringLiteral("Contents/Resources"));
    } catch (const std::system_error&) {
    }
    return {};
}

QImage decode(const QString& file) {
    QImageReader reader(file, "png");
    return reader.read();
}

// The file of a key below the root, or "" when the name is not a safe relative path or there is
// no root. Called with the lock held.
QString fileOf(Store& s, const QString& name, const QString& key) {
    if (name.contains(u'/') || !safeRelative(key.toStdString()))
        return {};
    if (!s.root)
        s.root = bundleResources();
    return s.root->isEmpty() ? QString() : QDir(*s.root).filePath(key + QStringLiteral(".png"));
}

} // namespace

QString LauncherResource::root() {
    Store& s = store();
    QMutexLocker locker(&s.lock);
    if (!s.root)
        s.root = bundleResources();
    return *s.root;
}

void LauncherResource::setRoot(const QString& root) {
    Store& s = store();
    QMutexLocker locker(&s.lock);
    s.root = root;
    s.images.clear();
    s.reading.clear();
    ++s.generation;
}

QImage LauncherResource::image(const QString& name, const QString& folder) {
    const QString key = folder + u'/' + name;
    Store& s = store();
    QMutexLocker locker(&s.lock);
    if (auto found = s.images.constFind(key); found != s.images.constEnd())
        return *found;
    // Read ahead already: wait for it rather than read the file a second time.
    if (auto reading = s.reading.constFind(key); reading != s.reading.constEnd()) {
        QFuture<void> ahead = *reading;
        locker.unlock();
        ahead.waitForFinished();
        locker.relock();
        if (auto found = s.images.constFind(key); found != s.images.constEnd())
            return *found;
    }
    const QString file = fileOf(s, name, key);
    if (file.isEmpty())
        return {};
    const quint64 generation = s.generation;
    locker.unlock();
    QImage image = decode(file);
    if (image.isNull())
        return {};
    locker.relock();
    if (generation == s.generation)
        s.images.insert(key, image);
    return image;
}

void LauncherResource::preload(const QList<std::pair<QString, QString>>& images) {
    Store& s = store();
    QMutexLocker locker(&s.lock);
    for (const auto& [name, folder] : images) {
        const QString key = folder + u'/' + name;
        if (s.images.contains(key) || s.reading.contains(key))
            continue;
        const QString file = fileOf(s, name, key);
        if (file.isEmpty() || !QFileInfo::exists(file))
            continue;
        const quint64 generation = s.generation;
        s.reading.insert(key, QtConcurrent::run([key, file, generation] {
            QImage image = decode(file);
            Store& s = store();
            QMutexLocker locker(&s.lock);
            if (generation != s.generation)
                return;
            if (!image.isNull())
                s.images.insert(key, image);
            s.reading.remove(key);
        }));
    }
}

bool LauncherResource::has(const QString& name, const QString& folder) const {
    return !image(name, folder).isNull();
}

} // namespace novra
