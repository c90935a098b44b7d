#include "launcher/views/LauncherResource.h"

#include <memory>
#include <optional>
#include <vector>
#include <system_error>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QPromise>
#include <QTimer>
#include <QtConcurrent>

#include "core/Catalog.h"
#include "launcher/views/ImageCache.h"
#include "platform/Memory.h"
#include "platform/Paths.h"

namespace novra {

namespace {

// Full-size images are dropped this long after the last one was read or used.
constexpr int kFullImageMilliseconds = 3000;
// The scaled images kept, in kilobytes: the first screen of a large window several times over.
constexpr int kScaledKilobytes = 24 * 1024;

// The cache and the root are shared by every thread that loads images (the scene graph paints off
// the main thread, and preload() reads ahead on the thread pool), so one lock guards them. Files
// are decoded and images scaled outside the lock.
struct Store {
    QMutex lock;
    std::optional<QString> root;
    // Full-size images, until their delay runs out.
    QHash<QString, QImage> images;
    // Scaled images by key and size.
    ImageCache scaled{kScaledKilobytes};
    // Sizes of the images found, by key.
    QHash<QString, QSize> sizes;
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

// Reads the file of a key with the lock released: `read` takes the file's path and gives a null
// value when it finds nothing, as it does for an unsafe name or without a root. Called and
// returns with the lock held; `current` tells whether the root is still the one the read began
// under.
template <typename Read>
auto readFile(Store& s, QMutexLocker<QMutex>& locker, const QString& name, const QString& key, Read read,
              bool& current) {
    using Value = decltype(read(QString()));
    const QString file = fileOf(s, name, key);
    if (file.isEmpty())
        return Value();
    const quint64 generation = s.generation;
    locker.unlock();
    Value value = read(file);
    locker.relock();
    current = generation == s.generation;
    return value;
}

// (Re)starts the delay after which the full-size images are dropped; from any thread, on the
// application's thread. Without an application the images stay.
void releaseLater() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(application, [application] {
        static QTimer* timer = [application] {
            auto* t = new QTimer(application);
            t->setSingleShot(true);
            t->setInterval(kFullImageMilliseconds);
            QObject::connect(t, &QTimer::timeout, [] { LauncherResource::releaseFullImages(); });
            return t;
        }();
        timer->start();
    }, Qt::QueuedConnection);
}

// The cache's key of a resource: "folder/name".
QString keyOf(const QString& name, const QString& folder) {
    return folder + u'/' + name;
}

// What `table` holds for `key`, if anything.
template <typename T>
std::optional<T> held(const QHash<QString, T>& table, const QString& key) {
    const auto found = table.constFind(key);
    return found != table.constEnd() ? std::optional<T>(*found) : std::nullopt;
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
    s.scaled.clear();
    s.sizes.clear();
    s.reading.clear();
    ++s.generation;
}

QImage LauncherResource::image(const QString& name, const QString& folder) {
    const QString key = keyOf(name, folder);
    Store& s = store();
    QMutexLocker locker(&s.lock);
    if (std::optional<QImage> found = held(s.images, key))
        return *found;
    // Read ahead already: wait for it rather than read the file a second time.
    if (std::optional<QFuture<void>> reading = held(s.reading, key)) {
        QFuture<void> ahead = *reading;
        locker.unlock();
        ahead.waitForFinished();
        locker.relock();
        if (std::optional<QImage> found = held(s.images, key))
            return *found;
    }
    bool current = false;
    QImage image = readFile(s, locker, name, key, decode, current);
    if (image.isNull())
        return {};
    if (current) {
        s.images.insert(key, image);
        s.sizes.insert(key, image.size());
    }
    releaseLater();
    return image;
}

QImage LauncherResource::scaled(const QString& name, const QString& folder, QSize pixels) {
    const QString key = keyOf(name, folder);
    const QString sized = key + u'@' + QString::number(pixels.width()) + u'x' + QString::number(pixels.height());
    Store& s = store();
    if (std::optional<QImage> found = s.scaled.find(sized))
        return *found;
    const quint64 generation = [&s] {
        QMutexLocker locker(&s.lock);
        return s.generation;
    }();
    const QImage full = image(name, folder);
    if (full.isNull() || pixels.isEmpty())
        return full;
    QImage result = full.size() == pixels ? full : full.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Not kept when the root changed meanwhile: the image may be the former root's.
    QMutexLocker locker(&s.lock);
    if (generation == s.generation)
        s.scaled.insert(sized, result);
    return result;
}

QSize LauncherResource::size(const QString& name, const QString& folder) {
    const QString key = keyOf(name, folder);
    Store& s = store();
    QMutexLocker locker(&s.lock);
    if (std::optional<QSize> found = held(s.sizes, key))
        return *found;
    // The header alone: a file that is not an image gives no size.
    auto header = [](const QString& file) {
        QImageReader reader(file, "png");
        return reader.canRead() ? reader.size() : QSize();
    };
    bool current = false;
    const QSize found = readFile(s, locker, name, key, header, current);
    if (!found.isValid())
        return {};
    if (current)
        s.sizes.insert(key, found);
    return found;
}

void LauncherResource::releaseFullImages() {
    Store& s = store();
    QHash<QString, QImage> dropped;
    {
        QMutexLocker locker(&s.lock);
        dropped.swap(s.images);
    }
    dropped.clear();
    platform::returnFreedMemory();
}

void LauncherResource::preload(const QList<std::pair<QString, QString>>& images) {
    // One task reads the images one after the other, so that the window being built keeps a core
    // of a small machine; each image has a future of its own that its lookup can wait for.
    struct Read {
        QString key;
        QString file;
        QPromise<void> done;
    };
    auto reads = std::make_shared<std::vector<Read>>();
    Store& s = store();
    QMutexLocker locker(&s.lock);
    const quint64 generation = s.generation;
    for (const auto& [name, folder] : images) {
        const QString key = keyOf(name, folder);
        if (s.images.contains(key) || s.reading.contains(key))
            continue;
        const QString file = fileOf(s, name, key);
        if (file.isEmpty() || !QFileInfo::exists(file))
            continue;
        Read& read = reads->emplace_back(Read{key, file, QPromise<void>()});
        read.done.start();
        s.reading.insert(key, read.done.future());
    }
    if (reads->empty())
        return;
    (void)QtConcurrent::run([reads, generation] {
        Store& s = store();
        for (Read& read : *reads) {
            // A read ahead of a root that was replaced meanwhile reads nothing more.
            QMutexLocker locker(&s.lock);
            const bool current = generation == s.generation;
            locker.unlock();
            QImage image = current ? decode(read.file) : QImage();
            locker.relock();
            if (generation == s.generation) {
                if (!image.isNull()) {
                    s.images.insert(read.key, image);
                    s.sizes.insert(read.key, image.size());
                }
                s.reading.remove(read.key);
            }
            locker.unlock();
            read.done.finish();
        }
        releaseLater();
    });
}

bool LauncherResource::has(const QString& name, const QString& folder) const {
    return size(name, folder).isValid();
}

} // namespace novra
