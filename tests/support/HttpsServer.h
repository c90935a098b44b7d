#pragma once
// A local HTTPS server for tests and benchmarks: 127.0.0.1 on a free port, with a certificate made
// for 127.0.0.1 when the server starts. While a server lives, curl children trust its certificate
// (CURL_CA_BUNDLE) and reach 127.0.0.1 without any proxy.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace novra::test {

class HttpsServer {
public:
    struct Response {
        int status = 200;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
    };

    HttpsServer();
    ~HttpsServer();
    HttpsServer(const HttpsServer&) = delete;
    HttpsServer& operator=(const HttpsServer&) = delete;

    // "https://127.0.0.1:<port>"
    std::string url() const;
    // PEM file of the server's certificate.
    std::string certificate() const;

    // GET `path` answers with a fixed response (sent with a Content-Length).
    void serve(const std::string& path, Response response);
    // GET `path` answers 200 with the bytes of `file`, read from disk while sending.
    void serveFile(const std::string& path, const std::string& file);
    // GET `path` answers 200 with `prefix` as the first chunk of a chunked body (no Content-Length),
    // then sends nothing more and keeps the connection open until the client goes or the server stops.
    void stall(const std::string& path, std::string prefix);
    // GET requests received for `path` so far.
    int requests(const std::string& path) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace novra::test
