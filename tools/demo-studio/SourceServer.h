#pragma once
// The demo's build source over HTTPS on 127.0.0.1: GET of a file below the source folder, at a
// limited rate over all downloads together; 404 for everything else.
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "tools/http/LocalServer.h"

namespace httplib {
class SSLServer;
}

namespace novra::demo {

class SourceServer {
public:
    // `bytesPerSecond` 0: no limit. A package (a file below "packages/") takes at least
    // `packageSeconds` to send (0: no least time), so that even kilobyte packages show their
    // progress. Throws std::runtime_error when the folder, the certificate or
    // its key is not usable.
    SourceServer(const std::string& root, const std::string& certificate, const std::string& privateKey,
                 double bytesPerSecond, double packageSeconds = 0);
    ~SourceServer();
    SourceServer(const SourceServer&) = delete;
    SourceServer& operator=(const SourceServer&) = delete;

    // Listens on 127.0.0.1 (0 picks a free port) and returns the port.
    int start(int port);
    // Ends the downloads under way and stops.
    void stop();
    std::string origin() const; // "https://127.0.0.1:<port>"

    // The file that a request's (decoded) path names, when it may be served: a regular file below
    // `root` (an absolute path without links), named by pieces that are neither empty nor "." nor
    // ".." nor hidden (".stamps", ".work-…"), and reached through no link.
    static std::optional<std::string> servedFile(const std::string& root, const std::string& path);

private:
    std::string root_;
    std::unique_ptr<httplib::SSLServer> server_;
    tools::RateLimit limit_;
    double packageSeconds_ = 0;
    std::thread thread_;
    int port_ = 0;
};

} // namespace novra::demo
