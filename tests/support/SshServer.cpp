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

// The lines of a configuration file, each ended by a line break.
std::string configuration(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
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
    std::string why;
    if (!available(&why)) throw std::runtime_error(why);
    const std::string hostKey = s.dir / "host_key", userKey = s.dir / "user_key";
    makeKey(hostKey);
    makeKey(userKey);
    writeFile(s.dir / "authorized_keys", readFile(userKey + ".pub"));
    writeFile(s.dir / "known_hosts", std::string(kAlias) + " " + readFile(hostKey + ".pub"));
    const std::string user = trimmed(run("/usr/bin/id", {"-un"}).out);
    ::mkdir("/run/sshd", 0755); // sshd's privilege separation directory

    // A free port can be taken by someone else before sshd binds it; then sshd exits and another
    // port is tried. Only our sshd's own "listening" line proves that the port is ours.
    for (int attempt = 1;; ++attempt) {
        s.port = freePort();
        writeFile(s.dir / "sshd_config",
                  configuration({"Port " + std::to_string(s.port), "ListenAddress 127.0.0.1", "HostKey " + hostKey,
                                 "PidFile none", "UsePAM no", "StrictModes no", "PermitRootLogin prohibit-password",
                                 "PubkeyAuthentication yes", "PasswordAuthentication no",
                                 "KbdInteractiveAuthentication no",
                                 "AuthorizedKeysFile " + (s.dir / "authorized_keys"), "LogLevel VERBOSE"}));
        s.logFile = platform::File::createForWriting(s.log);
        s.sshd = std::make_unique<platform::Process>(
            kSshd, std::vector<std::string>{"-D", "-e", "-f", s.dir / "sshd_config"});
        s.sshd->standardInput = platform::Redirect::null();
        s.sshd->standardOutput = platform::Redirect::descriptor(s.logFile.descriptor());
        s.sshd->standardError = platform::Redirect::descriptor(s.logFile.descriptor());
        s.sshd->launch();
        const std::string listening = "Server listening on 127.0.0.1 port " + std::to_string(s.port) + ".";
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        bool ready = false;
        while (s.sshd->isRunning() && std::chrono::steady_clock::now() < deadline) {
            if (log().find(listening) != std::string::npos && acceptsConnections(s.port)) {
                ready = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (ready) break;
        std::string text = log();
        s.sshd->kill();
        s.sshd->wait();
        s.sshd.reset();
        if (attempt == 5) throw std::runtime_error("sshd did not start: " + text);
    }

    writeFile(s.dir / "ssh_config",
              configuration({std::string("Host ") + kAlias, "  Hostname 127.0.0.1", "  Port " + std::to_string(s.port),
                             "  User " + user, "  IdentityFile " + userKey, "  IdentitiesOnly yes",
                             "  IdentityAgent none", std::string("  HostKeyAlias ") + kAlias,
                             "  UserKnownHostsFile " + (s.dir / "known_hosts"), "  GlobalKnownHostsFile /dev/null",
                             "  UpdateHostKeys no", "  LogLevel ERROR"}));
    s.wrapper = std::make_unique<ToolWrapper>(s.dir.path(), "ssh", "/usr/bin/ssh",
                                              std::vector<std::string>{"-F", s.dir / "ssh_config"});
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
