#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>

extern char** environ;

namespace novra::platform {
namespace {

// A captured stream keeps at most this much; the rest is read and dropped so the child never stalls.
constexpr size_t kCaptureLimit = 1 << 20;

int pidfdOpen(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

int pidfdSignal(int pidfd, int sig) { return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0)); }

void closeQuietly(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

struct SpawnAttributes {
    posix_spawnattr_t attributes;
    SpawnAttributes() { posix_spawnattr_init(&attributes); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
};

} // namespace

Process::Process(std::string executable, std::vector<std::string> arguments)
    : executable_(std::move(executable)), arguments_(std::move(arguments)) {}

Process::~Process() {
    if (launched_ && !killOnDestruction) {
        reap(false);
    } else {
        {
            std::lock_guard lock(mutex_);
            if (launched_ && !reaped_) pidfdSignal(pidfd_, SIGKILL);
        }
        if (launched_) reap(true);
    }
    joinDrainer();
    for (int& fd : streamFds_) closeQuietly(fd);
    for (int& fd : captureFds_) closeQuietly(fd);
    closeQuietly(pidfd_);
}

void Process::launch() {
    if (executable_.empty() || executable_.front() != '/')
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), "program path must be absolute");
    {
        std::lock_guard lock(mutex_);
        if (launched_) throw std::system_error(std::make_error_code(std::errc::operation_in_progress), "launch");
    }

    SpawnActions actions;
    int childEnds[3] = {-1, -1, -1};
    auto cleanupChildEnds = [&] {
        for (int& fd : childEnds) closeQuietly(fd);
    };
    auto closeParentEnds = [&] {
        for (int& fd : streamFds_) closeQuietly(fd);
        for (int& fd : captureFds_) closeQuietly(fd);
    };
    auto failLaunch = [&](int error, const char* what) {
        cleanupChildEnds();
        closeParentEnds();
        throw std::system_error(error, std::generic_category(), what);
    };
    const Redirect* redirects[3] = {&standardInput, &standardOutput, &standardError};
    for (int stream = 0; stream < 3; ++stream) {
        const Redirect& r = *redirects[stream];
        switch (r.kind) {
        case Redirect::Kind::Inherit:
            break;
        case Redirect::Kind::Null:
            if (int rc = posix_spawn_file_actions_addopen(&actions.actions, stream, "/dev/null",
                                                          stream == 0 ? O_RDONLY : O_WRONLY, 0)) {
                failLaunch(rc, "posix_spawn_file_actions_addopen");
            }
            break;
        case Redirect::Kind::Fd:
            // A bad descriptor would otherwise leave the parent's own stream to the child.
            if (int rc = posix_spawn_file_actions_adddup2(&actions.actions, r.fd, stream))
                failLaunch(rc, "posix_spawn_file_actions_adddup2");
            break;
        case Redirect::Kind::Capture:
        case Redirect::Kind::Stream: {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) failLaunch(errno, "pipe");
            // The parent keeps the end the child does not use.
            int parentEnd = stream == 0 ? fds[1] : fds[0];
            childEnds[stream] = stream == 0 ? fds[0] : fds[1];
            (r.kind == Redirect::Kind::Capture ? captureFds_ : streamFds_)[stream] = parentEnd;
            if (int rc = posix_spawn_file_actions_adddup2(&actions.actions, childEnds[stream], stream))
                failLaunch(rc, "posix_spawn_file_actions_adddup2");
            break;
        }
        }
    }

    if (!workingDirectory.empty()) {
        if (int rc = posix_spawn_file_actions_addchdir_np(&actions.actions, workingDirectory.c_str()))
            failLaunch(rc, "posix_spawn_file_actions_addchdir_np");
    }

    // The child starts with default signal handling and an empty mask, whatever the parent uses.
    SpawnAttributes attributes;
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes.attributes, &all);
    posix_spawnattr_setsigmask(&attributes.attributes, &none);
    posix_spawnattr_setflags(&attributes.attributes, static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                                                        (newSession ? POSIX_SPAWN_SETSID : 0)));

    std::vector<char*> argv;
    argv.push_back(executable_.data());
    for (auto& a : arguments_) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, executable_.c_str(), &actions.actions, &attributes.attributes, argv.data(), environ);
    cleanupChildEnds();
    if (rc != 0) {
        closeParentEnds();
        throw std::system_error(rc, std::generic_category(), executable_);
    }
    int pidfd = pidfdOpen(pid);
    if (pidfd < 0) {
        int error = errno;
        // The child is ours and unreaped, so its pid cannot have been reused.
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        closeParentEnds();
        throw std::system_error(error, std::generic_category(), "pidfd_open");
    }
    if (captureFds_[0] >= 0) closeQuietly(captureFds_[0]); // nothing to feed: the child sees end of input
    // The drainer exists before the process is published as launched, so that a wait() from any
    // thread joins it.
    if (captureFds_[1] >= 0 || captureFds_[2] >= 0) {
        std::lock_guard lock(drainerMutex_);
        drainer_ = std::thread([this, pidfd] { drain(pidfd); });
    }
    std::lock_guard lock(mutex_);
    pid_ = pid;
    pidfd_ = pidfd;
    launched_ = true;
}

