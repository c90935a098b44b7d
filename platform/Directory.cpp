#include "platform/Directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

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

void removeEntry(int parent, const std::string& name, const std::string& path);

// Empties the directory open as `fd` (which this call owns), depth first, without following links.
void removeContents(int fd, const std::string& path) {
    DIR* stream = ::fdopendir(fd);
    if (!stream) {
        int saved = errno;
        ::close(fd);
        fail(saved, path);
    }
    std::vector<std::string> names;
    errno = 0;
    while (dirent* entry = ::readdir(stream)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    int readError = errno;
    if (readError != 0) {
        ::closedir(stream);
        fail(readError, path);
    }
    try {
        for (const std::string& name : names)
            removeEntry(::dirfd(stream), name, path + "/" + name);
    } catch (...) {
        ::closedir(stream);
        throw;
    }
    ::closedir(stream);
}

void removeEntry(int parent, const std::string& name, const std::string& path) {
    struct stat info {};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) fail(errno, path);
    if (S_ISDIR(info.st_mode)) {
        removeContents(openChild(parent, name, path), path);
        if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) != 0) fail(errno, path);
    } else if (::unlinkat(parent, name.c_str(), 0) != 0) {
        fail(errno, path);
    }
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
            std::string reached = path.substr(0, end);
            current = Directory(openChild(current.folder_.descriptor(), name, reached), reached);
        }
        start = end + 1;
    }
    return current;
}

Directory Directory::open(const std::string& name) const {
    const std::string& base = folder_.path_;
    std::string path = base == "/" ? "/" + name : base + "/" + name;
    return Directory(openChild(folder_.descriptor(), name, path), path);
}

void Directory::remove(const std::string& name) const {
    const std::string& base = folder_.path_;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        fail(EINVAL, base);
    removeEntry(folder_.descriptor(), name, base == "/" ? "/" + name : base + "/" + name);
}

std::string Directory::path() const { return "/proc/self/fd/" + std::to_string(folder_.descriptor()); }

pid_t Directory::startDetached(const std::string& name, const std::string& displayPath) const {
    int fd;
    do {
        fd = ::openat(folder_.descriptor(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail(errno, displayPath);
    File executable(fd, displayPath);
    if (!executable.status().regular) fail(EACCES, displayPath);
    return platform::startDetached(executable.descriptor(), displayPath, {});
}

} // namespace novra::platform
