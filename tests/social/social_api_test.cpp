// The service client against the local social service, with its session in a private keyring.
#include <chrono>

#include <QNetworkReply>
#include <gtest/gtest.h>

#include "core/LauncherError.h"
#include "launcher/social/SessionKeychain.h"
#include "launcher/social/SocialAPI.h"
#include "platform/Process.h"
#include "support/TestSupport.h"
#include "support/social/SocialTestSupport.h"
#include "tools/social-service/SocialService.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;
using Injection = tools::SocialService::Injection;

namespace {

template <class T> SocialFailure failureOf(QCoro::Task<T> task) {
    try {
        await(std::move(task));
    } catch (const SocialFailure& failure) {
        return failure;
    }
    ADD_FAILURE() << "the request did not fail with a SocialFailure";
    return SocialFailure(-1, "");
}

// The transport failure a request ends in: its code and text.
template <class T> std::pair<int, std::string> transportFailure(QCoro::Task<T> task) {
    try {
        await(std::move(task));
    } catch (const TransportError& e) {
        return {e.code(), e.what()};
    } catch (const std::exception& e) {
        return {-1, std::string("not a transport failure: ") + e.what()};
    }
    return {-1, "(none)"};
}

// Awaits a task and records when it ended, whatever its outcome.
template <class T> QCoro::Task<> recordEnd(QCoro::Task<T> task, std::vector<int>* ends, int index) {
    try {
        co_await task;
    } catch (const std::exception&) {
    }
    ends->push_back(index);
}

class SocialAPITest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!useSecretStore(SecretStore::Keyring)) GTEST_SKIP() << "needs a process of its own (ctest runs it so)";
        service.start();
        useOrigin(service.origin());
    }
    void TearDown() override {
        api.reset();
        service.stop();
        qunsetenv(SocialAPI::kTestOriginVariable);
    }

    void useOrigin(const std::string& origin) {
        qputenv(SocialAPI::kTestOriginVariable, QByteArray::fromStdString(origin));
        api = std::make_unique<SocialAPI>();
    }

    std::optional<std::string> stored() { return await(SessionKeychain::read(api->origin())); }

    PlayerAccount signUp(const std::string& username) {
        await(api->openSession());
        return await(api->registerAccount(username, "password1"));
    }

    tools::SocialService service;
    std::unique_ptr<SocialAPI> api;
};

} // namespace

TEST(SocialAPIOrigin, OnlyPlainHttpToTheLocalMachineIsATestOrigin) {
    const QString studio = SocialAPI::studioOrigin();
    const std::pair<bool, std::vector<const char*>> groups[] = {
        {true, {"http://localhost:8080", "http://127.0.0.1:5000", "http://127.0.0.1", "http://localhost:8080/",
                "http://player@localhost:8080"}},
        {false, {"https://localhost:8080", "ftp://localhost", "HTTP://localhost:8080", "http://LOCALHOST:8080",
                 "http://example.com", "http://127.0.0.2", "http://127.1", "http://localhost.example.com",
                 "http://127.0.0.1@example.com", "http://localhost:port", "localhost:8080", "not a url", ""}},
    };
    for (const auto& [accepted, values] : groups)
        for (const char* value : values) {
            qputenv(SocialAPI::kTestOriginVariable, value);
            EXPECT_EQ(SocialAPI().origin(), accepted ? QString::fromUtf8(value) : studio) << value;
            // Whatever the value, the variable being set is what shows the test banner.
            EXPECT_TRUE(SocialAPI::testOriginRequested());
        }
    qunsetenv(SocialAPI::kTestOriginVariable);
    EXPECT_EQ(SocialAPI().origin(), studio);
    EXPECT_FALSE(SocialAPI::testOriginRequested());
}

