// The library model against a local HTTPS build source that the studio's tool publishes into.
#include <filesystem>
#include <functional>
#include <map>

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "core/LauncherCore.h"
#include "launcher/library/LauncherLifecycle.h"
#include "launcher/library/LibraryModel.h"
#include "support/Network.h"
#include "support/qt/QtAwait.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const QString kOffline = QStringLiteral("Источник сборок недоступен. Установленные игры можно запускать.");

class LibraryModelTest : public ::testing::Test {
protected:
    // No operation leaves a temporary file in the library, however it ended.
    void TearDown() override { EXPECT_EQ(env.temporaryFiles(), std::vector<std::string>{}); }

    std::string velmora() const { return env.home() + "/Applications/Velmora.app"; }

    LauncherEnvironment env;
};

} // namespace

TEST_F(LibraryModelTest, FirstStartReadsTheBuiltInCatalogAndTheLinks) {
    fs::create_directories(velmora());
    const std::string kept = env.home() + "/Games/Ember.app";
    fs::create_directories(kept);
    writeFile(env.state() + "/linked.json",
              "{\"ember-run\": \"" + kept + "\", \"paper-kings\": \"" + env.home() + "/Gone.app\"}");
    // A damaged cache counts as none, without a message.
    writeFile(env.state() + "/catalog.json", "{\"schema\": 1, \"games\": [");

    LibraryModel model;
    EXPECT_EQ(model.error(), "");
    EXPECT_EQ(idsOf(model.games()), idsOf(builtInCatalog().games));
    // No settings document: the defaults, and nothing written.
    EXPECT_EQ(model.settings(), Settings());
    EXPECT_FALSE(exists(env.state() + "/settings.json"));
    // The link whose application has gone is dropped; the standalone game is linked to its app.
    EXPECT_EQ(model.linked(), (std::map<std::string, std::string>{{"ember-run", kept}, {"quiet-marsh", velmora()}}));
    EXPECT_EQ(model.status("quiet-marsh"), "Готова к запуску");
    EXPECT_EQ(model.status("orbit-post"), "Сборка ещё не опубликована");
    EXPECT_EQ(idsOf(model.libraryGames()), (std::vector<std::string>{"quiet-marsh", "ember-run"}));
    EXPECT_EQ(model.installedCount(), 2);
    EXPECT_EQ(model.updateCount(), 0);
    // A linked game and one without a release cannot be installed.
    model.install(QStringLiteral("quiet-marsh"));
    model.install(QStringLiteral("orbit-post"));
    EXPECT_EQ(model.busy(), "");
}

TEST_F(LibraryModelTest, AReleaseOfTheStandaloneGameReplacesItsLink) {
    fs::create_directories(velmora());
    writeFile(env.state() + "/linked.json", "{\"quiet-marsh\": \"" + velmora() + "\"}");
    env.writeSettings();
    env.publish("quiet-marsh", "1.0");
    LibraryModel model;
    EXPECT_EQ(model.status("quiet-marsh"), "Готова к запуску");
    refresh(model);
    EXPECT_TRUE(model.linked().empty());
    EXPECT_EQ(model.status("quiet-marsh"), "Можно установить");
    // The next start reads the release from the cached catalog: the link stays gone.
    LibraryModel restarted;
    EXPECT_TRUE(restarted.linked().empty());
    EXPECT_EQ(restarted.status("quiet-marsh"), "Можно установить");
}

TEST_F(LibraryModelTest, InvalidSettingsLeaveTheLibraryEmptyUntilSaved) {
    Settings invalid = env.settings();
    invalid.library = "relative/library";
    env.writeSettings(invalid);
    writeFile(env.state() + "/linked.json", "{\"ember-run\": \"" + env.home() + "\"}");

    LibraryModel model;
    EXPECT_EQ(model.error(), "Выберите папку библиотеки");
    EXPECT_EQ(model.settings(), invalid);
    EXPECT_TRUE(model.games().empty());
    EXPECT_TRUE(model.linked().empty());

    refresh(model);
    EXPECT_FALSE(model.online());
    EXPECT_EQ(model.notice(), kOffline);
    EXPECT_EQ(model.connectionDetail(), "Выберите папку библиотеки");
    EXPECT_TRUE(model.games().empty());
    EXPECT_EQ(env.server().requests("/catalog.json"), 0);

    // Valid settings, once saved, are stored and the next refresh fills the library.
    env.publish("ember-run", "1.0");
    refreshBy(model, [&] { model.saveSettings(env.settings()); });
    EXPECT_EQ(Settings::fromJSON(readFile(env.state() + "/settings.json")), env.settings());
    EXPECT_TRUE(model.online());
    EXPECT_EQ(idsOf(model.games()), std::vector<std::string>{"ember-run"});
}

