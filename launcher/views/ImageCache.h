#pragma once
// Drawn images by key, bounded in bytes (the least recently used go first), for any thread: the
// scene graph draws on its own thread.
#include <optional>

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QString>

namespace novra {

class ImageCache {
public:
    explicit ImageCache(int kilobytes) : images_(kilobytes) {}

    std::optional<QImage> find(const QString& key) {
        QMutexLocker locker(&lock_);
        if (const QImage* found = images_.object(key))
            return *found;
        return std::nullopt;
    }
    void insert(const QString& key, const QImage& image) {
        QMutexLocker locker(&lock_);
        images_.insert(key, new QImage(image), int(image.sizeInBytes() / 1024) + 1);
    }
    void clear() {
        QMutexLocker locker(&lock_);
        images_.clear();
    }

private:
    QMutex lock_;
    QCache<QString, QImage> images_;
};

} // namespace novra
