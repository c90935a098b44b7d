#include "support/SshServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/Files.h"
#include "platform/Process.h"
#include "support/Network.h"
#include "support/TestSupport.h"
#include "support/ToolWrapper.h"

namespace novra::test {

namespace {

constexpr const char* kSshd = "/usr/sbin/sshd";

void makeKey(const std::string& file) {
    RunResult made = run("/usr/bin/ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-C", "novra-test", "-f", file});
    if (made.status != 0) throw std::runtime_error("ssh-keygen failed: " + made.err);
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

} // namespace

struct SshServer::State {
    TempDir dir;
    int port = 0;
    std::string log = dir / "sshd.log";
    std::unique_ptr<ToolWrapper> wrapper;
    platform::File logFile;
    std::unique_ptr<platform::Process> sshd;
};

bool SshServer::available(std::string* why) {
    if (::geteuid() != 0) {
        if (why) *why = "sshd needs root to accept logins here";
        return false;
    }
    if (::access(kSshd, X_OK) != 0) {
        if (why) *why = "sshd is not installed";
        return false;
    }
    return true;
}

SshServer::SshServer() : state_(std::make_unique<State>()) {
    State& s = *state_;
    const std::string hostKey = s.dir / "host_key", userKey = s.dir / "user_key";
    makeKey(hostKey);
    makeKey(userKey);
    writeFile(s.dir / "authorized_keys", readFile(userKey + ".pub"));
    writeFile(s.dir / "known_hosts", std::string(kAlias) + " " + readFile(hostKey + ".pub"));
    s.port = freePort();

    writeFile(s.dir / "sshd_config",
              "Port " + std::to_string(s.port) +
                  "\n"
                  "ListenAddress 127.0.0.1\n"
                  "HostKey " + hostKey +
                  "\n"
                  "PidFile none\n"
                  "UsePAM no\n"
                  "StrictModes no\n"
                  "PermitRootLogin prohibit-password\n"
                  "PubkeyAuthentication yes\n"
                  "PasswordAuthentication no\n"
                  "KbdInteractiveAuthentication no\n"
                  "AuthorizedKeysFile " + (s.dir / "authorized_keys") +
                  "\n"
                  "LogLevel ERROR\n");
    writeFile(s.dir / "ssh_config",
              std::string("Host ") + kAlias +
                  "\n"
                  "  Hostname 127.0.0.1\n"
                  "  Port " + std::to_string(s.port) +
                  "\n"
                  "  User " + trimmed(run("/usr/bin/id", {"-un"}).out) +
                  "\n"
                  "  IdentityFile " + userKey +
                  "\n"
                  "  IdentitiesOnly yes\n"
                  "  IdentityAgent none\n"
                  "  HostKeyAlias " + kAlias +
                  "\n"
                  "  UserKnownHostsFile " + (s.dir / "known_hosts") +
                  "\n"
                  "  GlobalKnownHostsFile /dev/null\n"
                  "  UpdateHostKeys no\n"
                  "  LogLevel ERROR\n");
    s.wrapper = std::make_unique<ToolWrapper>(s.dir.path(), "ssh", "/usr/bin/ssh",
                                              std::vector<std::string>{"-F", s.dir / "ssh_config"});

    // sshd's privilege separation directory.
    ::mkdir("/run/sshd", 0755);

    std::string why;
    if (!available(&why)) throw std::runtime_error(why);
    s.logFile = platform::File::createForWriting(s.log);
    s.sshd = std::make_unique<platform::Process>(kSshd,
                                                 std::vector<std::string>{"-D", "-e", "-f", s.dir / "sshd_config"});
    s.sshd->standardInput = platform::Redirect::null();
    s.sshd->standardOutput = platform::Redirect::descriptor(s.logFile.descriptor());
    s.sshd->standardError = platform::Redirect::descriptor(s.logFile.descriptor());
    s.sshd->launch();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!acceptsConnections(s.port)) {
        if (!s.sshd->isRunning() || std::chrono::steady_clock::now() > deadline) {
            std::string text = log();
            s.sshd->kill();
            s.sshd->wait();
            throw std::runtime_error("sshd did not start: " + text);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

SshServer::~SshServer() {
    if (state_->sshd) {
        state_->sshd->terminate();
        if (!state_->sshd->waitFor(5)) state_->sshd->kill();
        state_->sshd->wait();
    }
}

int SshServer::port() const { return state_->port; }
std::string SshServer::clientWrapper() const { return state_->wrapper->path(); }
std::optional<int> SshServer::lastClientPid() const { return state_->wrapper->lastPid(); }
std::string SshServer::log() const { return readFile(state_->log); }

} // namespace novra::test