TEST_F(LibraryModelTest, RefreshCachesTheCatalogKeepsTheOrderAndStripsWithdrawnReleases) {
    env.writeSettings();
    Game ember = env.publish("ember-run", "1.0");
    env.publish("new-game", "2.0");
    LibraryModel model;
    refresh(model);
    EXPECT_EQ(model.notice(), "Каталог обновлён");
    EXPECT_TRUE(model.online());
    EXPECT_TRUE(model.lastCheck().isValid());
    EXPECT_EQ(model.connectionDetail(), "");
    std::vector<std::string> order = idsOf(builtInCatalog().games);
    order.push_back("new-game");
    EXPECT_EQ(idsOf(model.games()), order);
    EXPECT_EQ(*model.game("ember-run"), ember);
    EXPECT_EQ(LauncherCore::loadCatalog(env.state() + "/catalog.json"), env.sourceCatalog());
    install(model, "ember-run");

    // The studio withdraws both games: they keep their places without a release; the installed
    // one stays in the library, the other leaves it.
    Game orbit = env.publish("orbit-post", "3.0");
    env.writeSourceCatalog(Catalog{1, {orbit}});
    refresh(model);
    EXPECT_EQ(idsOf(model.games()), order);
    EXPECT_FALSE(model.game("ember-run")->release);
    EXPECT_FALSE(model.game("new-game")->release);
    EXPECT_EQ(model.status("ember-run"), "Установлена");
    std::vector<std::string> shown = idsOf(model.libraryGames());
    EXPECT_NE(std::find(shown.begin(), shown.end(), "ember-run"), shown.end());
    EXPECT_EQ(std::find(shown.begin(), shown.end(), "new-game"), shown.end());
}

TEST_F(LibraryModelTest, UpdatesAreFoundByDigestAndInstalled) {
    env.writeSettings();
    const std::vector<std::string> ids{"ember-run", "paper-kings", "orbit-post"};
    for (size_t i = 0; i < ids.size(); ++i) env.publish(ids[i], "1." + std::to_string(i));
    LibraryModel model;
    refresh(model);
    for (const std::string& id : ids) install(model, id);
    EXPECT_EQ(model.notice(), "Орбитальная почта — готово к запуску");

    for (size_t i = 0; i < ids.size(); ++i) env.publish(ids[i], "2." + std::to_string(i));
    refresh(model);
    EXPECT_EQ(model.updateCount(), 3);
    EXPECT_EQ(model.notice(), "Доступно обновлений: 3");
    EXPECT_EQ(model.status("ember-run"), "Доступно обновление");

    install(model, "ember-run");
    EXPECT_EQ(model.status("ember-run"), "Установлена");
    EXPECT_EQ(model.installed().at("ember-run").release, *model.game("ember-run")->release);
    EXPECT_EQ(model.updateCount(), 2);

    // Only the digest counts, never the version.
    const Release installed = model.installed().at("paper-kings").release;
    struct Case {
        std::string version;
        std::string sha256;
        bool update;
    } cases[] = {
        {"9.9", installed.sha256, false},
        {installed.version, std::string(64, 'a'), true},
    };
    for (const Case& c : cases) {
        Catalog catalog = env.sourceCatalog();
        for (Game& game : catalog.games)
            if (game.id == "paper-kings") {
                game.release = installed;
                game.release->version = c.version;
                game.release->sha256 = c.sha256;
            }
        model.merge(catalog);
        EXPECT_EQ(model.hasUpdate(QStringLiteral("paper-kings")), c.update) << c.version;
    }
}

