// Looking after games through the library model: remove (or forget a link), verify and repair,
// roll back and reclaim, against a local build source that the studio's tool publishes into.
#include <filesystem>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "core/LauncherCore.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/views/FileSize.h"
#include "support/Studio.h"
#include "support/qt/QtAwait.h"

using namespace novra;
using namespace novra::test;
namespace fs = std::filesystem;

namespace {

class LibraryModelCare : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(env.temporaryFiles(), std::vector<std::string>{}); }

    // Runs one operation on the game and waits until it has ended; the game is busy with `phase`
    // meanwhile (a quick operation may end before the call returns).
    static void lookAfter(LibraryModel& model, void (LibraryModel::*operation)(const QString&), const std::string& id,
                          const QString& phase) {
        std::vector<QString> statuses;
        QObject context;
        QObject::connect(&model, &LibraryModel::busyChanged, &context, [&] {
            if (!model.busy().isEmpty()) statuses.push_back(model.status(model.busy()));
        });
        (model.*operation)(QString::fromStdString(id));
        ASSERT_TRUE(waitUntil([&] { return model.busy().isEmpty(); }));
        EXPECT_EQ(statuses, std::vector<QString>{phase});
    }

    // Waits until the model's measurements agree with the disk.
    void expectMeasured(LibraryModel& model, const std::string& id) {
        const int64_t bytes = LauncherCore::sizeOnDisk(id, env.library());
        EXPECT_TRUE(waitUntil([&] { return model.sizes().count(id) && model.sizes().at(id) == bytes; })) << id;
        const std::optional<Installed> before = LauncherCore::previous(id, env.library());
        EXPECT_TRUE(waitUntil([&] {
            auto found = model.previousVersions().find(id);
            return before ? found != model.previousVersions().end() && found->second == *before
                          : found == model.previousVersions().end();
        })) << id;
    }

    // Refreshes the model from the source and installs each of the games it offers.
    void installAll(LibraryModel& model, const std::vector<std::string>& ids) {
        refresh(model);
        for (const std::string& id : ids) install(model, id);
    }

    // Two games published and installed.
    void installTwo(LibraryModel& model) {
        env.publish("ember-run", "1.0");
        env.publish("paper-kings", "1.1");
        installAll(model, {"ember-run", "paper-kings"});
    }

    std::string app(LibraryModel& model, const std::string& id) {
        return LauncherCore::appURL(id, model.installed().at(id), env.library());
    }

    LauncherEnvironment env;
};

} // namespace

TEST_F(LibraryModelCare, RemoveTakesTheGameOutOfTheLibrary) {
    env.writeSettings();
    LibraryModel model;
    installTwo(model);
    expectMeasured(model, "ember-run");

    lookAfter(model, &LibraryModel::remove, "ember-run", "Удаление");
    EXPECT_EQ(model.notice(), "Игра удалена");
    EXPECT_FALSE(model.installed().count("ember-run"));
    EXPECT_EQ(model.status("ember-run"), "Можно установить");
    EXPECT_TRUE(waitUntil([&] { return !model.sizes().count("ember-run"); }));
    expectMeasured(model, "paper-kings");

    // A game that is neither installed nor linked has nothing to remove.
    model.remove(QStringLiteral("ember-run"));
    EXPECT_EQ(model.busy(), "");
}

// Forgetting a link writes "linked.json" without the game and with every other entry it had, a
// link to a vanished application included; the link made at start is forgotten for the run only.
TEST_F(LibraryModelCare, RemovingALinkedGameForgetsOnlyItsLink) {
    const std::string velmora = env.home() + "/Applications/Velmora.app";
    const std::string ember = env.home() + "/Games/Ember.app";
    const std::string gone = env.home() + "/Games/Gone.app";
    makeBundle(velmora);
    makeBundle(ember);
    writeFile(env.state() + "/linked.json", "{\"ember-run\": \"" + ember + "\", \"night-ferry\": \"" + gone + "\"}");
    LibraryModel model;
    ASSERT_EQ(model.linked().size(), 2u);

    lookAfter(model, &LibraryModel::remove, "ember-run", "Удаление");
    EXPECT_EQ(model.notice(), "Игра больше не связана с приложением");
    EXPECT_EQ(model.linked(), (std::map<std::string, std::string>{{"quiet-marsh", velmora}}));
    EXPECT_EQ(parseJson(readFile(env.state() + "/linked.json")), parseJson("{\"night-ferry\": \"" + gone + "\"}"));
    const std::string stored = readFile(env.state() + "/linked.json");

    lookAfter(model, &LibraryModel::remove, "quiet-marsh", "Удаление");
    EXPECT_TRUE(model.linked().empty());
    EXPECT_EQ(readFile(env.state() + "/linked.json"), stored);
    // The applications themselves stay.
    EXPECT_TRUE(exists(ember + "/Contents/Info.plist"));
    EXPECT_TRUE(exists(velmora + "/Contents/Info.plist"));
}

