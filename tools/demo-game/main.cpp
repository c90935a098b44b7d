// novra-demo-game: the program of every demo bundle. It lies in BUNDLE/Contents/MacOS and shows the
// game that BUNDLE/Contents/Resources/game.json describes (its cover.png where there is one, else
// a gradient of the game's colours) with a small toy to play, until its window is closed.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QUrl>
#include <QVariantMap>

#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "novra-demo-game: %s\n", message.toUtf8().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);

    QDir contents(QCoreApplication::applicationDirPath());
    if (contents.dirName() != "MacOS" || !contents.cdUp() || contents.dirName() != "Contents")
        return fail("программа должна лежать в папке Contents/MacOS приложения");
    QFile description(contents.filePath("Resources/game.json"));
    if (!description.open(QIODevice::ReadOnly)) return fail("нет описания игры " + description.fileName());
    const QJsonObject game = QJsonDocument::fromJson(description.readAll()).object();
    const QString title = game.value("title").toString();
    if (title.isEmpty()) return fail("в " + description.fileName() + " нет названия игры");

    const QJsonArray colors = game.value("colors").toArray();
    auto color = [&](int index, const char* fallback) {
        QColor value(colors.at(index).toString());
        return value.isValid() ? value : QColor(fallback);
    };
    const QString cover = contents.filePath("Resources/cover.png");

    QVariantMap shown{{"title", title},
                      {"version", game.value("version").toString()},
                      {"demoscene", game.value("category").toString() == "demoscene"},
                      {"light", color(0, "#8fb3ff")},
                      {"dark", color(1, "#101a33")},
                      {"cover", QFile::exists(cover) ? QUrl::fromLocalFile(cover) : QUrl()}};

    QQmlApplicationEngine engine;
    engine.setInitialProperties({{"game", shown}});
    engine.load(QUrl(QStringLiteral("qrc:/Novra/DemoGame/Main.qml")));
    if (engine.rootObjects().isEmpty()) return fail("окно игры не создано");
    return app.exec();
}
