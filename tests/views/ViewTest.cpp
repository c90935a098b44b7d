#include "ViewTest.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Pictures.h"
#include "launcher/views/LauncherResource.h"

namespace novra::test {

QVariantMap ViewTest::game(const QString& id) const {
    QFile file(QStringLiteral(NOVRA_SOURCE_DIR "/resources/catalog.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray games = QJsonDocument::fromJson(file.readAll()).object().value(u"games").toArray();
    for (const QJsonValue& game : games)
        if (game.toObject().value(u"id").toString() == id)
            return game.toObject().toVariantMap();
    return {};
}

void ViewTest::useBundleResources() {
    own_.reset();
    LauncherResource::setRoot(QStringLiteral(NOVRA_BUNDLE_DIR "/Contents/Resources"));
}

void ViewTest::useOwnResources(const QVariantMap& images) {
    own_ = std::make_unique<QTemporaryDir>();
    QDir root(own_->path());
    for (auto entry = images.begin(); entry != images.end(); ++entry) {
        const QString path = root.filePath(entry.key() + QStringLiteral(".png"));
        root.mkpath(QFileInfo(path).path());
        QImage image(160, 90, QImage::Format_RGB32);
        image.fill(QColor(entry.value().toString()));
        image.save(path);
    }
    LauncherResource::setRoot(own_->path());
}

bool ViewTest::picture(QQuickItem* item, const QString& name) const { return savePicture(item, name); }

} // namespace novra::test
