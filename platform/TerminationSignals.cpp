#include "platform/TerminationSignals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <system_error>

namespace novra::platform {
namespace {

int ends[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a pending byte; dropping this one loses nothing.
    [[maybe_unused]] ssize_t written = ::write(ends[1], &byte, 1);
    errno = saved;
}

} // namespace

int watchTerminationSignals() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
            throw std::system_error(errno, std::generic_category(), "socketpair");
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    });
    return ends[0];
}

int takeTerminationSignals(int fd) {
    int count = 0;
    char buffer[64];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            count += static_cast<int>(got);
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return count;
    }
}

} // namespace novra::platform
