#include "launcher/views/LauncherResource.h"

#include <optional>
#include <system_error>

#include <QDir>
#include <QHash>
#include <QImageReader>
#include <QMutex>

#include "core/Catalog.h"
#include "platform/Paths.h"

namespace novra {

namespace {

// The cache and the root are shared by every thread that loads images (QML may load them off the
// main thread), so one lock guards both.
struct Store {
    QMutex lock;
    std::optional<QString> root;
    QHash<QString, QImage> images;
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
}

QImage LauncherResource::image(const QString& name, const QString& folder) {
    const QString key = folder + u'/' + name;
    Store& s = store();
    QMutexLocker locker(&s.lock);
    if (auto found = s.images.constFind(key); found != s.images.constEnd())
        return *found;
    if (name.contains(u'/') || !safeRelative(key.toStdString()))
        return {};
    if (!s.root)
        s.root = bundleResources();
    if (s.root->isEmpty())
        return {};
    QImageReader reader(QDir(*s.root).filePath(key + QStringLiteral(".png")), "png");
    QImage image = reader.read();
    if (image.isNull())
        return {};
    s.images.insert(key, image);
    return image;
}

bool LauncherResource::has(const QString& name, const QString& folder) const {
    return !image(name, folder).isNull();
}

} // namespace novra