TEST_F(LibraryModelCare, VerifyFindsTamperingAndRepairReinstalls) {
    env.writeSettings();
    env.publish("ember-run", "1.0");
    LibraryModel model;
    installAll(model, {"ember-run"});

    lookAfter(model, &LibraryModel::verify, "ember-run", "Проверка файлов");
    EXPECT_EQ(model.notice(), "Файлы в порядке");

    writeFile(app(model, "ember-run") + "/Contents/Resources/version.txt", "испорчено");
    lookAfter(model, &LibraryModel::verify, "ember-run", "Проверка файлов");
    EXPECT_EQ(model.error(), "Проверка подписи приложения не пройдена");
    model.setError({});

    model.repair(QStringLiteral("ember-run"));
    EXPECT_EQ(model.status("ember-run"), "Подготовка");
    ASSERT_TRUE(waitUntil([&] { return model.busy().isEmpty(); }));
    EXPECT_EQ(model.error(), "");
    EXPECT_EQ(env.server().requests("/packages/1.0.tar.gz"), 2);

    // Once the catalog offers another release, the installed one cannot be fetched again.
    env.publish("ember-run", "2.0");
    refresh(model);
    model.repair(QStringLiteral("ember-run"));
    EXPECT_EQ(model.busy(), "");
    EXPECT_EQ(model.error(), "Восстановить нельзя: установленной версии нет в каталоге");
    EXPECT_EQ(env.server().requests("/packages/2.0.tar.gz"), 0);
}

TEST_F(LibraryModelCare, RollBackThenReclaim) {
    env.writeSettings();
    LibraryModel model;
    for (const char* version : {"1.0", "2.0", "3.0"}) {
        env.publish("ember-run", version);
        installAll(model, {"ember-run"});
    }
    const Installed third = model.installed().at("ember-run");
    expectMeasured(model, "ember-run");
    ASSERT_EQ(model.previousVersions().at("ember-run").release.version, "2.0");

    lookAfter(model, &LibraryModel::rollBack, "ember-run", "Возврат версии");
    EXPECT_EQ(model.notice(), "Возвращена версия 2.0");
    EXPECT_EQ(model.installed().at("ember-run"), LauncherCore::current("ember-run", env.library()));
    EXPECT_EQ(model.status("ember-run"), "Доступно обновление");
    expectMeasured(model, "ember-run");
    EXPECT_EQ(model.previousVersions().at("ember-run"), third);

    const int64_t before = model.sizes().at("ember-run");
    lookAfter(model, &LibraryModel::reclaim, "ember-run", "Освобождение места");
    expectMeasured(model, "ember-run");
    EXPECT_EQ(model.notice(), QStringLiteral("Освобождено ") + fileSizeText(before - model.sizes().at("ember-run")));
    lookAfter(model, &LibraryModel::reclaim, "ember-run", "Освобождение места");
    EXPECT_EQ(model.notice(), "Освобождать нечего: хранятся только текущая и предыдущая версии");
    EXPECT_EQ(model.error(), "");
}

// The library does one thing at a time. During an install, another install, a refresh, saving the
// settings and looking after any game are dropped; during a refresh, an install and saving them.
TEST_F(LibraryModelCare, RequestsWhileBusyAreDropped) {
    env.writeSettings();
    LibraryModel model;
    installTwo(model);
    env.publish("ember-run", "2.0");
    env.publish("paper-kings", "2.1");
    refresh(model);
    env.server().stall("/packages/2.0.tar.gz", "partial");
    const std::vector<std::string> tree = listTree(env.library());
    const std::string stored = readFile(env.state() + "/settings.json");
    Settings other = env.settings();
    other.library = env.library() + "-other";
    const int catalogRequests = env.server().requests("/catalog.json");

    model.install(QStringLiteral("ember-run"));
    ASSERT_TRUE(waitUntil([&] { return env.server().requests("/packages/2.0.tar.gz") == 1; }));
    model.install(QStringLiteral("paper-kings"));
    model.refresh();
    model.saveSettings(other);
    for (const char* id : {"ember-run", "paper-kings"}) {
        const QString game = QString::fromUtf8(id);
        model.remove(game);
        model.verify(game);
        model.repair(game);
        model.rollBack(game);
        model.reclaim(game);
    }
    EXPECT_EQ(model.busy(), "ember-run");
    EXPECT_EQ(model.phase(), LibraryModel::kDownloading);
    EXPECT_FALSE(model.checking());
    model.cancel();
    ASSERT_TRUE(waitUntil([&] { return model.busy().isEmpty(); }));
    EXPECT_EQ(model.error(), "");
    EXPECT_EQ(listTree(env.library()), tree);
    EXPECT_EQ(env.server().requests("/catalog.json"), catalogRequests);

    model.refresh();
    model.install(QStringLiteral("paper-kings"));
    model.saveSettings(other);
    EXPECT_EQ(model.busy(), "");
    ASSERT_TRUE(waitUntil([&] { return !model.checking(); }));
    EXPECT_EQ(model.settings(), env.settings());
    EXPECT_EQ(readFile(env.state() + "/settings.json"), stored);
    EXPECT_EQ(env.server().requests("/packages/2.1.tar.gz"), 0);
}
