#include "support/HttpsServer.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "support/Network.h"
#include "support/TestSupport.h"
#include "tools/http/LocalServer.h"

namespace novra::test {

struct HttpsServer::State {
    TempDir dir;
    std::string certificate = dir / "cert.pem";
    std::string key = dir / "key.pem";
    std::unique_ptr<httplib::SSLServer> server;
    std::thread thread;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::vector<ScopedEnv> environment;

    mutable std::mutex mutex;
    std::map<std::string, std::function<void(httplib::Response&)>> routes;
    std::map<std::string, int> requests;
};

namespace {

void makeCertificate(const std::string& certificate, const std::string& key) {
    RunResult made = run("/usr/bin/openssl",
                         {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                          "-keyout", key, "-out", certificate, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                          "subjectAltName=IP:127.0.0.1"});
    if (made.status != 0) throw std::runtime_error("openssl req failed: " + made.err);
}

} // namespace

HttpsServer::HttpsServer() : state_(std::make_unique<State>()) {
    State& s = *state_;
    makeCertificate(s.certificate, s.key);
    s.server = std::make_unique<httplib::SSLServer>(s.certificate.c_str(), s.key.c_str());
    if (!s.server->is_valid()) throw std::runtime_error("HTTPS server: certificate not accepted");
    s.server->set_keep_alive_timeout(1);
    s.server->Get(".*", [&s](const httplib::Request& request, httplib::Response& response) {
        std::function<void(httplib::Response&)> route;
        {
            std::lock_guard lock(s.mutex);
            ++s.requests[request.path];
            auto found = s.routes.find(request.path);
            if (found != s.routes.end()) route = found->second;
        }
        if (route) {
            route(response);
        } else {
            response.status = 404;
            response.set_content("not found", "text/plain");
        }
    });
    s.port = tools::listenOnLoopback(*s.server, 0, s.thread);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(s.server->is_running() && acceptsConnections(s.port))) {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("HTTPS server did not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    s.environment.emplace_back("CURL_CA_BUNDLE", s.certificate);
    for (const char* proxy : {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        s.environment.emplace_back(proxy, std::nullopt);
    s.environment.emplace_back("no_proxy", "127.0.0.1");
}

HttpsServer::~HttpsServer() {
    state_->stopping = true;
    state_->server->stop();
    if (state_->thread.joinable()) state_->thread.join();
}

std::string HttpsServer::url() const { return "https://127.0.0.1:" + std::to_string(state_->port); }
std::string HttpsServer::certificate() const { return state_->certificate; }

void HttpsServer::serve(const std::string& path, Response answer) {
    std::lock_guard lock(state_->mutex);
    state_->routes[path] = [answer = std::move(answer)](httplib::Response& response) {
        response.status = answer.status;
        for (const auto& [name, value] : answer.headers) response.set_header(name, value);
        response.set_content(answer.body, "application/octet-stream");
    };
}

void HttpsServer::serveFile(const std::string& path, const std::string& file) {
    std::lock_guard lock(state_->mutex);
    state_->routes[path] = [file](httplib::Response& response) {
        if (!tools::respondWithFile(response, file)) response.status = 404;
    };
}

void HttpsServer::stall(const std::string& path, std::string prefix) {
    std::lock_guard lock(state_->mutex);
    State* s = state_.get();
    state_->routes[path] = [s, prefix](httplib::Response& response) {
        auto sent = std::make_shared<bool>(false);
        response.set_chunked_content_provider(
            "application/octet-stream", [s, prefix, sent](size_t, httplib::DataSink& sink) {
                if (!*sent) {
                    *sent = true;
                    return sink.write(prefix.data(), prefix.size());
                }
                // Nothing more comes; the handler ends only when the server stops.
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return !s->stopping.load();
            });
    };
}

int HttpsServer::requests(const std::string& path) const {
    std::lock_guard lock(state_->mutex);
    auto found = state_->requests.find(path);
    return found == state_->requests.end() ? 0 : found->second;
}

} // namespace novra::test