TEST_F(SocialAPITest, SessionCookieIsCapturedRestoredAndDroppedByAnEmptyCookie) {
    EXPECT_FALSE(await(api->hasSession()));
    PlayerAccount guest = await(api->openSession());
    EXPECT_FALSE(guest.registered);
    EXPECT_EQ(guest.username, std::nullopt);
    std::optional<std::string> guestCookie = stored();
    ASSERT_TRUE(guestCookie);
    EXPECT_TRUE(await(api->hasSession()));

    PlayerAccount anna = await(api->registerAccount("anna", "password1"));
    EXPECT_TRUE(anna.registered);
    EXPECT_EQ(anna.username, "anna");
    std::optional<std::string> annaCookie = stored();
    ASSERT_TRUE(annaCookie);
    EXPECT_NE(annaCookie, guestCookie) << "signing in gives a new session";

    auto requests = service.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].cookie, "");
    EXPECT_EQ(requests[1].cookie, "factory_player=" + *guestCookie);
    EXPECT_EQ(requests[1].origin, service.origin());
    EXPECT_EQ(requests[1].contentType, "application/json");

    // A 200 that sets no session cookie keeps the session.
    await(api->snapshot());
    EXPECT_EQ(stored(), annaCookie);
    EXPECT_EQ(service.requests().back().cookie, "factory_player=" + *annaCookie);

    // The next run restores the session from the store.
    SocialAPI nextRun;
    EXPECT_TRUE(await(nextRun.hasSession()));
    EXPECT_EQ(await(nextRun.currentSession()), anna);

    // Logging out: the service answers with an empty cookie, which signs the client out.
    await(api->logout());
    EXPECT_EQ(stored(), std::nullopt);
    EXPECT_FALSE(await(api->hasSession()));
    EXPECT_EQ(failureOf(api->currentSession()).status(), 401);
    EXPECT_EQ(service.requests().back().cookie, "") << "no cookie after signing out";
}

TEST_F(SocialAPITest, UnauthorizedAnswerForgetsTheSession) {
    // A stored session that the service does not know.
    await(SessionKeychain::write("stale", api->origin()));
    EXPECT_TRUE(await(api->hasSession()));
    SocialFailure failure = failureOf(api->currentSession());
    EXPECT_EQ(failure.status(), 401);
    EXPECT_EQ(failure.message(), "Сеанс не найден");
    EXPECT_EQ(service.requests().back().cookie, "factory_player=stale");
    EXPECT_EQ(stored(), std::nullopt);
    EXPECT_FALSE(await(api->hasSession()));

    // Whatever the body of the 401 says.
    signUp("anna");
    ASSERT_TRUE(stored());
    service.inject("GET", "social", Injection{401, "<html>Unauthorized</html>", {}, 0ms});
    failure = failureOf(api->snapshot());
    EXPECT_EQ(failure.status(), 401);
    EXPECT_EQ(failure.message(), "Сервис недоступен (401)");
    EXPECT_EQ(stored(), std::nullopt);
    EXPECT_FALSE(await(api->hasSession()));
}

TEST_F(SocialAPITest, OnlyStatus200Succeeds) {
    signUp("anna");
    std::optional<std::string> cookie = stored();
    ASSERT_TRUE(cookie);
    const std::string elsewhere = service.origin() + "/player/api/session";
    struct Case {
        int status;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string message;
    };
    const Case cases[] = {
        {201, "{}", {}, "Сервис недоступен (201)"},
        {201, R"({"error": "Создано не то"})", {}, "Создано не то"},
        {204, "", {}, "Сервис недоступен (204)"},
        {302, "", {{"Location", elsewhere}}, "Сервис недоступен (302)"},
        {404, "<html><body>Not Found</body></html>", {}, "Социальная часть NOVRA ещё не включена на сервере"},
        {404, R"({"error": "Нет такого"})", {}, "Нет такого"},
        {503, R"({"error": 5})", {}, "Сервис недоступен (503)"},
        {500, R"({"message": "x"})", {}, "Сервис недоступен (500)"},
        {503, R"(["error"])", {}, "Сервис недоступен (503)"},
        {403, R"({"error": ""})", {}, ""},
        // A failed answer's cookies are not taken.
        {201, "{}", {{"Set-Cookie", "factory_player=other; Path=/"}}, "Сервис недоступен (201)"},
        {500, "", {{"Set-Cookie", "factory_player=; Path=/; Max-Age=0"}}, "Сервис недоступен (500)"},
    };
    for (const Case& c : cases) {
        service.clearRequests();
        service.inject("GET", "social", Injection{c.status, c.body, c.headers, 0ms});
        SocialFailure failure = failureOf(api->snapshot());
        EXPECT_EQ(failure.status(), c.status) << c.body;
        EXPECT_EQ(failure.message(), c.message) << c.status << " " << c.body;
        EXPECT_EQ(service.requests().size(), 1u) << "a redirect is not followed";
        EXPECT_EQ(stored(), cookie) << c.status << ": the session stays";
    }
}

