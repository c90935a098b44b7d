// The social model against the local social service, with its session in a private keyring and
// recorders in place of the desktop (notifications, permission, the active application).
#include <functional>
#include <regex>

#include <QAbstractItemModelTester>
#include <QSettings>
#include <gtest/gtest.h>

#include "launcher/social/SessionKeychain.h"
#include "launcher/social/SocialAPI.h"
#include "launcher/social/model/SocialModel.h"
#include "platform/Process.h"
#include "support/TestSupport.h"
#include "support/social/SocialModelSupport.h"
#include "support/social/SocialTestSupport.h"
#include "tools/social-service/SocialService.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;
using Injection = tools::SocialService::Injection;

namespace {

const char* const kSeed = R"({
  "accounts": [{"id": "p-anna", "username": "anna", "password": "password1"},
               {"id": "p-boris", "username": "boris", "password": "password1"},
               {"id": "p-vera", "username": "vera", "password": "password1"},
               {"id": "p-gleb", "username": "gleb", "password": "password1"},
               {"id": "p-dina", "username": "dina", "password": "password1"}],
  "friends": [["p-anna", "p-boris"], ["p-anna", "p-vera"]],
  "requests": [{"from": "p-gleb", "to": "p-anna"}],
  "messages": [{"from": "p-boris", "to": "p-anna", "body": "привет"}]})";

struct Notice {
    QString title, body, friendId;
    bool operator==(const Notice&) const = default;
};
void PrintTo(const Notice& n, std::ostream* out) {
    *out << n.title.toStdString() << " / " << n.body.toStdString() << " / " << n.friendId.toStdString();
}

QCoro::Task<bool> answer(bool granted) {
    co_return granted;
}

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

class SocialModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!useSecretStore(SecretStore::Keyring))
            GTEST_SKIP() << "needs a process of its own (ctest runs it so)";
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settingsFolder.path()));
        service.loadSeed(kSeed);
        service.keepRequestBodies(true);
        service.start();
        qputenv(SocialAPI::kTestOriginVariable, QByteArray::fromStdString(service.origin()));
        model = makeModel();
    }
    void TearDown() override {
        if (model) settle();
        model.reset();
        service.stop();
        qunsetenv(SocialAPI::kTestOriginVariable);
    }

    std::unique_ptr<SocialModel> makeModel() {
        SocialHost host;
        host.notify = [this](const QString& t, const QString& b, const QString& f) {
            notices.push_back({t, b, f});
        };
        host.requestNotifications = [this] { return answer(permission); };
        host.games = [this]() -> const std::vector<Game>& { return games; };
        host.applicationActive = [this] { return active; };
        auto made = std::make_unique<SocialModel>(host);
        settle(made.get());
        return made;
    }

    void settle(SocialModel* which = nullptr) { test::settle(which ? *which : *model); }

    void signIn() { ASSERT_TRUE(await(model->authenticate("anna", "password1", false))); }

    void open(const char* friendId) {
        model->select(friendId);
        settle();
    }

    std::vector<tools::SocialService::LoggedRequest> sent(const std::string& method,
                                                          const std::string& target) {
        std::vector<tools::SocialService::LoggedRequest> found;
        for (auto& request : service.requests())
            if (request.method == method && request.target.rfind(target, 0) == 0) found.push_back(request);
        return found;
    }

    std::vector<std::string> friendIds() {
        std::vector<std::string> ids;
        for (const SocialFriend& f : model->friends())
            ids.push_back(f.id);
        return ids;
    }

    // Signed out: nothing of the account is left, in the model or in the keyring.
    void expectSignedOut(const std::string& why) {
        EXPECT_FALSE(model->signedIn()) << why;
        EXPECT_TRUE(model->friends().empty() && model->incoming().empty() && model->messages().empty()) << why;
        EXPECT_EQ(model->selectedFriend(), std::nullopt) << why;
        EXPECT_EQ(await(SessionKeychain::read(QString::fromStdString(service.origin()))), std::nullopt) << why;
    }

    TempDir settingsFolder;
    tools::SocialService service;
    std::vector<Notice> notices;
    std::vector<Game> games{Game{"orbit", "Орбита", "", "", std::nullopt, std::nullopt}};
    bool permission = true;
    bool active = true;
    std::unique_ptr<SocialModel> model;
};

} // namespace

