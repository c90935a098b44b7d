// Downloads from a local HTTPS server through the system's curl.
#include <gtest/gtest.h>

#include <chrono>

#include "core/LauncherCore.h"
#include "support/HttpsServer.h"
#include "support/TestSupport.h"
#include "support/ToolWrapper.h"

using novra::LauncherError;
using novra::OperationControl;
using novra::Settings;
namespace LauncherCore = novra::LauncherCore;
namespace test = novra::test;
using namespace std::chrono_literals;

namespace {

class HttpsDownload : public ::testing::Test {
protected:
    test::HttpsServer server;
    test::TempDir dir;
    // The real curl, behind a wrapper that records its process id.
    test::ToolWrapper curlWrapper{dir.path(), "curl", "/usr/bin/curl"};
    test::ScopedTool curl{&novra::platform::ToolPaths::curl, curlWrapper.path()};
    std::string destination = dir / ".download";
    std::vector<double> progress;

    Settings settings() const { return Settings(server.url() + "/launcher", "", "", dir.path(), {}); }

    void download(const std::string& relative, int64_t maxBytes, OperationControl& control) {
        LauncherCore::download(settings(), relative, destination, maxBytes, control,
                               [this](double value) { progress.push_back(value); });
    }
    void download(const std::string& relative, int64_t maxBytes) {
        OperationControl control;
        download(relative, maxBytes, control);
    }
    std::string failure(const std::string& relative, int64_t maxBytes) {
        try {
            download(relative, maxBytes);
        } catch (const LauncherError& error) {
            return error.message();
        }
        return "";
    }
    bool curlGone() const {
        auto pid = curlWrapper.lastPid();
        return pid && !test::processExists(*pid);
    }
};

} // namespace

TEST_F(HttpsDownload, FetchesAFile) {
    const std::string body = test::randomBytes(3 * 1024 * 1024 + 17);
    server.serve("/launcher/packages/1.0 beta.tar.gz", {200, body, {}});
    download("packages/1.0 beta.tar.gz", 10'000'000);
    EXPECT_EQ(test::readFile(destination), body);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 1.0);
    for (double value : progress) EXPECT_TRUE(value >= 0.0 && value <= 1.0) << value;
    EXPECT_TRUE(curlGone());
}

TEST_F(HttpsDownload, AnswersOtherThanAFileAreRefused) {
    server.serve("/launcher/empty", {200, "", {}});
    server.serve("/launcher/moved", {302, "see elsewhere", {{"Location", "/launcher/elsewhere"}}});
    server.serve("/launcher/elsewhere", {200, "followed", {}});
    server.serve("/launcher/broken", {500, "oops", {}});
    server.serve("/launcher/big", {200, std::string(2048, 'b'), {}});

    EXPECT_EQ(failure("empty", 100), "Неверный размер загрузки");
    EXPECT_EQ(failure("moved", 100), "Источник вернул HTTP 302 вместо файла");
    EXPECT_EQ(server.requests("/launcher/elsewhere"), 0) << "a redirect was followed";
    EXPECT_EQ(failure("missing", 100), "Ошибка загрузки: curl: (22) The requested URL returned error: 404");
    EXPECT_EQ(failure("broken", 100), "Ошибка загрузки: curl: (22) The requested URL returned error: 500");
    // The announced length is over the cap: curl refuses before writing anything.
    EXPECT_EQ(failure("big", 1024), "Ошибка загрузки: curl: (63) Maximum file size exceeded");
}

TEST_F(HttpsDownload, BodyWithoutLengthGrowingPastTheCapStopsCurl) {
    server.stall("/launcher/packages/1.tar.gz", std::string(64 * 1024, 'x'));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(failure("packages/1.tar.gz", 1000), "Размер загрузки превышает каталог");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    EXPECT_TRUE(curlGone());
    EXPECT_GT(test::readFile(destination).size(), 1000u); // left for the caller to remove
}

TEST_F(HttpsDownload, TimeLimitStopsAStalledTransfer) {
    server.stall("/launcher/packages/1.tar.gz", "p");
    OperationControl control;
    auto start = std::chrono::steady_clock::now();
    auto stalled = [&] {
        LauncherCore::download(settings(), "packages/1.tar.gz", destination, 1000, control, {}, 500ms);
    };
    EXPECT_EQ(test::messageOf(stalled), "Истекло время загрузки");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(curlGone());
}

TEST_F(HttpsDownload, CancelEndsAStalledTransfer) {
    // More than curl's output buffer, so that some of it reaches the file before the stall.
    const std::string prefix(64 * 1024, 'p');
    server.stall("/launcher/packages/1.tar.gz", prefix);
    OperationControl control;
    auto transfer = [&](const novra::Progress& progress) {
        LauncherCore::download(settings(), "packages/1.tar.gz", destination, 1'000'000, control, progress);
    };
    EXPECT_EQ(test::cancelOnceStarted(control, transfer), "(cancelled)");
    EXPECT_TRUE(curlGone());
    std::string partial = test::readFile(destination); // kept for the caller to remove
    EXPECT_GT(partial.size(), 0u);
    EXPECT_EQ(partial, prefix.substr(0, partial.size()));
}

TEST_F(HttpsDownload, UntrustedCertificateIsAFailure) {
    test::HttpsServer stranger; // its certificate is the one curl now trusts
    test::ScopedEnv trust("CURL_CA_BUNDLE", stranger.certificate());
    server.serve("/launcher/catalog.json", {200, "{}", {}});
    std::string message = failure("catalog.json", 100);
    EXPECT_EQ(message.rfind("Ошибка загрузки: curl: (60) ", 0), 0u) << message;
}
