// The launcher's own update: its check after refreshes, the install that hands the plan to the
// updater and quits, the banner over the real models, and the whole update with the real
// UpdateRelay and a copy of the built launcher bundle.
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <set>

#include <QCoreApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "core/LauncherCore.h"
#include "launcher/library/AppDelegate.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/selfupdate/LauncherSelfUpdate.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"
#include "selfupdate/SelfUpdateCore.h"
#include "selfupdate/UpdateFiles.h"
#include "support/SelfUpdateSupport.h"
#include "support/qt/QtAwait.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const QString kUnavailable = QStringLiteral("Проверка обновлений лаунчера недоступна: ");
const QString kNotInstalled = QStringLiteral("Обновление не установлено: ");

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename());
    return names;
}

// The running launcher is a bundle at build 11 whose UpdateRelay only records its arguments.
class SelfUpdate : public ::testing::Test {
  protected:
    SelfUpdate() {
        env.writeSettings();
        makeLauncher(bundle, launcherSpec("11", "2.0"), "");
        writeFile(relay(), "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > '" +
                               arguments + ".tmp' && mv '" + arguments + ".tmp' '" + arguments + "'\n");
        setMode(relay(), 0755);
        library = std::make_unique<LibraryModel>();
        updater = std::make_unique<LauncherSelfUpdate>(*library, bundle);
        QObject::connect(&AppDelegate::shared(), &AppDelegate::readyToQuit, &context, [this] { ++quits; });
    }
    // No check or install leaves a temporary file in the library, however it ended.
    void TearDown() override { EXPECT_EQ(env.temporaryFiles(), std::vector<std::string>{}); }

    std::string relay() const { return bundle + "/Contents/MacOS/UpdateRelay"; }
    void check() { await(updater->check(env.settings())); }
    // Build 12 of the launcher, published with its package.
    void publishNext() {
        const std::string next = env.home() + "/next/NOVRA Launcher.app";
        makeLauncher(next, launcherSpec("12", "2.1"), "");
        env.publishLauncher(next, 12, "2.1");
    }
    std::vector<std::string> planFiles() const {
        std::vector<std::string> plans;
        for (const std::string& name : namesIn(env.library()))
            if (name.rfind(".launcher-update-", 0) == 0 && name.ends_with(".json")) plans.push_back(name);
        return plans;
    }

    LauncherEnvironment env;
    const std::string bundle = env.home() + "/Applications/NOVRA Launcher.app";
    const std::string arguments = env.home() + "/relay-arguments";
    std::unique_ptr<LibraryModel> library;
    std::unique_ptr<LauncherSelfUpdate> updater;
    int quits = 0; // times the launcher was told to quit
    QObject context;
};

} // namespace

TEST_F(SelfUpdate, ACheckOffersOnlyANewerBuildAndAFailedOneWithdrawsTheOffer) {
    env.writeLauncherManifest(launcherUpdate(11, "2.0"));
    check();
    EXPECT_EQ(updater->available(), std::nullopt);
    EXPECT_EQ(updater->message(), "Лаунчер обновлён");

    env.writeLauncherManifest(launcherUpdate(12, "2.1"));
    check();
    ASSERT_TRUE(updater->available().has_value());
    EXPECT_EQ(updater->available()->build, 12);
    EXPECT_EQ(updater->availableValue().toMap()["release"].toMap()["version"], "2.1");
    EXPECT_EQ(updater->message(), "Доступен лаунчер 2.1");

    env.stopServer();
    check();
    EXPECT_EQ(updater->available(), std::nullopt);
    EXPECT_TRUE(updater->message().startsWith(kUnavailable)) << updater->message().toStdString();
    EXPECT_GT(updater->message().size(), kUnavailable.size());
    // The source is forgotten with the offer: nothing to install.
    const QString message = updater->message();
    updater->install();
    EXPECT_FALSE(updater->installing());
    EXPECT_EQ(library->busy(), "");
    EXPECT_EQ(updater->message(), message);
}

TEST_F(SelfUpdate, ACheckDuringACheckDoesNothing) {
    env.writeLauncherManifest(launcherUpdate(12, "2.1"));
    // A second source that offers build 13.
    env.server().serve("/other/launcher-update.json", {200, launcherUpdate(13, "2.2").encode().dump(), {}});
    Settings other = env.settings();
    other.sourceURL = *other.sourceURL + "/other";

    QCoro::Task<void> first = updater->check(env.settings());
    await(updater->check(other), 1s);
    EXPECT_EQ(updater->available(), std::nullopt);
    await(std::move(first));
    ASSERT_TRUE(updater->available().has_value());
    EXPECT_EQ(updater->available()->build, 12);
    EXPECT_EQ(env.server().requests("/other/launcher-update.json"), 0);
}

