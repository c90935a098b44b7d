// The termination sequence every way out goes through, and the single instance with the real
// launcher program.
#include <filesystem>
#include <memory>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QWindow>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "core/LauncherCore.h"
#include "launcher/desktop/SingleInstance.h"
#include "launcher/library/AppDelegate.h"
#include "launcher/library/LauncherLifecycle.h"
#include "launcher/library/LibraryModel.h"
#include "platform/Process.h"
#include "support/qt/QtAwait.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;

namespace {

class Termination : public ::testing::Test {
protected:
    // The application's one library model reads its surroundings when it is first used.
    static void SetUpTestSuite() {
        env = std::make_unique<LauncherEnvironment>();
        env->writeSettings();
        env->publish("ember-run", "1.0");
    }
    static void TearDownTestSuite() { env.reset(); }

    void SetUp() override {
        QObject::connect(&AppDelegate::shared(), &AppDelegate::readyToQuit, &context, [this] { ++quits; });
    }
    void TearDown() override { LauncherLifecycle::shared().setSocial(nullptr); }

    static std::unique_ptr<LauncherEnvironment> env;
    FakeSocial social;
    int quits = 0;
    QObject context;
};

std::unique_ptr<LauncherEnvironment> Termination::env;

} // namespace

TEST_F(Termination, WithNoPlayerSignedInTheLauncherQuitsAtOnce) {
    for (SocialLink* link : {static_cast<SocialLink*>(nullptr), static_cast<SocialLink*>(&social)}) {
        LauncherLifecycle::shared().setSocial(link);
        const int before = quits;
        AppDelegate::shared().terminate();
        EXPECT_EQ(quits, before + 1);
    }
    EXPECT_EQ(social.offlineCalls, 0);
}

TEST_F(Termination, ASignedInPlayerIsReportedOfflineFirst) {
    social.signedInValue = true;
    social.offlineDone = false;
    LauncherLifecycle::shared().setSocial(&social);
    AppDelegate::shared().terminate();
    runFor(100ms);
    AppDelegate::shared().terminate();
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(social.offlineCalls, 1);
    social.offlineDone = true;
    ASSERT_TRUE(waitUntil([&] { return quits == 1; }));
    EXPECT_EQ(social.offlineCalls, 1);
}

// What a cancelled install keeps is the library model's rule (LibraryModelTest).
TEST_F(Termination, ARunningInstallIsCancelled) {
    LibraryModel& model = LibraryModel::shared();
    refresh(model);
    env->server().stall("/packages/1.0.tar.gz", "partial");
    model.install(QStringLiteral("ember-run"));
    ASSERT_TRUE(waitUntil([&] { return env->server().requests("/packages/1.0.tar.gz") == 1; }));

    AppDelegate::shared().terminate();
    EXPECT_EQ(quits, 1);
    ASSERT_TRUE(waitUntil([&] { return model.busy().isEmpty(); }));
    EXPECT_EQ(LauncherCore::current("ember-run", env->library()), std::nullopt);
    EXPECT_EQ(env->temporaryFiles(), std::vector<std::string>{});
}

namespace {

// The launcher program of the build, started with a throw-away home; it inherits the test's
// private session bus and the offscreen platform.
std::unique_ptr<platform::Process> startLauncher() {
    auto process = std::make_unique<platform::Process>(NOVRA_HUB_PATH, std::vector<std::string>{});
    process->standardInput = platform::Redirect::null();
    process->standardOutput = platform::Redirect::null();
    process->launch();
    return process;
}

bool nameOwned() {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(SingleInstance::kService).value();
}

class SingleInstanceTest : public ::testing::Test {
protected:
    // The launcher checks its build source when its window appears: one that answers nothing.
    void SetUp() override {
        Settings settings;
        settings.sourceURL = "https://127.0.0.1:9";
        settings.library = dir / "library";
        std::filesystem::create_directories(dir / "data/NOVRA Launcher");
        LauncherCore::atomicJSON(settings.encode(), dir / "data/NOVRA Launcher/settings.json");
    }

    TempDir dir;
    ScopedEnv home{"HOME", dir.path()};
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
};

} // namespace

TEST_F(SingleInstanceTest, ASecondStartBringsTheFirstBackAndEnds) {
    // This process is the first launcher: its activation reopens the library window.
    SingleInstance first;
    ASSERT_EQ(first.claim(), SingleInstance::Claim::Owned);
    QObject::connect(&first, &SingleInstance::activationRequested, &AppDelegate::shared(), &AppDelegate::reopen);
    QWindow window;
    window.setObjectName(QStringLiteral("library"));

    auto second = startLauncher();
    ASSERT_TRUE(waitUntil([&] { return !second->isRunning(); }));
    EXPECT_EQ(second->exitStatus(), 0);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(SingleInstanceTest, TheLauncherEndsThroughItsTerminationSequenceOnSigterm) {
    auto first = startLauncher();
    ASSERT_TRUE(waitUntil(nameOwned));
    auto second = startLauncher();
    ASSERT_TRUE(waitUntil([&] { return !second->isRunning(); }));
    EXPECT_EQ(second->exitStatus(), 0);
    EXPECT_TRUE(first->isRunning());

    first->terminate();
    ASSERT_TRUE(first->waitFor(10));
    EXPECT_EQ(first->exitStatus(), 0);
    EXPECT_FALSE(nameOwned());
}
