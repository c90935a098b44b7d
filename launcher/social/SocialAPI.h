#pragma once
// The launcher's only client of the studio's social service: JSON over HTTP below the origin's
// "/player/api/". It keeps the session cookie "factory_player" (in memory and in the secret store),
// sends one request at a time in arrival order, and turns every failed answer into a SocialFailure.
//
// Lives on the main thread; callers co_await its tasks there. It must outlive every task it started.
#include <chrono>
#include <coroutine>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>

#include "launcher/social/SocialTypes.h"

class QNetworkAccessManager;

namespace novra {

// A failure of the HTTP transport (no connection, time-out, TLS): the network stack's error code
// (both time-outs report QNetworkReply::TimeoutError) and its description in Russian.
class TransportError : public std::runtime_error {
public:
    TransportError(int code, const std::string& description) : std::runtime_error(description), code_(code) {}
    int code() const { return code_; } // a QNetworkReply::NetworkError
private:
    int code_;
};

class SocialAPI : public QObject {
public:
    struct Timeouts {
        std::chrono::milliseconds data{15000};     // longest wait for more data
        std::chrono::milliseconds exchange{20000}; // the whole exchange
    };

    // The most bytes an answer may carry (a page is 50 messages); a longer one fails unread.
    static constexpr int64_t kAnswerLimit = 8 * 1024 * 1024;

    // The environment variable that points the client at a local test service.
    static constexpr const char* kTestOriginVariable = "NOVRA_SOCIAL_TEST_ORIGIN";

    // Chooses the origin from the environment once.
    explicit SocialAPI(QObject* parent = nullptr);
    ~SocialAPI() override;

    // "https://" + the studio's host.
    static QString studioOrigin();
    // The origin for a value of the test variable: the value itself when it is an "http" URL whose host
    // is exactly "127.0.0.1" or "localhost", the studio's origin in every other case.
    static QString originFor(const std::optional<QString>& testValue);
    // Whether the test variable is set at all, whatever its value.
    static bool testOriginRequested();

    const QString& origin() const { return origin_; }
    // origin + "/player/api/" + path as a URL, or none when that text does not parse as one.
    std::optional<QUrl> address(const std::string& path) const;
    void setTimeouts(Timeouts timeouts) { timeouts_ = timeouts; }

    // On the first call reads the stored session of this origin; later calls do not read again.
    QCoro::Task<bool> hasSession();
    // Drops the session here and in the secret store (whose outcome is ignored).
    QCoro::Task<void> forget();

    // Sends `method` to origin + "/player/api/" + `path` with `body` (a JSON object) when present and
    // decodes a 200 answer as T. Throws SocialFailure, TransportError, DecodingError, the JSON
    // library's error for a body it cannot serialise, or the secret store's LauncherError.
    template <class T>
    QCoro::Task<T> request(std::string path, std::string method, std::optional<Json> body = std::nullopt);

    // The endpoints of the service. Ids go into the path as they are; an id that would change the
    // path's shape fails with "Неверный адрес" before anything is sent.
    QCoro::Task<PlayerAccount> currentSession();                      // GET session
    QCoro::Task<PlayerAccount> openSession();                         // POST session
    QCoro::Task<PlayerAccount> login(std::string username, std::string password);
    QCoro::Task<PlayerAccount> registerAccount(std::string username, std::string password);
    QCoro::Task<APIResult> logout();
    QCoro::Task<SocialSnapshot> snapshot();
    QCoro::Task<APIResult> reportPresence(std::optional<std::string> currentGame);
    QCoro::Task<std::optional<APIResult>> goOffline();
    QCoro::Task<APIResult> requestFriend(std::string username);
    QCoro::Task<APIResult> acceptFriend(std::string id);
    QCoro::Task<APIResult> declineFriend(std::string id);
    QCoro::Task<APIResult> removeFriend(std::string id);
    QCoro::Task<APIResult> block(std::string id);
    QCoro::Task<APIResult> unblock(std::string id);
    // The newest page (no cursor) or the page before `before`, 50 messages at most.
    QCoro::Task<MessagePage> messages(std::string friendID, std::optional<int64_t> before = std::nullopt);
    QCoro::Task<SentMessage> sendMessage(std::string friendID, std::string clientID, std::string body);
    QCoro::Task<APIResult> markRead(std::string friendID, int64_t through);

private:
    class Turn;
    class TurnAwaiter;

    // Waits for the turn: at most one exchange runs, and waiting callers go in arrival order.
    TurnAwaiter acquire();
    // Passes the turn to the first waiting caller, or frees it.
    void release();
    // One exchange under the turn: the body of a 200 answer, or the failure.
    QCoro::Task<std::string> exchange(std::string path, std::string method, std::optional<Json> body);
    QCoro::Task<std::string> sendUnderTurn(std::string path, std::string method, std::optional<Json> body);

    QString origin_;
    QNetworkAccessManager* session_;
    std::optional<std::string> cookie_;
    bool sessionLoaded_ = false;
    bool requesting_ = false;
    std::deque<std::coroutine_handle<>> waiting_;
    Timeouts timeouts_;
};

template <class T>
QCoro::Task<T> SocialAPI::request(std::string path, std::string method, std::optional<Json> body) {
    // The next caller's turn is resumed from the event loop, so decoding here still happens before
    // the next request goes out.
    std::string answer = co_await exchange(std::move(path), std::move(method), std::move(body));
    co_return decodeSocial<T>(answer);
}

} // namespace novra