void Process::joinDrainer() {
    std::lock_guard lock(drainerMutex_);
    if (drainer_.joinable()) drainer_.join();
}

void Process::drain(int pidfd) {
    char buffer[65536];
    auto keep = [&](int stream, ssize_t got) {
        std::string& into = captured_[stream];
        size_t room = kCaptureLimit > into.size() ? kCaptureLimit - into.size() : 0;
        into.append(buffer, std::min(room, static_cast<size_t>(got)));
    };
    bool exited = false;
    while (!exited) {
        pollfd fds[3];
        int which[3];
        int n = 0;
        for (int stream = 1; stream < 3; ++stream) {
            if (captureFds_[stream] >= 0) {
                fds[n] = {captureFds_[stream], POLLIN, 0};
                which[n++] = stream;
            }
        }
        if (n == 0) return;
        fds[n] = {pidfd, POLLIN, 0};
        if (::poll(fds, n + 1, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0) {
                closeQuietly(captureFds_[which[i]]);
                continue;
            }
            keep(which[i], got);
        }
        exited = fds[n].revents != 0;
    }
    // The child has exited: everything it wrote is in the pipes now. Take exactly that, without
    // waiting for an end of file that a grandchild holding the pipe open might never give (nor
    // reading on for as long as such a grandchild keeps writing).
    for (int stream = 1; stream < 3; ++stream) {
        int& fd = captureFds_[stream];
        if (fd < 0) continue;
        int pending = 0;
        if (::ioctl(fd, FIONREAD, &pending) != 0) pending = 0;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        while (pending > 0) {
            ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, static_cast<size_t>(pending)));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            keep(stream, got);
            pending -= static_cast<int>(got);
        }
        closeQuietly(fd);
    }
}

bool Process::launched() const {
    std::lock_guard lock(mutex_);
    return launched_;
}

pid_t Process::pid() const {
    std::lock_guard lock(mutex_);
    return pid_;
}

bool Process::reap(bool block) {
    int pidfd;
    {
        std::lock_guard lock(mutex_);
        if (!launched_) return false;
        if (reaped_) return true;
        pidfd = pidfd_;
    }
    if (block) {
        // Wait for the exit without reaping, so terminate() can still address the process safely.
        pollfd p{pidfd, POLLIN, 0};
        while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
        }
    }
    std::lock_guard lock(mutex_);
    if (reaped_) return true;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r < 0) {
        status_ = 255;
    } else if (WIFEXITED(status)) {
        status_ = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        status_ = 128 + WTERMSIG(status);
    } else {
        status_ = 255;
    }
    reaped_ = true;
    return true;
}

bool Process::isRunning() {
    if (!launched()) return false;
    return !reap(false);
}

void Process::terminate() {
    std::lock_guard lock(mutex_);
    if (launched_ && !reaped_) pidfdSignal(pidfd_, SIGTERM);
}

void Process::kill() {
    std::lock_guard lock(mutex_);
    if (launched_ && !reaped_) pidfdSignal(pidfd_, SIGKILL);
}

int Process::wait() {
    if (!launched()) throw std::system_error(std::make_error_code(std::errc::no_such_process), "wait");
    reap(true);
    joinDrainer();
    std::lock_guard lock(mutex_);
    return status_;
}

bool Process::waitFor(double seconds) {
    int pidfd;
    {
        std::lock_guard lock(mutex_);
        if (!launched_) return false;
        if (reaped_) return true;
        pidfd = pidfd_;
    }
    pollfd p{pidfd, POLLIN, 0};
    int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.5);
    int rc;
    while ((rc = ::poll(&p, 1, ms)) < 0 && errno == EINTR) {
    }
    if (rc <= 0) return false;
    return reap(false);
}

int Process::exitStatus() const {
    std::lock_guard lock(mutex_);
    return status_;
}

int Process::streamFd(int which) const { return which >= 0 && which < 3 ? streamFds_[which] : -1; }

void Process::closeStream(int which) {
    if (which >= 0 && which < 3) closeQuietly(streamFds_[which]);
}

std::string Process::captured(int which) {
    if (which < 1 || which > 2) return {};
    if ((which == 1 ? standardOutput : standardError).kind != Redirect::Kind::Capture) return {};
    if (launched()) wait();
    std::lock_guard lock(drainerMutex_);
    return captured_[which];
}

} // namespace novra::platform