// A refresh that fails, because the source cannot be reached or its catalog cannot be cached,
// applies nothing and keeps the library.
TEST_F(LibraryModelTest, AFailedRefreshKeepsTheLibrary) {
    env.writeSettings();
    env.publish("ember-run", "1.0");
    LibraryModel model;
    refresh(model);
    install(model, "ember-run");
    const std::vector<Game> games = model.games();
    const std::map<std::string, Installed> installed = model.installed();
    env.publish("ember-run", "2.0");

    Settings unreachable = env.settings();
    unreachable.sourceURL = "https://127.0.0.1:" + std::to_string(freePort());
    const std::string cache = env.state() + "/catalog.json";
    const std::pair<std::function<void()>, QString> causes[] = {
        {[&] { fs::remove(cache), fs::create_directories(cache + "/occupied"), model.refresh(); }, ""},
        {[&] { model.saveSettings(unreachable); }, "Ошибка загрузки: "},
    };
    for (const auto& [cause, detail] : causes) {
        refreshBy(model, cause);
        EXPECT_FALSE(model.online());
        EXPECT_EQ(model.notice(), kOffline);
        EXPECT_TRUE(model.connectionDetail().startsWith(detail) && model.connectionDetail() != detail)
            << model.connectionDetail().toStdString();
        EXPECT_EQ(model.games(), games);
        EXPECT_EQ(model.installed(), installed);
        EXPECT_EQ(model.error(), "");
    }
    EXPECT_EQ(model.settings(), unreachable);
}

TEST_F(LibraryModelTest, CancellingTheDownloadKeepsThePreviousVersion) {
    env.writeSettings();
    env.publish("ember-run", "1.0");
    LibraryModel model;
    refresh(model);
    install(model, "ember-run");
    const Installed previous = model.installed().at("ember-run");
    env.publish("ember-run", "2.0");
    refresh(model);
    env.server().stall("/packages/2.0.tar.gz", "partial");

    model.install(QStringLiteral("ember-run"));
    EXPECT_EQ(model.status("ember-run"), "Подготовка");
    ASSERT_TRUE(waitUntil([&] { return env.server().requests("/packages/2.0.tar.gz") == 1; }));
    EXPECT_EQ(model.phase(), "Скачивание");
    model.cancel();
    ASSERT_TRUE(waitUntil([&] { return model.busy().isEmpty(); }));
    EXPECT_EQ(model.notice(), "Загрузка отменена. Текущая версия сохранена.");
    EXPECT_EQ(model.error(), "");
    EXPECT_EQ(model.progress(), 0.0);
    EXPECT_EQ(model.installed().at("ember-run"), previous);
    EXPECT_EQ(LauncherCore::current("ember-run", env.library()), previous);
    EXPECT_EQ(model.status("ember-run"), "Доступно обновление");
}

TEST_F(LibraryModelTest, ProgressReachesTheWindowAtMostFiveTimesASecondPerPhase) {
    env.writeSettings();
    // Hundreds of small files: the unpacking reports after each.
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 200; ++i)
        files.emplace_back("Contents/Resources/tiles/" + std::to_string(i), std::string(4096, static_cast<char>('a' + i % 26)));
    env.publish("ember-run", "1.0", files);
    LibraryModel model;
    refresh(model);

    std::map<QString, std::vector<double>> updates;
    QObject::connect(&model, &LibraryModel::progressChanged, [&] {
        if (model.progress() > 0) updates[model.phase()].push_back(model.progress());
    });
    QElapsedTimer clock;
    clock.start();
    install(model, "ember-run");
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;

    size_t count = 0;
    for (const QString& phase : {LibraryModel::kDownloading, LibraryModel::kInstalling}) {
        ASSERT_FALSE(updates[phase].empty()) << phase.toStdString();
        EXPECT_EQ(updates[phase].back(), 1.0) << phase.toStdString();
        count += updates[phase].size();
    }
    EXPECT_EQ(updates.size(), 2u);
    // Per phase: the first report, one more per 0.2 s, and the final 1.0.
    EXPECT_LE(static_cast<double>(count), seconds / 0.2 + 4) << count << " updates in " << seconds << " s";
}

TEST_F(LibraryModelTest, PlayingAVanishedApplicationLaunchesNothing) {
    const std::string app = env.home() + "/Games/Ember.app";
    makeBundle(app);
    writeFile(env.state() + "/linked.json", "{\"ember-run\": \"" + app + "\"}");
    LibraryModel model;
    ASSERT_TRUE(model.linked().count("ember-run"));
    fs::remove_all(app);
    EXPECT_EQ(model.status("ember-run"), "Готова к запуску");

    model.play(QStringLiteral("ember-run"));
    ASSERT_TRUE(waitUntil([&] { return !model.error().isEmpty(); }));
    EXPECT_EQ(model.error(), "Игра не найдена. Подключите диск или выберите приложение заново.");
    EXPECT_FALSE(exists(env.state() + "/logs/ember-run.log"));
    for (const QString& game : LauncherLifecycle::shared().trackedGames()) EXPECT_NE(game, "ember-run");
}
