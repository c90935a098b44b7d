#pragma once
// Pieces shared by the local HTTP(S) servers of the tools and the tests (cpp-httplib): listening on
// the loopback address, answering with a file read from disk (at a limited rate if asked), and
// serving until SIGINT or SIGTERM.
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Response;
} // namespace httplib

namespace novra::tools {

// Binds `server` to 127.0.0.1:`port` (0 picks a free port), starts serving on `thread` and returns
// the port once the server runs. Throws std::runtime_error when the port cannot be bound.
int listenOnLoopback(httplib::Server& server, int port, std::thread& thread);

// A budget of bytes per second shared by every response that draws on it, so that all of them
// together stay below the rate. Thread-safe.
class RateLimit {
public:
    // 0 (or less): no limit, but close() still ends the responses.
    explicit RateLimit(double bytesPerSecond);
    // Waits until `bytes` more may be sent; false once the limit is closed.
    bool take(size_t bytes);
    // Ends every waiting and later take() with false (the server is stopping).
    void close();

private:
    using Clock = std::chrono::steady_clock;
    const double rate_;
    std::mutex mutex_;
    std::condition_variable closed_;
    bool closing_ = false;
    Clock::time_point next_{}; // when the bytes taken so far have all been sent at the rate
};

// Answers 200 with the bytes of `file`, read from disk while sending, with a Content-Length; each
// chunk first takes its turn from `limit` when one is given. With `leastSeconds` above 0 the whole
// answer also takes at least that long (a small file is sent slowly enough to watch). False, with
// the response untouched, when the file cannot be opened.
bool respondWithFile(httplib::Response& response, const std::string& file, RateLimit* limit = nullptr,
                     double leastSeconds = 0);

// SIGINT and SIGTERM held back from the thread that creates this (create it first in main(), so
// that the serving threads started later inherit that) until wait() takes one of them.
class StopSignals {
public:
    StopSignals();
    void wait();

private:
    sigset_t signals_;
};

} // namespace novra::tools
