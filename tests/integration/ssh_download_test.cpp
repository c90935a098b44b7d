// Downloads from a local OpenSSH server through the system's ssh client, host keys strictly checked.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/LauncherCore.h"
#include "support/SshServer.h"
#include "support/TestSupport.h"
#include "support/ToolWrapper.h"

using novra::LauncherError;
using novra::OperationControl;
using novra::Settings;
namespace LauncherCore = novra::LauncherCore;
namespace test = novra::test;

namespace {

class SshDownload : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!test::SshServer::available(&why)) GTEST_SKIP() << why;
        server = std::make_unique<test::SshServer>();
        ssh = std::make_unique<test::ScopedTool>(&novra::platform::ToolPaths::ssh, server->clientWrapper());
    }

    test::TempDir dir;
    std::unique_ptr<test::SshServer> server;
    std::unique_ptr<test::ScopedTool> ssh;
    std::string remoteRoot = dir / "remote/release";
    std::string destination = dir / ".download";

    Settings settings(const std::string& host = test::SshServer::kAlias) const {
        return Settings(std::nullopt, host, remoteRoot, dir / "library", {});
    }
    std::string failure(const Settings& settings, const std::string& relative, int64_t maxBytes) {
        OperationControl control;
        try {
            LauncherCore::download(settings, relative, destination, maxBytes, control, {});
        } catch (const LauncherError& error) {
            return error.message();
        }
        return "";
    }
    bool sshGone() const {
        auto pid = server->lastClientPid();
        return pid && !test::processExists(*pid);
    }
};

} // namespace

TEST_F(SshDownload, FetchesAFile) {
    std::string body;
    for (int i = 0; i < 200'000; ++i) body += static_cast<char>(i * 7 + i / 251);
    test::writeFile(remoteRoot + "/packages/1.0.tar.gz", body);
    OperationControl control;
    std::vector<double> progress;
    LauncherCore::download(settings(), "packages/1.0.tar.gz", destination, 1'000'000, control,
                           [&](double value) { progress.push_back(value); });
    EXPECT_EQ(test::readFile(destination), body);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 1.0);
    EXPECT_TRUE(sshGone());
}

TEST_F(SshDownload, SingleQuotesReachTheRemoteShellIntact) {
    remoteRoot = dir / "remote/it's a 'release'";
    test::writeFile(remoteRoot + "/packages/o'neil $(id).tar.gz", "quoted");
    EXPECT_EQ(failure(settings(), "packages/o'neil $(id).tar.gz", 100), "") << "sshd: " << server->log();
    EXPECT_EQ(test::readFile(destination), "quoted");
}

TEST_F(SshDownload, MissingRemoteFileCarriesTheRemoteMessage) {
    test::writeFile(remoteRoot + "/catalog.json", "{}");
    EXPECT_EQ(failure(settings(), "packages/none.tar.gz", 100),
              "Ошибка загрузки: cat: " + remoteRoot + "/packages/none.tar.gz: No such file or directory")
        << "sshd: " << server->log();
    EXPECT_EQ(test::readFile(destination), "");
}

TEST_F(SshDownload, UnknownHostKeyIsRefused) {
    // Same server under a name known_hosts does not list: strict checking refuses it.
    const std::string config = dir / "other_config";
    test::writeFile(config, "Host other-alias\n  Hostname 127.0.0.1\n  Port " + std::to_string(server->port()) +
                                "\n  UserKnownHostsFile /dev/null\n  GlobalKnownHostsFile /dev/null\n"
                                "  LogLevel ERROR\n");
    test::ToolWrapper other(dir.path(), "ssh-other", "/usr/bin/ssh", {"-F", config});
    test::ScopedTool tool(&novra::platform::ToolPaths::ssh, other.path());
    test::writeFile(remoteRoot + "/catalog.json", "{}");
    std::string message = failure(settings("other-alias"), "catalog.json", 100);
    EXPECT_EQ(message.rfind("Ошибка загрузки: ", 0), 0u) << message;
    EXPECT_NE(message.find("Host key verification failed."), std::string::npos) << message;
}

TEST_F(SshDownload, CancelEndsASlowTransfer) {
    // The remote file is a pipe that the test feeds: a few bytes, then nothing.
    const std::string fifo = remoteRoot + "/packages/slow.tar.gz";
    test::writeFile(fifo, "");
    ASSERT_EQ(::unlink(fifo.c_str()), 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    int feeder = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(feeder, 0);
    ASSERT_EQ(::write(feeder, "partial", 7), 7);

    OperationControl control;
    auto transfer = [&](const novra::Progress& progress) {
        LauncherCore::download(settings(), "packages/slow.tar.gz", destination, 1'000'000, control, progress);
    };
    // Closing the feeder lets the remote cat finish.
    EXPECT_EQ(test::cancelOnceStarted(control, transfer, [&] { ::close(feeder); }), "(cancelled)")
        << "sshd: " << server->log();
    EXPECT_TRUE(sshGone());
    EXPECT_EQ(test::readFile(destination), "partial");
}
