#include "AppTestSupport.h"

#include <filesystem>

#include <QCoroTimer>
#include <gtest/gtest.h>

#include "core/LauncherCore.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/views/LauncherResource.h"
#include "support/qt/QtAwait.h"

namespace fs = std::filesystem;

namespace novra::test {

LauncherEnvironment::LauncherEnvironment() {
    fs::create_directories(home());
    fs::create_directories(source());
    environment_.emplace_back("HOME", home());
    environment_.emplace_back("XDG_DATA_HOME", dir_ / "data");
    LauncherResource::setRoot(QStringLiteral(NOVRA_BUNDLE_DIR "/Contents/Resources"));
    trust_ = std::make_unique<TrustKey>(studioKeys().publicKey);
    server_ = std::make_unique<HttpsServer>();
}

LauncherEnvironment::~LauncherEnvironment() = default;

Settings LauncherEnvironment::settings() const {
    Settings settings;
    settings.sourceURL = server_ ? server_->url() : "https://127.0.0.1:9";
    settings.library = library();
    return settings;
}

void LauncherEnvironment::writeSettings(const Settings& settings) {
    fs::create_directories(state());
    LauncherCore::atomicJSON(settings.encode(), state() + "/settings.json");
}

void LauncherEnvironment::serve(const std::string& relative) {
    if (server_) server_->serveFile("/" + relative, source() + "/" + relative);
}

Game LauncherEnvironment::publish(const std::string& id, const std::string& version,
                                  std::vector<std::pair<std::string, std::string>> files) {
    const std::string bundle = dir_ / ("bundles/" + id + "-" + version + "/Game.app");
    files.emplace_back("Contents/Resources/version.txt", version);
    makeBundle(bundle, {.files = files});
    // The built-in title, summary, symbol and category where the bundle carries the game, so the
    // views show the same game.
    std::vector<std::string> arguments{"release", source(), bundle, "--id", id, "--version", version, "--key",
                                       studioKeys().privateKey, "--title", "Test"};
    for (const Game& known : builtInCatalog().games)
        if (known.id == id) {
            arguments.back() = known.title;
            arguments.insert(arguments.end(), {"--summary", known.summary, "--symbol", known.symbol});
            if (known.category) arguments.insert(arguments.end(), {"--category", *known.category});
        }
    RunResult result = run(publishTool(), arguments);
    if (result.status != 0) throw std::runtime_error("novra-publish release failed: " + result.err);
    serve("catalog.json");
    serve("packages/" + version + ".tar.gz");
    for (const Game& game : sourceCatalog().games)
        if (game.id == id) return game;
    throw std::runtime_error("the published game is not in the catalog");
}

void LauncherEnvironment::publishLauncher(const std::string& bundle, int64_t build,
                                          const std::string& version) {
    RunResult result =
        run(publishTool(), {"launcher-update", source(), bundle, "--build", std::to_string(build),
                            "--version", version, "--key", studioKeys().privateKey});
    if (result.status != 0) throw std::runtime_error("novra-publish launcher-update failed: " + result.err);
    serve("launcher-update.json");
    serve("packages/" + version + ".tar.gz");
}

void LauncherEnvironment::writeLauncherManifest(const LauncherUpdate& update) {
    LauncherCore::atomicJSON(update.encode(), source() + "/launcher-update.json");
    serve("launcher-update.json");
}

void LauncherEnvironment::writeSourceCatalog(const Catalog& catalog) {
    LauncherCore::atomicJSON(catalog.encode(), source() + "/catalog.json");
    serve("catalog.json");
}

Catalog LauncherEnvironment::sourceCatalog() const { return LauncherCore::loadCatalog(source() + "/catalog.json"); }

void LauncherEnvironment::stopServer() { server_.reset(); }

std::vector<std::string> LauncherEnvironment::temporaryFiles() const {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(library(), error)) {
        const std::string name = entry.path().filename();
        const bool package = name.rfind(".launcher-update-", 0) == 0 && name.ends_with(".tar.gz");
        if (name.rfind(".catalog-", 0) == 0 || name.rfind(".download-", 0) == 0 ||
            name.rfind(".launcher-check-", 0) == 0 || package)
            found.push_back(name);
    }
    return found;
}

QCoro::Task<void> FakeSocial::offline() {
    ++offlineCalls;
    while (!offlineDone) {
        QCoro::Task<> pause = QCoro::sleepFor(std::chrono::milliseconds(10));
        co_await pause;
    }
}

void refreshBy(LibraryModel& model, const std::function<void()>& start) {
    int changes = 0;
    QObject context;
    QObject::connect(&model, &LibraryModel::checkingChanged, &context, [&] { ++changes; });
    start();
    ASSERT_TRUE(waitUntil([&] { return changes == 2 && !model.checking(); }));
}

void refresh(LibraryModel& model) {
    refreshBy(model, [&] { model.refresh(); });
}

void install(LibraryModel& model, const std::string& id) {
    model.install(QString::fromStdString(id));
    ASSERT_EQ(model.busy().toStdString(), id);
    ASSERT_TRUE(waitUntil([&] { return model.busy().isEmpty(); }, std::chrono::seconds(60)));
    ASSERT_EQ(model.error(), "");
}

std::vector<std::string> idsOf(const std::vector<Game>& games) {
    std::vector<std::string> ids;
    for (const Game& game : games) ids.push_back(game.id);
    return ids;
}

Catalog builtInCatalog() { return LauncherCore::loadCatalog(std::string(NOVRA_BUNDLE_DIR) + "/Contents/Resources/catalog.json"); }

} // namespace novra::test