TEST_F(SocialAPITest, LocalhostOriginAndOneWithATrailingSlash) {
    useOrigin("http://localhost:" + std::to_string(service.port()));
    EXPECT_FALSE(await(api->openSession()).registered);
    EXPECT_EQ(service.requests().back().target, "/player/api/session");
    EXPECT_EQ(service.requests().back().origin, "http://localhost:" + std::to_string(service.port()));

    // The origin is joined as written, so the slash doubles; Qt's HTTP stack normalises the path of
    // the request line, so the request still reaches the API. The origin itself keeps its slash.
    useOrigin(service.origin() + "/");
    EXPECT_FALSE(await(api->openSession()).registered);
    EXPECT_EQ(service.requests().back().target, "/player/api/session");
    EXPECT_EQ(service.requests().back().origin, service.origin() + "/");
    EXPECT_TRUE(stored()) << "the session is kept under the origin as written";
    EXPECT_EQ(await(SessionKeychain::read(QString::fromStdString(service.origin()))), std::nullopt);
}

TEST_F(SocialAPITest, RequestsRunOneAtATimeInTheOrderTheyCame) {
    service.inject("POST", "session", Injection{std::nullopt, "", {}, 300ms});
    std::vector<int> ends;
    QCoro::Task<> first = recordEnd(api->openSession(), &ends, 1);
    QCoro::Task<> second = recordEnd(api->currentSession(), &ends, 2);
    QCoro::Task<> third = recordEnd(api->snapshot(), &ends, 3);
    await(std::move(third));
    EXPECT_EQ(ends, (std::vector<int>{1, 2, 3}));

    auto requests = service.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/player/api/session");
    EXPECT_EQ(requests[1].target, "/player/api/session");
    EXPECT_EQ(requests[2].target, "/player/api/social");
    // Each request went out only after the previous answer, and carried the cookie it set.
    EXPECT_GE(requests[1].arrived, requests[0].answered);
    EXPECT_GE(requests[2].arrived, requests[1].answered);
    std::optional<std::string> cookie = stored();
    ASSERT_TRUE(cookie);
    EXPECT_EQ(requests[1].cookie, "factory_player=" + *cookie);
}

TEST_F(SocialAPITest, AddressThatDoesNotParseSendsNothing) {
    for (const char* id : {"a b", "p-1/../../logout", "p-1?limit=1", "p-1#x", "p%2F1", "", ".."}) {
        SocialFailure failure = failureOf(api->acceptFriend(id));
        EXPECT_EQ(failure.status(), 0) << id;
        EXPECT_EQ(failure.message(), "Неверный адрес") << id;
    }
    EXPECT_EQ(failureOf(api->request<APIResult>("social/friends/a b/accept", "POST", SocialBody::empty())).message(),
              "Неверный адрес");
    EXPECT_EQ(failureOf(api->messages("a\tb")).message(), "Неверный адрес");
    EXPECT_TRUE(service.requests().empty());
    // The turn was given back.
    EXPECT_FALSE(await(api->openSession()).registered);
}

TEST_F(SocialAPITest, TransportFailuresAndUndecodableAnswers) {
    // No answer in time, by the data time-out and by the whole exchange's.
    const SocialAPI::Timeouts limits[] = {{300ms, 10s}, {10s, 300ms}};
    for (const SocialAPI::Timeouts& limit : limits) {
        api->setTimeouts(limit);
        service.inject("POST", "session", Injection{std::nullopt, "", {}, 1000ms});
        EXPECT_EQ(transportFailure(api->openSession()),
                  std::pair(int(QNetworkReply::TimeoutError), std::string("Сервер не ответил вовремя")));
        service.clearInjections();
        EXPECT_FALSE(await(api->openSession()).registered) << "the turn was given back";
    }

    // A body that cannot be serialised is refused before anything is sent.
    service.clearRequests();
    Json notText = {{"current_game", std::string("\xff")}};
    EXPECT_THROW(await(api->request<APIResult>("social/presence", "POST", notText)), Json::type_error);
    EXPECT_TRUE(service.requests().empty());

    // 200 answers that do not decode.
    service.inject("GET", "session", Injection{200, "[]", {}, 0ms});
    EXPECT_THROW(await(api->currentSession()), DecodingError);
    service.inject("POST", "logout", Injection{200, "", {}, 0ms});
    EXPECT_THROW(await(api->logout()), DecodingError) << "no bytes is not a JSON document";

    // Nobody listening.
    useOrigin("http://127.0.0.1:1");
    EXPECT_EQ(transportFailure(api->openSession()), std::pair(int(QNetworkReply::ConnectionRefusedError),
                                                              std::string("Не удалось подключиться к серверу")));
}

