// Play tracking with real processes, and desktop notifications against a notification server on
// the test's private session bus.
#include <signal.h>

#include <filesystem>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "launcher/library/LauncherLifecycle.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/views/LauncherResource.h"
#include "support/ToolWrapper.h"
#include "support/qt/QtAwait.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A notification server as a desktop runs one: it records every notification and reports clicks
// and closings when the test says so.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString application;
        uint replaces;
        QString icon;
        QString title;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
        uint id;
    };

    NotificationServer() : connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "notification-server")) {
        EXPECT_TRUE(connection_.registerObject(kPath, this, QDBusConnection::ExportAllSlots));
        EXPECT_TRUE(connection_.registerService("org.freedesktop.Notifications"));
    }
    ~NotificationServer() override {
        connection_.unregisterService("org.freedesktop.Notifications");
        connection_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus("notification-server");
    }

    void click(uint id) { emitSignal("ActionInvoked", {id, QStringLiteral("default")}); }
    void close(uint id) { emitSignal("NotificationClosed", {id, uint(2)}); }

    std::vector<Shown> shown;

public slots:
    uint Notify(const QString& application, uint replaces, const QString& icon, const QString& title, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout) {
        shown.push_back({application, replaces, icon, title, body, actions, hints, timeout, ++last_});
        return last_;
    }
    QString GetServerInformation(QString& vendor, QString& version, QString& protocolVersion) {
        vendor = "test";
        version = "1";
        protocolVersion = "1.2";
        return "test-notifications";
    }

private:
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    void emitSignal(const char* name, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createSignal(kPath, "org.freedesktop.Notifications", name);
        message.setArguments(arguments);
        connection_.send(message);
    }

    QDBusConnection connection_;
    uint last_ = 100;
};

// A game that writes its process id and working folder to its output, then waits to be ended.
void makeGame(const std::string& bundle) {
    makeBundle(bundle);
    writeScript(bundle + "/Contents/MacOS/Game", "echo \"$$ $(pwd)\"\nexec sleep 600");
}

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override { lifecycle.setSocial(&social); }
    void TearDown() override { lifecycle.setSocial(nullptr); }

    // The first line of the game's log: its pid and working folder.
    std::pair<pid_t, std::string> started(const LauncherEnvironment& env, const std::string& id) {
        const std::string log = env.state() + "/logs/" + id + ".log";
        std::string line;
        EXPECT_TRUE(waitUntil([&] {
            line = exists(log) ? readFile(log) : "";
            return line.find('\n') != std::string::npos;
        }));
        size_t space = line.find(' ');
        return {static_cast<pid_t>(std::stol(line.substr(0, space))), line.substr(space + 1, line.find('\n') - space - 1)};
    }

    LauncherLifecycle& lifecycle = LauncherLifecycle::shared();
    FakeSocial social;
    QObject context;
};

} // namespace

TEST_F(Lifecycle, PresenceFollowsTheNewestGameStillRunning) {
    LauncherEnvironment env;
    const std::string ember = env.home() + "/Games/Ember.app", paper = env.home() + "/Games/Paper.app";
    makeGame(ember);
    makeGame(paper);
    writeFile(env.state() + "/linked.json", "{\"ember-run\": \"" + ember + "\", \"paper-kings\": \"" + paper + "\"}");
    LibraryModel model;

    model.play(QStringLiteral("ember-run"));
    ASSERT_TRUE(waitUntil([&] { return social.game == "ember-run"; }));
    auto [emberPid, emberFolder] = started(env, "ember-run");
    EXPECT_EQ(emberFolder, ember + "/Contents/MacOS");
    model.play(QStringLiteral("paper-kings"));
    ASSERT_TRUE(waitUntil([&] { return social.game == "paper-kings"; }));
    auto [paperPid, paperFolder] = started(env, "paper-kings");
    EXPECT_NE(paperPid, emberPid);
    // Each game runs in a session of its own.
    EXPECT_EQ(::getsid(paperPid), paperPid);

    // The newest game quits: within one period presence falls back to the other, and the ended
    // process is reaped (no zombie stays).
    ::kill(paperPid, SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return social.game == "ember-run"; }, LauncherLifecycle::kReconcileInterval + 1s));
    EXPECT_FALSE(fs::exists("/proc/" + std::to_string(paperPid)));
    // The last one quits: presence becomes none (reconciled at once here; the timer is shown above).
    ::kill(emberPid, SIGTERM);
    ASSERT_TRUE(waitUntil([&] {
        lifecycle.reconcile();
        return !social.game;
    }));
    EXPECT_EQ(social.reported, (std::vector<std::optional<QString>>{QStringLiteral("ember-run"), QStringLiteral("paper-kings"),
                                                                    QStringLiteral("ember-run"), std::nullopt}));
    EXPECT_TRUE(lifecycle.trackedGames().empty());
}

TEST_F(Lifecycle, NotificationsReachTheDesktopAndTheirClickOpensTheFriend) {
    NotificationServer server;
    LauncherResource::setRoot(QStringLiteral(NOVRA_BUNDLE_DIR "/Contents/Resources"));
    QWindow window;
    window.setTitle(QStringLiteral("NOVRA"));
    int opened = 0;
    QObject::connect(&lifecycle, &LauncherLifecycle::openFriends, &context, [&] { ++opened; });

    EXPECT_TRUE(await(lifecycle.requestNotifications()));
    lifecycle.notify(QStringLiteral("Новое сообщение"), QStringLiteral("Привет!"), QStringLiteral("friend-7"));
    lifecycle.notify(QStringLiteral("Заявка в друзья"), QStringLiteral("Без собеседника"), QString());
    ASSERT_TRUE(waitUntil([&] { return server.shown.size() == 2; }));
    runFor(100ms); // the launcher takes in the notifications' ids
    const NotificationServer::Shown& first = server.shown[0];
    EXPECT_EQ(first.application, "NOVRA Launcher");
    EXPECT_EQ(first.replaces, 0u);
    EXPECT_EQ(first.icon, LauncherResource::root() + "/launcher.png");
    EXPECT_EQ(first.title, "Новое сообщение");
    EXPECT_EQ(first.body, "Привет!");
    EXPECT_TRUE(first.actions.contains("default"));
    EXPECT_EQ(first.hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_EQ(first.timeout, -1);

    // Another program's notification is none of the launcher's business.
    server.click(7);
    runFor(100ms);
    EXPECT_EQ(opened, 0);

    server.click(first.id);
    ASSERT_TRUE(waitUntil([&] { return opened == 1; }));
    EXPECT_EQ(social.selected, std::vector<QString>{"friend-7"});
    EXPECT_TRUE(window.isVisible());

    // Without a friend the friends section still opens.
    server.click(server.shown[1].id);
    ASSERT_TRUE(waitUntil([&] { return opened == 2; }));
    EXPECT_EQ(social.selected.size(), 1u);

    // A closed notification is forgotten.
    server.close(first.id);
    server.click(first.id);
    runFor(100ms);
    EXPECT_EQ(opened, 2);
}

TEST_F(Lifecycle, WithoutANotificationServerNothingIsShown) {
    int opened = 0;
    QObject::connect(&lifecycle, &LauncherLifecycle::openFriends, &context, [&] { ++opened; });
    EXPECT_FALSE(await(lifecycle.requestNotifications(), 5s));
    lifecycle.notify(QStringLiteral("Новое сообщение"), QStringLiteral("Привет!"), QStringLiteral("friend-7"));
    runFor(100ms);
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(social.selected.empty());
}

#include "lifecycle_test.moc"
