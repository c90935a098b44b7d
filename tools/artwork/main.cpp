// novra-artwork CATALOG RESOURCES: draws the launcher's pictures of every game of the catalog
// (covers/<id>.png, icons/<id>.png, screenshots/<name>.png) and its own icon (launcher.png) into
// the bundle's resources folder, from each game's accent colour, symbol and title. Runs without a
// window (offscreen platform). Prints nothing on success; a failure is one line on standard error
// and exit status 1.
#include <cstdio>
#include <exception>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "core/LauncherCore.h"
#include "launcher/views/GameVisual.h"
#include "tools/artwork/Scenes.h"

namespace {

using namespace novra;

void save(const QImage& image, const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, "PNG"))
        throw std::runtime_error("cannot write " + path.toStdString());
}

template <class Draw> QImage picture(int width, int height, bool opaque, Draw draw) {
    QImage image(width, height, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QRectF(0, 0, width, height));
    painter.end();
    return image;
}

void run(const std::string& catalogFile, const QString& out) {
    const QDir root(out);
    const Catalog catalog = LauncherCore::loadCatalog(catalogFile);
    for (const Game& entry : catalog.games) {
        artwork::Subject game{QString::fromStdString(entry.id), QString::fromStdString(entry.title),
                              QString::fromStdString(entry.symbol), GameVisual::forId(QString::fromStdString(entry.id)).color};
        save(picture(1200, 675, true, [&](QPainter& p, const QRectF& area) { artwork::drawCover(p, area, game); }),
             root.filePath(QStringLiteral("covers/%1.png").arg(game.id)));
        save(picture(256, 256, true, [&](QPainter& p, const QRectF& area) { artwork::drawIcon(p, area, game); }),
             root.filePath(QStringLiteral("icons/%1.png").arg(game.id)));
        const QList<GameScreenshot> shots = GameScreenshot::forId(game.id);
        for (int i = 0; i < shots.size(); ++i) {
            QImage shot = picture(1280, 720, true, [&](QPainter& p, const QRectF& area) {
                if (!artwork::drawScreenshot(p, area, game, i + 1))
                    throw std::runtime_error("no scene for the screenshot " + shots[i].name.toStdString());
            });
            save(shot, root.filePath(QStringLiteral("screenshots/%1.png").arg(shots[i].name)));
        }
    }
    save(picture(256, 256, false, [](QPainter& p, const QRectF& area) { artwork::drawLauncherIcon(p, area); }),
         root.filePath(QStringLiteral("launcher.png")));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: novra-artwork CATALOG RESOURCES\n");
        return 1;
    }
    try {
        run(argv[1], QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "novra-artwork: %s\n", error.what());
        return 1;
    }
    return 0;
}