// The service program serves the accounts of its seed file at the origin it prints (what a seed
// holds is the demo cast's, seen in the views).
TEST_F(SocialAPITest, ServiceProgramServesItsSeed) {
    TempDir folder;
    writeFile(folder / "seed.json", R"({
        "accounts": [{"id": "p-anna", "username": "anna", "password": "password1"},
                     {"id": "p-boris", "username": "boris", "password": "password2"}],
        "friends": [["p-anna", "p-boris"]]})");
    platform::Process program(NOVRA_SOCIAL_SERVICE_PATH, {"--port", "0", "--seed", folder / "seed.json"});
    program.standardInput = platform::Redirect::null();
    program.standardOutput = platform::Redirect::stream();
    program.launch();
    std::string origin = readLine(program.streamFd(1));
    ASSERT_EQ(origin.rfind("http://127.0.0.1:", 0), 0u) << origin;
    useOrigin(origin);

    await(api->openSession());
    EXPECT_EQ(failureOf(api->login("anna", "wrong password")).status(), 403);
    EXPECT_EQ(await(api->login("anna", "password1")), (PlayerAccount{"p-anna", "anna", true}));
    EXPECT_EQ(await(api->snapshot()).friends.at(0).id, "p-boris");
    program.terminate();
    EXPECT_EQ(program.wait(), 0);
}

TEST(SocialAPIWithoutSecretStore, FailedStoreEscapesTheRequestButTheSessionStaysForThisRun) {
    if (!useSecretStore(SecretStore::NoSession)) GTEST_SKIP() << "needs a process of its own (ctest runs it so)";
    tools::SocialService service;
    service.start();
    qputenv(SocialAPI::kTestOriginVariable, QByteArray::fromStdString(service.origin()));
    SocialAPI api;
    EXPECT_EQ(messageOf([&] { await(api.openSession()); }),
              "Не удалось сохранить сеанс в Связке ключей macOS (7)");
    EXPECT_FALSE(await(api.currentSession()).registered);
    EXPECT_NE(service.requests().back().cookie, "");
    qunsetenv(SocialAPI::kTestOriginVariable);
}

namespace {

// Answers that no honest service gives, from a raw server.
class HostileServiceTest : public SocialAPITest {
protected:
    void SetUp() override {
        SocialAPITest::SetUp();
        if (IsSkipped()) return;
        useOrigin(raw.origin());
    }

    // A fresh client of the raw server, restored with the stored session "good".
    void signedIn() {
        await(SessionKeychain::write("good", QString::fromStdString(raw.origin())));
        useOrigin(raw.origin());
        api->setTimeouts({2s, 5s});
        ASSERT_TRUE(await(api->hasSession()));
    }

    // The Cookie field that the client sends with its next request ("" for none).
    std::string nextCookie() {
        raw.answer(answer(200, "{}"));
        await(api->request<APIResult>("social", "GET"));
        return RawHttpServer::field(raw.requests().back(), "Cookie");
    }

    static RawHttpServer::Answer answer(int status, const std::string& body, const std::string& fields = "") {
        return {"HTTP/1.1 " + std::to_string(status) +
                    " X\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
                    "\r\n" + fields,
                body};
    }

    RawHttpServer raw;
};

// A JSON document (a string) of exactly `size` bytes.
std::string jsonOfSize(int64_t size) {
    return '"' + std::string(static_cast<size_t>(size - 2), 'x') + '"';
}

} // namespace

