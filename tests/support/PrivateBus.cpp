#include "support/PrivateBus.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/Process.h"
#include "support/TestSupport.h"

namespace novra::test {

std::string readLine(int fd) {
    std::string line;
    char c = 0;
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, 10000) == 1 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

// The daemon prints its address once it accepts connections (the socket file appears before that).
PrivateBus::PrivateBus() : folder_(std::make_unique<TempDir>()) {
    ::mkdir(home().c_str(), 0700);
    ::mkdir(runtime().c_str(), 0700);
    daemon_ = std::make_unique<platform::Process>(
        "/usr/bin/env",
        std::vector<std::string>{"HOME=" + home(), "XDG_RUNTIME_DIR=" + runtime(), "/usr/bin/dbus-daemon", "--session",
                                 "--nofork", "--nopidfile", "--address=unix:dir=" + runtime(), "--print-address=1"});
    daemon_->standardInput = platform::Redirect::null();
    daemon_->standardOutput = platform::Redirect::stream();
    daemon_->standardError = platform::Redirect::null();
    daemon_->launch();
    address_ = readLine(daemon_->streamFd(1));
    if (address_.rfind("unix:", 0) != 0) throw std::runtime_error("the private D-Bus daemon did not start");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

PrivateBus::~PrivateBus() {
    daemon_->terminate();
    daemon_->waitFor(5);
}

std::string PrivateBus::home() const { return *folder_ / "home"; }
std::string PrivateBus::runtime() const { return *folder_ / "runtime"; }

} // namespace novra::test
