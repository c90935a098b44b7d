#include "platform/Io.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace novra::platform {

size_t readSome(int fd, void* buffer, size_t count) {
    for (;;) {
        ssize_t got = ::read(fd, buffer, count);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "read");
    }
}

void writeAll(int fd, const void* data, size_t count) {
    const char* next = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t wrote = ::write(fd, next, count);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "write");
        }
        next += wrote;
        count -= static_cast<size_t>(wrote);
    }
}

void writeToPipe(int fd, const void* data, size_t count) {
    // SIGPIPE is held back for this thread while writing; one raised by these writes is taken off
    // the pending set again, so neither the process nor its other threads ever see it.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    int error = 0;
    try {
        writeAll(fd, data, count);
    } catch (const std::system_error& e) {
        error = e.code().value();
    }
    if (error == EPIPE && !alreadyPending) {
        timespec none{0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &none) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (error != 0) throw std::system_error(error, std::generic_category(), "write");
}

void widenPipe(int fd, size_t bytes) {
#ifdef F_SETPIPE_SZ
    ::fcntl(fd, F_SETPIPE_SZ, static_cast<int>(bytes));
#else
    (void)fd;
    (void)bytes;
#endif
}

WritableFile::WritableFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), path);
}

WritableFile::~WritableFile() {
    if (fd_ >= 0) ::close(fd_);
}

void WritableFile::close() {
    int fd = fd_;
    fd_ = -1;
    if (fd < 0) return;
    if (::fsync(fd) != 0) {
        int error = errno;
        ::close(fd);
        throw std::system_error(error, std::generic_category(), path_);
    }
    if (::close(fd) != 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), path_);
}

} // namespace novra::platform
