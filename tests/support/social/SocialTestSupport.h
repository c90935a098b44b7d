#pragma once
// Helpers of the social tests: running coroutines to completion on the Qt event loop, and the
// secret store a test process runs against.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/PrivateBus.h"
#include "support/qt/QtAwait.h"

namespace novra::test {

// The secret store of this test process. The first test that asks decides; a test that needs
// another kind is skipped (ctest runs every test in a process of its own, so none is skipped there).
enum class SecretStore {
    Keyring,   // a private D-Bus session with an unlocked gnome-keyring
    LockedKeyring, // the same, for a test that locks it
    Silent,    // a private D-Bus session whose Secret Service takes calls and never answers
    NoSession, // no D-Bus session at all
};
// True when the process runs with `kind`; false when it already runs another kind.
bool useSecretStore(SecretStore kind);
// Locks every collection of the private keyring.
void lockKeyring();
// Unlocks the private keyring's default collection with its password, as the user would.
void unlockKeyring();
// Number of items of the private keyring whose attributes match service and account as the
// keychain library files them.
int keyringItems(const std::string& service, const std::string& account);
// Stops what useSecretStore started; called once at the end of the process.
void stopSecretStore();

// A plain HTTP server on 127.0.0.1 that answers every request with bytes the test writes, for faults
// the local social service cannot produce: header values with control bytes, bodies beyond any
// limit, a chunked body that does not end. Connections are served one at a time and closed after
// each answer.
class RawHttpServer {
public:
    struct Answer {
        // Status line and header fields, each ending in "\r\n"; "Connection: close" is added.
        std::string head;
        std::string body; // sent as is after the head
        // When positive: after `body`, this many bytes more as chunks of a chunked body, without the
        // last chunk; then the server sends nothing and keeps the connection until the client goes.
        int64_t endlessChunks = 0;
    };

    RawHttpServer();
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    std::string origin() const; // "http://127.0.0.1:<port>"
    // The answer to every later request.
    void answer(Answer answer);
    // The head of every request so far (request line and header fields).
    std::vector<std::string> requests() const;
    // The value of a header field of a request head as sent, "" when absent.
    static std::string field(const std::string& head, const std::string& name);

private:
    void serve();
    void handle(int connection);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    Answer answer_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

} // namespace novra::test