TEST_F(HostileServiceTest, AnswersBeyondTheLimitFailUnreadAndSetNoCookie) {
    const int64_t limit = SocialAPI::kAnswerLimit;
    const std::string cookie = "Set-Cookie: factory_player=new\r\n";
    struct Case {
        const char* what;
        RawHttpServer::Answer answer;
        std::optional<std::string> session; // stored afterwards
    };
    const Case cases[] = {
        {"declared too long", answer(200, jsonOfSize(limit + 1), cookie), "good"},
        {"read to the close", {"HTTP/1.1 200 OK\r\n" + cookie, jsonOfSize(limit + 1)}, "good"},
        {"chunked, never ends",
         {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n" + cookie, "", 4 * limit},
         "good"},
        {"a failure's body", answer(500, jsonOfSize(limit + 1)), "good"},
        {"unauthorized", answer(401, jsonOfSize(limit + 1)), std::nullopt},
    };
    for (const Case& c : cases) {
        signedIn();
        raw.answer(c.answer);
        SocialFailure failure = failureOf(api->request<APIResult>("social", "GET"));
        EXPECT_EQ(failure.status(), 0) << c.what;
        EXPECT_EQ(failure.message(), "Ответ сервера слишком велик") << c.what;
        EXPECT_EQ(stored(), c.session) << c.what;
    }
    // An answer of exactly the limit is read.
    signedIn();
    raw.answer(answer(200, jsonOfSize(limit), cookie));
    EXPECT_NO_THROW(await(api->request<APIResult>("social", "GET")));
    EXPECT_EQ(stored(), "new");
}

TEST_F(HostileServiceTest, WhatASessionCookieDoesToTheSession) {
    const std::string alphabet = "new!#$%&'()*+-./0-9:<=>?@A-Z[]^_`a-z{|}~";
    // Each field (after "Set-Cookie: factory_player=") with the session stored afterwards: its value
    // when taken, "good" when kept, none when ended.
    const auto check = [&](const std::string& field, const std::optional<std::string>& session) {
        signedIn();
        raw.answer(answer(200, "{}", "Set-Cookie: factory_player=" + field + "\r\n"));
        await(api->request<APIResult>("social", "GET"));
        const std::string row = Json(field.substr(0, 40)).dump(-1, ' ', false, Json::error_handler_t::replace);
        EXPECT_EQ(stored(), session) << row;
        EXPECT_EQ(nextCookie(), session ? "factory_player=" + *session : "") << row;
    };
    for (const std::string& taken : {std::string("new"), alphabet, std::string(4096, 'n'),
                                     std::string("new; Max-Age=3600"), std::string("new; Domain=127.0.0.1")})
        check(taken, taken.substr(0, taken.find(';')));
    for (const std::string& kept : {std::string(4097, 'n'), std::string("new\rX-Injected: 1"), std::string("new\rdef"),
                                    std::string("new\x01"), std::string("new\x7f"), std::string("\"new\""),
                                    std::string("n\\ew"), std::string("n ew"), std::string("сеанс"),
                                    std::string("new; Domain=example.com"), std::string("new; Domain=0.0.1"),
                                    std::string("new; Domain=localhost")})
        check(kept, "good");
    for (const char* ended : {"new; Max-Age=0", "new; Max-Age=-1", "new; Expires=Thu, 01 Jan 1970 00:00:01 GMT"})
        check(ended, std::nullopt);
}

TEST_F(HostileServiceTest, AStoredSessionOutsideTheCookieAlphabetIsNone) {
    for (const std::string& value : {std::string("bad\rvalue"), std::string("a;b"), std::string("a b"),
                                     std::string("сеанс"), std::string(4097, 'n'), std::string("ok-value")}) {
        await(SessionKeychain::write(value, QString::fromStdString(raw.origin())));
        useOrigin(raw.origin());
        bool usable = value == "ok-value";
        const std::string row =
            Json(value.substr(0, 40)).dump(-1, ' ', false, Json::error_handler_t::replace);
        EXPECT_EQ(await(api->hasSession()), usable) << row;
        EXPECT_EQ(nextCookie(), usable ? "factory_player=" + value : "") << row;
    }
}

TEST_F(HostileServiceTest, AnErrorWithAStatusBelow400IsATransportFailure) {
    // Valid gzip of {"ok": true} whose checksum is wrong: the bytes come out, then decompression fails.
    const std::string corrupt(
        "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xab\x56\xca\xcf\x56\xb2\x52\x28\x29\x2a\x4d"
        "\xad\x05\x00\x00\x00\x00\x00\x0c\x00\x00\x00",
        32);
    signedIn();
    raw.answer(answer(200, corrupt, "Content-Encoding: gzip\r\nSet-Cookie: factory_player=new\r\n"));
    EXPECT_EQ(transportFailure(api->request<APIResult>("social", "GET")).second, "Сервер прислал повреждённый ответ");
    EXPECT_EQ(stored(), "good") << "the broken answer's cookie is not taken";
}
