#pragma once
// A D-Bus session daemon of the test's own, with a throw-away home and runtime folder; services it
// starts on demand see those. Nothing of the user's desktop session is reached.
#include <memory>
#include <string>

namespace novra::platform {
class Process;
}

namespace novra::test {

class TempDir;

class PrivateBus {
public:
    // Starts the daemon and points DBUS_SESSION_BUS_ADDRESS at it (for this process and the
    // children it starts later). Throws std::runtime_error when the daemon does not start.
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& address() const { return address_; }
    // The home and runtime folders the bus's services get.
    std::string home() const;
    std::string runtime() const;

private:
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<platform::Process> daemon_;
    std::string address_;
};

// One line of a child's output stream (without its line break), waiting at most ten seconds.
std::string readLine(int fd);

} // namespace novra::test