// --- session ---------------------------------------------------------------------------------------

TEST_F(SocialModelTest, RestoreSignsInOnlyARegisteredAccount) {
    for (bool registered : {false, true}) {
        SocialAPI api;
        await(api.openSession());
        if (registered) await(api.login("anna", "password1"));
        service.clearRequests();
        model = makeModel();
        EXPECT_EQ(model->signedIn(), registered);
        EXPECT_EQ(sent("GET", "/player/api/session").size(), 1u);
        EXPECT_EQ(sent("GET", "/player/api/social").size(), registered ? 1u : 0u)
            << "registered " << registered;
        EXPECT_EQ(friendIds().size(), registered ? 2u : 0u);
    }
}

TEST_F(SocialModelTest, SignInRegistrationAndSignOut) {
    EXPECT_FALSE(await(model->authenticate("anna", "wrong-password", false)));
    EXPECT_EQ(model->error(), "Неверное имя пользователя или пароль");
    EXPECT_TRUE(model->connected() == false && !model->signedIn() && !model->busy());

    ASSERT_TRUE(await(model->authenticate("zoya", "password1", true)));
    EXPECT_EQ(model->account()->username, "zoya");
    EXPECT_TRUE(model->connected());
    EXPECT_EQ(model->error(), std::nullopt);
    await(model->signOut());

    signIn();
    EXPECT_EQ(friendIds(), (std::vector<std::string>{"p-boris", "p-vera"}));
    ASSERT_EQ(model->incoming().size(), 1u);
    open("p-boris");
    service.clearRequests();
    await(model->signOut());
    expectSignedOut("signed out");
    EXPECT_FALSE(model->connected());
    auto requests = service.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/player/api/social/presence/offline");
    EXPECT_EQ(requests[1].target, "/player/api/logout");
}

TEST_F(SocialModelTest, AnswerAfterSignOutBeganChangesNothing) {
    signIn();
    service.makeFriends("p-anna", "p-gleb");
    service.inject("GET", "social", Injection{std::nullopt, "", {}, 300ms});
    service.inject("POST", "logout", Injection{500, R"({"error": "Выход не удался"})", {}, 0ms});
    QCoro::Task<void> round = model->poll();
    await(model->signOut());
    settle();
    EXPECT_EQ(sent("GET", "/player/api/social").size(), 2u);
    EXPECT_EQ(friendIds(), (std::vector<std::string>{"p-boris", "p-vera"}))
        << "the late snapshot was applied";
    EXPECT_TRUE(model->signedIn());
    EXPECT_EQ(model->error(), "Выход не удался");
}

TEST_F(SocialModelTest, UnauthorizedAnswerEndsTheSession) {
    struct Case {
        const char* method;
        const char* path;
        std::function<void(SocialModel&)> trigger;
    };
    const Case cases[] = {
        {"GET", "social", [](SocialModel& m) { await(m.poll()); }},
        {"POST", "social/friends/p-gleb/accept",
         [](SocialModel& m) { await(m.action("friends/p-gleb/accept")); }},
        {"GET", "social/messages/p-boris", [](SocialModel& m) { await(m.loadMessages("p-boris", true)); }},
        {"POST", "social/messages/p-boris", [](SocialModel& m) { await(m.send("привет")); }},
    };
    for (const Case& c : cases) {
        signIn();
        open("p-boris");
        ASSERT_FALSE(model->messages().empty());
        service.inject(c.method, c.path, Injection{401, R"({"error": "Сеанс не найден"})", {}, 0ms});
        c.trigger(*model);
        settle();
        expectSignedOut(c.path);
        EXPECT_EQ(model->error(), "Сеанс не найден") << c.path;
        service.clearInjections();
    }
}

