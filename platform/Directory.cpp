#include "platform/Directory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/Detached.h"

namespace novra::platform {
namespace {

[[noreturn]] void fail(int error, const std::string& path) {
    throw std::system_error(error, std::generic_category(), path);
}

int openChild(int parent, const std::string& name, const std::string& path) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        fail(EINVAL, path);
    int fd;
    do {
        fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail(errno, path);
    return fd;
}

} // namespace

Directory Directory::openNoFollow(const std::string& path) {
    if (path.empty() || path.front() != '/') fail(EINVAL, path);
    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail(errno, "/");
    Directory current(fd, "/");
    size_t start = 1;
    while (start < path.size()) {
        size_t slash = path.find('/', start);
        size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > start) {
            std::string name = path.substr(start, end - start);
            current = Directory(openChild(current.fd_, name, path.substr(0, end)), path.substr(0, end));
        }
        start = end + 1;
    }
    return current;
}

Directory::Directory(Directory&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) { other.fd_ = -1; }

Directory& Directory::operator=(Directory&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

Directory::~Directory() {
    if (fd_ >= 0) ::close(fd_);
}

Directory Directory::open(const std::string& name) const {
    std::string path = path_ == "/" ? "/" + name : path_ + "/" + name;
    return Directory(openChild(fd_, name, path), path);
}

std::string Directory::path() const { return "/proc/self/fd/" + std::to_string(fd_); }

pid_t Directory::startDetached(const std::string& name, const std::string& displayPath) const {
    int fd;
    do {
        fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail(errno, displayPath);
    struct stat info {};
    int rc = ::fstat(fd, &info);
    int error = rc != 0 ? errno : (!S_ISREG(info.st_mode) ? EACCES : 0);
    pid_t pid = -1;
    if (error == 0) {
        try {
            pid = platform::startDetached(fd, displayPath, {});
        } catch (...) {
            ::close(fd);
            throw;
        }
    }
    ::close(fd);
    if (error != 0) fail(error, displayPath);
    return pid;
}

} // namespace novra::platform
