#pragma once
// A local social service for tests and the demo: the studio's endpoints below "/player/api/" over
// plain HTTP on 127.0.0.1, with its JSON documents, sessions through the "factory_player" cookie,
// accounts, friend requests, blocks, presence and messages. State lives in memory; a seed document
// may pre-load it. Tests can replace or delay the answer of a path and read the requests that came
// (the newest kRequestLogSize; their bodies only when asked for, since they carry passwords).
//
// Seed document (every list optional; ids are chosen when absent; times are Unix seconds):
//   {"accounts": [{"id": "p-anna", "username": "anna", "password": "..."}],
//    "friends": [["p-anna", "p-boris"]],
//    "requests": [{"from": "p-vera", "to": "p-anna", "created": 1700000000}],
//    "blocks": [{"by": "p-anna", "blocked": "p-gleb"}],
//    "presence": [{"id": "p-boris", "current_game": "orbit"}],
//    "messages": [{"from": "p-boris", "to": "p-anna", "body": "привет", "created": 1700000000}],
//    "read": [{"reader": "p-anna", "friend": "p-boris", "through": 1}]}
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace novra::tools {

class SocialService {
public:
    // A change of the answers of one path ("session", "social/messages/p-1", ...: the part after
    // "/player/api/", without the query).
    struct Injection {
        std::optional<int> status;   // answer with this status instead of handling the request
        std::string body;            // ... this body, sent as is (may be empty)
        std::vector<std::pair<std::string, std::string>> headers; // ... and these header fields
        std::chrono::milliseconds delay{0}; // wait this long first (the request is still handled
                                            // unless a status is given)
    };

    static constexpr size_t kRequestLogSize = 1000;

    // One request as it arrived.
    struct LoggedRequest {
        std::string method;
        std::string target; // path and query as sent
        std::string cookie; // the Cookie header, "" when absent
        std::string origin;
        std::string contentType;
        std::string body;
        std::chrono::steady_clock::time_point arrived;
        std::chrono::steady_clock::time_point answered;
    };

    // The request log keeps the newest `requestLogSize` requests.
    explicit SocialService(size_t requestLogSize = kRequestLogSize);
    ~SocialService();
    SocialService(const SocialService&) = delete;
    SocialService& operator=(const SocialService&) = delete;

    // Adds the seed document's state. Throws DecodingError or std::runtime_error naming the problem.
    void loadSeed(const std::string& json);

    // Listens on 127.0.0.1 (port 0 picks a free one) and serves on background threads until stop();
    // returns the port. Throws std::runtime_error when the port cannot be bound.
    int start(int port = 0);
    void stop();
    int port() const;
    std::string origin() const; // "http://127.0.0.1:<port>"

    // The method "" matches every method.
    void inject(const std::string& method, const std::string& path, Injection injection);
    void clearInjections();
    // The requests that came, oldest first: the newest of them (see the constructor). Their bodies
    // stay empty unless keepRequestBodies(true) was called before they came.
    std::vector<LoggedRequest> requests() const;
    void clearRequests();
    void keepRequestBodies(bool keep);

    // Direct changes of the state, as if the players had made them.
    std::string addAccount(const std::string& username, const std::string& password);
    void makeFriends(const std::string& a, const std::string& b);
    void addRequest(const std::string& from, const std::string& to);
    std::string sessionFor(const std::string& accountID); // a fresh session token of that account
    // A player's presence as if that player's launcher had reported it.
    void setPresence(const std::string& accountID, std::optional<std::string> currentGame);
    int64_t addMessage(const std::string& from, const std::string& to, const std::string& body);
    // Handles one API request (`path` after "/player/api/", without a query) as the player
    // `accountID` would send it from a session of their own, with a JSON body; nothing goes over
    // the network or into the request log. Returns the status and the answer's body.
    std::pair<int, std::string> actAs(const std::string& accountID, const std::string& method,
                                      const std::string& path, const std::string& body = "{}");

    // The clock (Unix seconds) used for times and presence; the system clock by default.
    void setClock(std::function<int64_t()> now);
    // A player who has not reported presence for this long shows offline (default 60 s).
    void setPresenceTimeout(std::chrono::seconds timeout);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace novra::tools