TEST_F(SocialModelTest, RefusalKeepsTheConnectionAndOutageDropsIt) {
    signIn();
    struct Case {
        int status;
        const char* body;
        const char* error;
        bool connected;
    };
    for (const Case& c : {Case{403, R"({"error": "Этот игрок недоступен"})", "Этот игрок недоступен", true},
                          Case{503, "", "Сервис недоступен (503)", false}}) {
        await(model->poll());
        service.inject("POST", "social/friends/request", Injection{c.status, c.body, {}, 0ms});
        await(model->add("dina"));
        EXPECT_EQ(model->error(), c.error);
        EXPECT_EQ(model->connected(), c.connected) << c.status;
    }
}

TEST_F(SocialModelTest, ActionsPutOnlyCheckedIdsIntoPaths) {
    signIn();
    open("p-vera");
    struct Case {
        const char* path;
        std::optional<const char*> error;
    };
    for (const Case& c :
         {Case{"friends/a/../../logout/accept", "Неверный адрес"}, Case{"elsewhere/p-vera", "Неверный адрес"},
          Case{"friends/p-gleb/accept", std::nullopt}, Case{"blocks/p-vera/block", std::nullopt}}) {
        size_t before = service.requests().size();
        await(model->action(c.path));
        EXPECT_EQ(model->error(), c.error ? std::optional<QString>(*c.error) : std::nullopt) << c.path;
        if (c.error) {
            EXPECT_EQ(service.requests().size(), before) << c.path;
        }
        EXPECT_TRUE(model->signedIn());
    }
    EXPECT_EQ(friendIds(), (std::vector<std::string>{"p-boris", "p-gleb"}));
    ASSERT_EQ(model->blocked().size(), 1u);
    EXPECT_EQ(model->blocked()[0].id, "p-vera");
    EXPECT_EQ(model->selectedFriend(), std::nullopt) << "the conversation closes with the friendship";
}

// --- polling ---------------------------------------------------------------------------------------

