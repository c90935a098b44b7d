#pragma once
// A local OpenSSH server for tests: /usr/sbin/sshd on a free port of 127.0.0.1 with a host key, a
// user key and a known_hosts entry made when it starts. Host keys stay strictly checked. The client
// side is a wrapper around /usr/bin/ssh that reads this server's client configuration, because
// OpenSSH takes ~/.ssh from the password database rather than from $HOME; point the tool table's
// ssh entry at clientWrapper().
#include <memory>
#include <optional>
#include <string>

namespace novra::test {

class SshServer {
public:
    // The alias that the client configuration resolves to this server.
    static constexpr const char* kAlias = "novra-test-build";

    SshServer();
    ~SshServer();
    SshServer(const SshServer&) = delete;
    SshServer& operator=(const SshServer&) = delete;

    int port() const;
    // Runs /usr/bin/ssh -F <client configuration> with its own arguments.
    std::string clientWrapper() const;
    // Process id of the ssh client started last through the wrapper.
    std::optional<int> lastClientPid() const;
    // What sshd has logged so far (for failure messages).
    std::string log() const;

    // Whether this machine can run the server at all (sshd needs root here).
    static bool available(std::string* why);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace novra::test