TEST_F(SelfUpdate, InstallWaitsForTheLibrary) {
    env.writeLauncherManifest(launcherUpdate(12, "2.1"));
    check();
    const QString offered = updater->message();
    // A game installing, then a catalog refresh running.
    library->setBusy(QStringLiteral("ember-run"));
    updater->install();
    EXPECT_FALSE(updater->installing());
    EXPECT_EQ(library->busy(), "ember-run");
    library->setBusy(QString());
    library->refresh();
    ASSERT_TRUE(library->checking());
    updater->install();
    EXPECT_EQ(library->busy(), "");
    EXPECT_FALSE(updater->installing());
    EXPECT_EQ(updater->message(), offered);
    ASSERT_TRUE(waitUntil([&] { return !library->checking(); }));
    EXPECT_EQ(env.server().requests("/packages/2.1.tar.gz"), 0);
}

TEST_F(SelfUpdate, ATransferFailureLeavesNothingAndTheBannerOffersTheUpdateAgain) {
    publishNext();
    check();
    env.server().serve("/packages/2.1.tar.gz", {404, "gone", {}});
    updater->install();
    EXPECT_TRUE(updater->installing());
    EXPECT_EQ(library->busy(), LibraryModel::kSelfUpdate);
    EXPECT_EQ(updater->message(), "Загрузка обновления лаунчера…");
    ASSERT_TRUE(waitUntil([&] { return !updater->installing(); }));
    EXPECT_TRUE(updater->message().startsWith(kNotInstalled)) << updater->message().toStdString();
    EXPECT_EQ(updater->failure(), updater->message());
    EXPECT_EQ(library->busy(), "");
    EXPECT_EQ(planFiles(), std::vector<std::string>{});

    // The banner, over these models.
    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent component(&engine,
                            QUrl(QStringLiteral("qrc:/Novra/Launcher/SelfUpdate/LauncherUpdateView.qml")));
    std::unique_ptr<QObject> banner(component.createWithInitialProperties(
        {{"updater", QVariant::fromValue(updater.get())}, {"library", QVariant::fromValue(library.get())}}));
    ASSERT_TRUE(banner) << component.errorString().toStdString();
    EXPECT_TRUE(banner->property("visible").toBool());
    EXPECT_EQ(banner->findChild<QObject*>("updateText")->property("text"), "Доступен NOVRA Launcher 2.1");
    EXPECT_EQ(banner->findChild<QObject*>("updateFailure")->property("text"), updater->failure());
    EXPECT_TRUE(banner->findChild<QObject*>("updateButton")->property("enabled").toBool());
}