TEST_F(SocialModelTest, NotificationsFollowTheSnapshotsInOrder) {
    QAbstractItemModelTester tester(model->property("friends").value<QAbstractListModel*>(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    model->setNotificationsEnabled(true);
    signIn();
    EXPECT_TRUE(notices.empty()) << "the first snapshot raises nothing";
    const QString chat = "Новое сообщение в NOVRA";
    struct Round {
        std::function<void()> change;
        std::vector<Notice> expected;
    };
    const Round rounds[] = {
        {[&] {
             service.addRequest("p-dina", "p-anna");
             service.setPresence("p-boris", "orbit");
             service.setPresence("p-vera", "x-game");
             service.addMessage("p-vera", "p-anna", "как дела?");
         },
         {{"Запрос в друзья", "dina", "p-dina"},
          {"boris запускает игру", "Орбита", "p-boris"},
          {"vera запускает игру", "x-game", "p-vera"},
          {"vera", chat, "p-vera"}}},
        {[&] {
             service.setPresence("p-boris", "orbit");
             service.setPresence("p-vera", std::nullopt);
         },
         {}},
        {[&] { service.setPresence("p-boris", "mist"); }, {{"boris запускает игру", "mist", "p-boris"}}},
        // The conversation with vera open and the panel shown, but the launcher in the background.
        {[&] {
             active = false;
             model->setChatVisible(true);
             open("p-vera");
             service.addMessage("p-vera", "p-anna", "ты тут?");
         },
         {{"vera", chat, "p-vera"}}},
        // Now in front: vera's messages are seen there, boris's are not.
        {[&] {
             active = true;
             service.addMessage("p-vera", "p-anna", "ау");
             service.addMessage("p-boris", "p-anna", "а я тут");
         },
         {{"boris", chat, "p-boris"}}},
        // Her conversation left after it was read there, vera's next message is news again.
        {[&] {
             open("p-boris");
             service.addMessage("p-vera", "p-anna", "ау?");
         },
         {{"vera", chat, "p-vera"}}},
        {[&] {
             model->setNotificationsEnabled(false);
             service.addMessage("p-boris", "p-anna", "ещё");
         },
         {}},
    };
    for (size_t i = 0; i < std::size(rounds); ++i) {
        notices.clear();
        rounds[i].change();
        await(model->poll());
        EXPECT_EQ(notices, rounds[i].expected) << "round " << i + 1;
    }
    await(model->poll());
    EXPECT_EQ(model->unreadCount(), 1) << "vera's last; the rest were read in their open conversations";
}

TEST_F(SocialModelTest, TwoTriggersDuringARoundGiveOneMoreRound) {
    signIn();
    service.clearRequests();
    service.inject("GET", "social", Injection{std::nullopt, "", {}, 300ms});
    QCoro::Task<void> round = model->poll();
    model->setGame(QString("orbit"));
    model->presenceChanged();
    settle();
    EXPECT_EQ(sent("GET", "/player/api/social").size(), 2u);
    auto presence = sent("POST", "/player/api/social/presence");
    ASSERT_EQ(presence.size(), 2u);
    EXPECT_EQ(Json::parse(presence[0].body), (Json{{"current_game", nullptr}}));
    EXPECT_EQ(Json::parse(presence[1].body), (Json{{"current_game", "orbit"}}));
}

TEST_F(SocialModelTest, PresenceFollowsTheSwitch) {
    signIn();
    service.clearRequests();
    model->setSharePresence(false);
    model->presenceChanged();
    settle();
    await(model->poll());
    EXPECT_EQ(sent("POST", "/player/api/social/presence/offline").size(), 1u);
    EXPECT_EQ(sent("POST", "/player/api/social/presence").size(), 1u) << "only the offline notice";
    EXPECT_EQ(sent("GET", "/player/api/social").size(), 1u);
    EXPECT_EQ(QSettings("NOVRA", "NOVRA Launcher").value("sharePresence").toString(), "false");
    EXPECT_FALSE(makeModel()->sharePresence()) << "the preference is read back";
}

TEST_F(SocialModelTest, NotificationPermission) {
    for (bool granted : {false, true}) {
        permission = granted;
        model->enableNotifications();
        settle();
        EXPECT_EQ(model->notificationsEnabled(), granted);
        EXPECT_EQ(QSettings("NOVRA", "NOVRA Launcher").value("notificationsEnabled").toBool(), granted);
    }
    EXPECT_EQ(model->error(), "Разрешите уведомления NOVRA Launcher в настройках системы → Уведомления.");
}

// --- conversations ---------------------------------------------------------------------------------

TEST_F(SocialModelTest, PagesMergeByIdAndKeepTheCursor) {
    QAbstractItemModelTester tester(model->property("messages").value<QAbstractListModel*>(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (int i = 0; i < 120; ++i)
        service.addMessage(i % 2 ? "p-anna" : "p-boris", i % 2 ? "p-boris" : "p-anna", "m");
    signIn();
    model->setChatVisible(true);
    open("p-boris"); // ids 1 to 121; the newest page is 72 to 121
    auto ids = [&] {
        std::vector<int64_t> list;
        for (const DirectMessage& m : model->messages())
            list.push_back(m.id);
        return list;
    };
    std::vector<int64_t> newest = ids();
    ASSERT_EQ(newest.size(), 50u);
    EXPECT_EQ(newest.front(), 72);
    EXPECT_TRUE(std::is_sorted(newest.begin(), newest.end()));
    EXPECT_EQ(model->nextBefore(), 72);

    await(model->loadMessages("p-boris", true));
    EXPECT_EQ(sent("GET", "/player/api/social/messages/p-boris").back().target,
              "/player/api/social/messages/p-boris?limit=50&before=72");
    EXPECT_EQ(ids().size(), 100u);
    EXPECT_EQ(ids().front(), 22);
    EXPECT_EQ(model->nextBefore(), 22);

    // A refreshed newest page, where 121 changed and 122 is new: each id once, the page's version.
    const char* page = R"({"messages": [
        {"id": 122, "sender_id": "p-boris", "recipient_id": "p-anna", "client_id": "c", "body": "новое",
         "created": 1},
        {"id": 121, "sender_id": "p-anna", "recipient_id": "p-boris", "client_id": "c", "body": "правка",
         "created": 1}],
        "read_through": 122, "next_before": 121})";
    service.inject("GET", "social/messages/p-boris", Injection{200, page, {}, 0ms});
    await(model->poll());
    EXPECT_EQ(ids().size(), 101u);
    EXPECT_EQ(ids().back(), 122);
    EXPECT_EQ(model->messages()[99].body, "правка");
    EXPECT_EQ(model->nextBefore(), 22) << "a refresh keeps the cursor";
}

TEST_F(SocialModelTest, ReadMarksOnlyForWhatThePlayerSees) {
    auto message = [](int id, const char* from, const char* to) {
        return Json{{"id", id},         {"sender_id", from}, {"recipient_id", to},
                    {"client_id", "c"}, {"body", "m"},       {"created", 1}};
    };
    const Json mine = message(6, "p-anna", "p-boris"), theirs5 = message(5, "p-boris", "p-anna"),
               theirs9 = message(9, "p-boris", "p-anna"), theirs7 = message(7, "p-boris", "p-anna");
    struct Case {
        bool visible, active;
        Json messages;
        int readThrough;
        std::optional<int> through;
    };
    const Case cases[] = {
        {true, true, Json::array({theirs5, mine}), 0, 5},
        {false, true, Json::array({theirs5, mine}), 0, std::nullopt},
        {true, false, Json::array({theirs5, mine}), 0, std::nullopt},
        {true, true, Json::array({mine}), 0, std::nullopt},
        {true, true, Json::array({theirs5, mine}), 5, std::nullopt},
        {true, true, Json::array({theirs9, theirs7}), 5, 9}, // newest first, as the service sends it
    };
    signIn();
    for (const Case& c : cases) {
        Json page{{"messages", c.messages}, {"read_through", c.readThrough}};
        service.inject("GET", "social/messages/p-boris", Injection{200, page.dump(), {}, 0ms});
        service.clearRequests();
        model->setChatVisible(c.visible);
        active = c.active;
        open("p-boris");
        auto marks = sent("POST", "/player/api/social/messages/p-boris/read");
        ASSERT_EQ(marks.size(), c.through ? 1u : 0u) << page.dump();
        if (c.through) {
            EXPECT_EQ(Json::parse(marks[0].body), (Json{{"through", *c.through}}));
        }
    }
}

TEST_F(SocialModelTest, SwitchingFriendDropsTheLatePage) {
    service.addMessage("p-vera", "p-anna", "от веры");
    signIn();
    service.inject("GET", "social/messages/p-boris", Injection{std::nullopt, "", {}, 300ms});
    model->select("p-boris");
    open("p-vera");
    EXPECT_EQ(model->selectedFriend(), "p-vera");
    ASSERT_EQ(model->messages().size(), 1u);
    EXPECT_EQ(model->messages()[0].body, "от веры");
}

// --- sending ---------------------------------------------------------------------------------------

TEST_F(SocialModelTest, BlankOrOverlongTextIsNotSent) {
    const QString limit = "В сообщении может быть до 4000 символов";
    struct Case {
        std::string text;
        bool sent;
        std::optional<QString> error;
    };
    const Case cases[] = {
        {" \n\t\u00a0\u2028 ", false, std::nullopt},
        {repeat("e\u0301", 4001), false, limit},
        {repeat("👍🏽", 4001), false, limit},
        {repeat("ж", 3998) + "   ", false, limit}, // counted before trimming
        {repeat("e\u0301", 4000), true, std::nullopt},
        {repeat("🇷🇺", 2000), true, std::nullopt}, // a flag is one character
    };
    signIn();
    open("p-boris");
    for (const Case& c : cases) {
        size_t before = sent("POST", "/player/api/social/messages/p-boris").size();
        EXPECT_EQ(await(model->send(QString::fromStdString(c.text))), c.sent) << c.text.substr(0, 20);
        EXPECT_EQ(sent("POST", "/player/api/social/messages/p-boris").size(), before + (c.sent ? 1 : 0));
        EXPECT_EQ(model->error(), c.error);
        if (c.sent) {
            EXPECT_EQ(model->messages().back().body, c.text);
        }
    }
}

TEST_F(SocialModelTest, RetryOfTheSameTextReusesTheClientId) {
    signIn();
    open("p-boris");
    auto clientIds = [&] {
        std::vector<std::string> ids;
        for (auto& request : sent("POST", "/player/api/social/messages/p-boris"))
            ids.push_back(Json::parse(request.body)["client_id"]);
        return ids;
    };
    service.inject("POST", "social/messages/p-boris", Injection{503, "", {}, 0ms});
    EXPECT_FALSE(await(model->send("привет")));
    EXPECT_FALSE(await(model->send("привет")));
    EXPECT_FALSE(await(model->send("привет!")));
    service.clearInjections();
    EXPECT_FALSE(model->sending());
    EXPECT_TRUE(await(model->send("привет!")));
    EXPECT_TRUE(await(model->send("привет!")));
    std::vector<std::string> ids = clientIds();
    ASSERT_EQ(ids.size(), 5u);
    for (const std::string& id : ids)
        EXPECT_TRUE(
            std::regex_match(id, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")))
            << id;
    EXPECT_EQ(ids[0], ids[1]);
    EXPECT_NE(ids[1], ids[2]) << "a different text is a new message";
    EXPECT_EQ(ids[2], ids[3]) << "the retry after the failure";
    EXPECT_NE(ids[3], ids[4]) << "a sent message is done with";
}

TEST_F(SocialModelTest, AnswerAlreadyListedChangesNothing) {
    signIn();
    open("p-boris");
    ASSERT_EQ(model->messages().size(), 1u);
    Json stored{{"id", model->messages()[0].id},
                {"sender_id", "p-anna"},
                {"recipient_id", "p-boris"},
                {"client_id", "c"},
                {"body", "другое"},
                {"created", 1}};
    service.inject("POST", "social/messages/p-boris",
                   Injection{200, Json{{"message", stored}}.dump(), {}, 0ms});
    EXPECT_TRUE(await(model->send("другое")));
    ASSERT_EQ(model->messages().size(), 1u);
    EXPECT_EQ(model->messages()[0].body, "привет");
}

// --- the application -------------------------------------------------------------------------------

// The launcher program of the build, signed in through the session stored for the local service,
// is asked to quit: it reports the player offline first and ends only once the service answered.
TEST_F(SocialModelTest, QuitWhileSignedInSendsTheOfflineNoticeBeforeTheProcessEnds) {
    await(SessionKeychain::write(service.sessionFor("p-anna"), QString::fromStdString(service.origin())));
    service.inject("POST", "social/presence/offline", Injection{std::nullopt, "", {}, 1s});
    TempDir home;
    ScopedEnv homeVariable{"HOME", home.path()}, data{"XDG_DATA_HOME", home / "data"},
        config{"XDG_CONFIG_HOME", home / "config"}, offscreen{"QT_QPA_PLATFORM", "offscreen"};
    // Its window checks the build source when it appears: one on this machine that answers nothing.
    writeFile(home / "data/NOVRA Launcher/settings.json",
              R"({"host": "novra-build", "library": ")" + home / "library" +
                  R"(", "remoteRoot": "/srv/builds", "requiredVolumes": [], "sourceURL": "https://127.0.0.1:9"})");
    platform::Process launcher(NOVRA_HUB_PATH, {});
    launcher.standardInput = platform::Redirect::null();
    launcher.standardOutput = platform::Redirect::null();
    launcher.launch();
    ASSERT_TRUE(waitUntil([&] { return !sent("GET", "/player/api/social").empty(); }))
        << "restored and polled";

    launcher.terminate();
    const std::string offlinePath = "/player/api/social/presence/offline";
    waitUntil([&] { return !sent("POST", offlinePath).empty() || !launcher.isRunning(); });
    ASSERT_EQ(sent("POST", offlinePath).size(), 1u) << "ended without the offline notice";
    runFor(500ms);
    EXPECT_TRUE(launcher.isRunning()) << "ended before the service answered the offline notice";
    ASSERT_TRUE(launcher.waitFor(10));
    EXPECT_EQ(launcher.exitStatus(), 0);
    auto offline = sent("POST", offlinePath);
    ASSERT_EQ(offline.size(), 1u);
    EXPECT_NE(offline[0].answered, std::chrono::steady_clock::time_point{});
}
