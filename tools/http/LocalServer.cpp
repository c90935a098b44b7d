#include "tools/http/LocalServer.h"

#include <httplib.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace novra::tools {
namespace {

constexpr size_t kChunk = 256 * 1024;
// After a pause a response may send this much of a second's budget at once.
constexpr double kBurstSeconds = 0.05;

} // namespace

int listenOnLoopback(httplib::Server& server, int port, std::thread& thread) {
    int bound = port == 0 ? server.bind_to_any_port("127.0.0.1") : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) throw std::runtime_error("Не удалось занять порт на 127.0.0.1");
    thread = std::thread([&server] { server.listen_after_bind(); });
    // The library has no readiness signal of its own.
    for (int i = 0; i < 5000 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

RateLimit::RateLimit(double bytesPerSecond) : rate_(bytesPerSecond) {}

bool RateLimit::take(size_t bytes) {
    std::unique_lock lock(mutex_);
    if (closing_) return false;
    if (rate_ <= 0) return true;
    const auto now = Clock::now();
    const auto burst = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kBurstSeconds));
    if (next_ < now - burst) next_ = now - burst;
    next_ += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bytes / rate_));
    const auto due = next_;
    return !closed_.wait_until(lock, due, [this] { return closing_; });
}

void RateLimit::close() {
    std::lock_guard lock(mutex_);
    closing_ = true;
    closed_.notify_all();
}

bool respondWithFile(httplib::Response& response, const std::string& file, RateLimit* limit, double leastSeconds) {
    auto in = std::make_shared<std::ifstream>(file, std::ios::binary);
    if (!*in) return false;
    in->seekg(0, std::ios::end);
    auto size = static_cast<size_t>(in->tellg());
    // This answer's own budget: the file in `leastSeconds`, in a hundred steps or more.
    std::shared_ptr<RateLimit> stretch;
    size_t chunk = kChunk;
    if (leastSeconds > 0 && size > 0) {
        stretch = std::make_shared<RateLimit>(static_cast<double>(size) / leastSeconds);
        chunk = std::clamp<size_t>(size / 100, 4096, kChunk);
    }
    response.status = 200;
    response.set_content_provider(size, "application/octet-stream",
                                  [in, limit, stretch, chunk](size_t offset, size_t length, httplib::DataSink& sink) {
            std::vector<char> buffer(std::min(length, chunk));
            in->seekg(static_cast<std::streamoff>(offset));
            in->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            if (in->gcount() <= 0) return false;
            auto count = static_cast<size_t>(in->gcount());
            if (limit && !limit->take(count)) return false;
            if (stretch && !stretch->take(count)) return false;
            return sink.write(buffer.data(), count);
        });
    return true;
}

StopSignals::StopSignals() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
}

void StopSignals::wait() {
    int received = 0;
    sigwait(&signals_, &received);
}

} // namespace novra::tools