TEST_F(SelfUpdate, TheUpdaterGetsThePlanAndThePidAndThenTheLauncherQuits) {
    publishNext();
    check();
    updater->install();
    ASSERT_TRUE(waitUntil([&] { return quits == 1; }, 60s)) << updater->message().toStdString();
    EXPECT_EQ(updater->message(), "Перезапуск лаунчера…");
    EXPECT_TRUE(updater->installing());
    EXPECT_EQ(library->busy(), LibraryModel::kSelfUpdate);

    const std::vector<std::string> plans = planFiles();
    ASSERT_EQ(plans.size(), 1u);
    const std::string plan = env.library() + "/" + plans[0];
    ASSERT_TRUE(waitForFile(arguments));
    EXPECT_EQ(readFile(arguments),
              "2\n" + plan + "\n" + std::to_string(QCoreApplication::applicationPid()) + "\n");
    // A plan the updater accepts: this user's alone.
    struct stat info {};
    ASSERT_EQ(::stat(plan.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const LauncherUpdatePlan written = SelfUpdateCore::readPlan(plan);
    EXPECT_EQ(written.target, bundle);
    EXPECT_EQ(SelfUpdateCore::build(written.candidate), 12);
    EXPECT_EQ(readFile(plan + ".log"), "");
}

TEST_F(SelfUpdate, AnUpdaterThatCannotStartLeavesTheLauncherRunning) {
    publishNext();
    check();
    fs::remove(relay());
    updater->install();
    ASSERT_TRUE(waitUntil([&] { return !updater->installing(); }, 60s));
    EXPECT_EQ(updater->message(),
              kNotInstalled + "Нет такого файла или папки: " + QString::fromStdString(relay()));
    EXPECT_EQ(library->busy(), "");
    runFor(100ms);
    EXPECT_EQ(quits, 0);
    // The plan stays for whoever looks; the next install prepares afresh.
    EXPECT_EQ(planFiles().size(), 1u);
}

// That it is reported once and that the files stay is the update files' rule (UpdateAftermath).
TEST_F(SelfUpdate, TheUpdatersFailureIsShownAtTheNextStart) {
    LauncherUpdatePlan plan{bundle, env.home() + "/Applications/NOVRA Launcher.previous-X.app",
                            launcherUpdate(12, "2.1"), std::string(64, 'a')};
    const std::string planFile = env.library() + "/" + SelfUpdateCore::planFileName(platform::uuidText());
    fs::create_directories(env.library());
    LauncherCore::atomicJSON(plan.encode(), planFile, 0600);
    writeFile(planFile + ".log", "Launcher update: Лаунчер не завершился; обновление не применено\n");
    LauncherSelfUpdate started(*library, bundle);
    bool finished = false;
    QObject::connect(&started, &LauncherSelfUpdate::finishedPrevious, [&] { finished = true; });
    started.finishPrevious();
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    EXPECT_EQ(started.message(), kNotInstalled + "Лаунчер не завершился; обновление не применено");
    EXPECT_EQ(started.failure(), started.message());
}

TEST(SelfUpdateShared, EveryRefreshOfTheLibraryChecksTheLauncher) {
    LauncherEnvironment env;
    env.writeSettings();
    env.writeLauncherManifest(launcherUpdate(12, "2.1"));
    // The source has no catalog: the refresh fails, and the check follows all the same.
    LauncherSelfUpdate& updater = LauncherSelfUpdate::shared();
    LibraryModel::shared().refresh();
    ASSERT_TRUE(waitUntil([&] { return updater.available().has_value(); }));
    EXPECT_FALSE(LibraryModel::shared().online());
    EXPECT_EQ(updater.message(), "Доступен лаунчер 2.1");
    EXPECT_EQ(env.temporaryFiles(), std::vector<std::string>{});
}

namespace {

// A copy of the built launcher bundle whose program is the test's driver (the launcher's models
// without a window), trusting the test's key, at the given build and version.
void copyBuiltLauncher(const std::string& path, const std::string& publicKey, int64_t build,
                       const std::string& version) {
    fs::create_directories(fs::path(path).parent_path());
    fs::copy(NOVRA_BUNDLE_DIR, path, fs::copy_options::recursive);
    const auto replace = fs::copy_options::overwrite_existing;
    fs::copy_file(NOVRA_SELFUPDATE_DRIVER_PATH, path + "/Contents/MacOS/NovraHub", replace);
    fs::copy_file(publicKey, path + "/Contents/Resources/trusted-keys.pem", replace);
    platform::PropertyDictionary info = platform::readPropertyList(path + "/Contents/Info.plist");
    info["CFBundleVersion"] = std::to_string(build);
    info["CFBundleShortVersionString"] = version;
    writeFile(path + "/Contents/Info.plist",
              platform::encodePropertyList(info, platform::PropertyListFormat::xml));
}

} // namespace

TEST(SelfUpdateEndToEnd, TheBuiltLauncherReplacesItselfAndItsSuccessorCleansUp) {
    LauncherEnvironment env;
    env.writeSettings();
    const int64_t build = std::stoll(NOVRA_BUILD_NUMBER);
    const std::string applications = env.home() + "/Applications";
    const std::string installed = applications + "/NOVRA Launcher.app";
    const std::string next = env.home() + "/next/NOVRA Launcher.app";
    copyBuiltLauncher(installed, studioKeys().publicKey, build, "1.0");
    copyBuiltLauncher(next, studioKeys().publicKey, build + 1, "1.1");
    env.publishLauncher(next, build + 1, "1.1");
    // A version of the launcher's package left in the library by an earlier update.
    const std::string versions = env.library() + "/launcher-self-update/versions";
    fs::create_directories(versions + "/" + std::string(64, 'b') + "-" + platform::uuidText() +
                           "/NOVRA Launcher.app");
    const std::string report = env.home() + "/report.json";
    ScopedEnv reportTo("NOVRA_TEST_DRIVER_REPORT", report);

    platform::Process launcher(installed + "/Contents/MacOS/NovraHub", {});
    launcher.standardInput = platform::Redirect::null();
    launcher.standardError = platform::Redirect::capture();
    launcher.launch();
    ASSERT_TRUE(launcher.waitFor(60));
    EXPECT_EQ(launcher.wait(), 0) << launcher.captured(2);
    EXPECT_FALSE(exists(report)) << readFile(report);

    // UpdateRelay swaps the bundles and starts build N+1, which cleans up and reports.
    const bool reported = waitForFile(report, 60);
    std::string logs;
    for (const std::string& name : namesIn(env.library()))
        if (name.ends_with(".log")) logs += readFile(env.library() + "/" + name);
    ASSERT_TRUE(reported) << "updater: " << logs;
    const Json seen = parseJson(readFile(report));
    EXPECT_EQ(seen.at("build"), build + 1);
    EXPECT_EQ(seen.at("message"), "Лаунчер обновлён");
    EXPECT_EQ(seen.at("failure"), "");
    EXPECT_EQ(SelfUpdateCore::build(installed), build + 1);
    // The former launcher, the plan with its result and log, and the older package are gone.
    EXPECT_EQ(namesIn(applications), std::set<std::string>{"NOVRA Launcher.app"});
    EXPECT_EQ(namesIn(env.library()), std::set<std::string>{"launcher-self-update"});
    const std::optional<Installed> current = LauncherCore::current("launcher-self-update", env.library());
    ASSERT_TRUE(current.has_value());
    EXPECT_EQ(namesIn(versions), std::set<std::string>{current->directory});
}
