#include "tools/demo-studio/SourceServer.h"

#include <httplib.h>

#include <filesystem>
#include <stdexcept>

#include "core/Catalog.h"

namespace fs = std::filesystem;

namespace novra::demo {

SourceServer::SourceServer(const std::string& root, const std::string& certificate, const std::string& privateKey,
                           double bytesPerSecond, double packageSeconds)
    : limit_(bytesPerSecond), packageSeconds_(packageSeconds) {
    std::error_code error;
    root_ = fs::canonical(root, error).string();
    if (error || !fs::is_directory(root_)) throw std::runtime_error("Нет папки источника сборок: " + root);
    server_ = std::make_unique<httplib::SSLServer>(certificate.c_str(), privateKey.c_str());
    if (!server_->is_valid()) throw std::runtime_error("Сертификат или его ключ не подходят: " + certificate);
    server_->set_keep_alive_timeout(1);
    auto notFound = [](const httplib::Request&, httplib::Response& response) {
        response.status = 404;
        response.set_content("Not Found", "text/plain");
    };
    server_->Get(".*", [this, notFound](const httplib::Request& request, httplib::Response& response) {
        auto file = servedFile(root_, request.path);
        const double least = request.path.starts_with("/packages/") ? packageSeconds_ : 0;
        if (!file || !tools::respondWithFile(response, *file, &limit_, least)) notFound(request, response);
    });
    server_->Post(".*", notFound);
    server_->Put(".*", notFound);
    server_->Patch(".*", notFound);
    server_->Delete(".*", notFound);
    server_->Options(".*", notFound);
}

SourceServer::~SourceServer() { stop(); }

int SourceServer::start(int port) {
    port_ = tools::listenOnLoopback(*server_, port, thread_);
    return port_;
}

void SourceServer::stop() {
    limit_.close();
    if (!thread_.joinable()) return;
    server_->stop();
    thread_.join();
}

std::string SourceServer::origin() const { return "https://127.0.0.1:" + std::to_string(port_); }

std::optional<std::string> SourceServer::servedFile(const std::string& root, const std::string& path) {
    if (path.size() < 2 || path[0] != '/') return std::nullopt;
    const std::string relative = path.substr(1);
    if (!safeRelative(relative)) return std::nullopt;
    // No piece is empty (safeRelative), so each has a first character.
    for (size_t start = 0;;) {
        if (relative[start] == '.') return std::nullopt;
        size_t slash = relative.find('/', start);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    const std::string file = root + "/" + relative;
    std::error_code error;
    // The real path differs when a link lies anywhere on the way.
    if (fs::canonical(file, error).string() != file || error || !fs::is_regular_file(file, error)) return std::nullopt;
    return file;
}

} // namespace novra::demo
