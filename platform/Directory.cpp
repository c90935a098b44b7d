#include "platform/Directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Detached.h"

namespace novra::platform {
namespace {

[[noreturn]] void fail(int error, const std::string& path) {
    throw std::system_error(error, std::generic_category(), path);
}

// Entries are named by one piece: a longer path would be looked up through links on its way.
bool onePiece(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

int openChild(int parent, const std::string& name, const std::string& path) {
    if (!onePiece(name)) fail(EINVAL, path);
    int fd;
    do {
        fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail(errno, path);
    return fd;
}

// A descriptor closed at the end of scope.
struct Held {
    int fd;
    ~Held() { ::close(fd); }
};

std::string below(const std::string& path, const std::string& name) {
    return path == "/" ? "/" + name : path + "/" + name;
}

int64_t allocatedBytes(const struct stat& info) { return static_cast<int64_t>(info.st_blocks) * 512; }

std::vector<std::string> namesIn(int fd, const std::string& path) {
    // The stream gets a descriptor of its own (sharing the position, which it rewinds).
    int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) fail(errno, path);
    DIR* stream = ::fdopendir(copy);
    if (!stream) {
        int error = errno;
        ::close(copy);
        fail(error, path);
    }
    ::rewinddir(stream);
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (!entry) break;
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    int error = errno;
    ::closedir(stream);
    if (error != 0) fail(error, path);
    return names;
}

int64_t removeEntry(int parent, const std::string& name, const std::string& path) {
    struct stat info {};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return 0;
        fail(errno, path);
    }
    if (S_ISDIR(info.st_mode)) {
        int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) return 0;
            fail(errno, path);
        }
        Held folder{fd};
        // A folder without the owner's rights (a game may leave one so) still gives up its entries.
        if ((info.st_mode & S_IRWXU) != S_IRWXU) ::fchmod(fd, (info.st_mode & 07777) | S_IRWXU);
        int64_t freed = 0;
        for (const std::string& child : namesIn(fd, path))
            freed += removeEntry(fd, child, below(path, child));
        if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) fail(errno, path);
        return freed + allocatedBytes(info);
    }
    if (::unlinkat(parent, name.c_str(), 0) != 0) {
        if (errno == ENOENT) return 0;
        fail(errno, path);
    }
    return info.st_nlink <= 1 ? allocatedBytes(info) : 0;
}

int64_t measureEntry(int parent, const std::string& name, std::set<std::pair<dev_t, ino_t>>& counted) {
    struct stat info {};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return 0;
    if (!S_ISDIR(info.st_mode)) {
        if (info.st_nlink > 1 && !counted.emplace(info.st_dev, info.st_ino).second) return 0;
        return allocatedBytes(info);
    }
    int64_t total = allocatedBytes(info);
    int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return total;
    Held folder{fd};
    try {
        for (const std::string& child : namesIn(fd, name)) total += measureEntry(fd, child, counted);
    } catch (const std::system_error&) {
        // What could be listed counts; the rest is unreadable.
    }
    return total;
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
    std::string path = below(folder_.path_, name);
    return Directory(openChild(folder_.descriptor(), name, path), path);
}

Directory::Kind Directory::kind(const std::string& name) const {
    struct stat info {};
    if (!onePiece(name) || ::fstatat(folder_.descriptor(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Kind::none;
    if (S_ISDIR(info.st_mode)) return Kind::directory;
    if (S_ISLNK(info.st_mode)) return Kind::link;
    return Kind::other;
}

std::vector<std::string> Directory::names() const { return namesIn(folder_.descriptor(), folder_.path_); }

void Directory::rename(const std::string& from, const std::string& to) const {
    const int fd = folder_.descriptor();
    if (!onePiece(from) || !onePiece(to)) fail(EINVAL, below(folder_.path_, from));
    if (::renameat2(fd, from.c_str(), fd, to.c_str(), RENAME_NOREPLACE) != 0)
        fail(errno, below(folder_.path_, from));
}

void Directory::sync() const {
    if (::fsync(folder_.descriptor()) != 0) fail(errno, folder_.path_);
}

int64_t Directory::remove(const std::string& name) const {
    if (!onePiece(name)) fail(EINVAL, below(folder_.path_, name));
    return removeEntry(folder_.descriptor(), name, below(folder_.path_, name));
}

void Directory::removeEmpty(const std::string& name) const {
    if (!onePiece(name)) fail(EINVAL, below(folder_.path_, name));
    if (::unlinkat(folder_.descriptor(), name.c_str(), AT_REMOVEDIR) != 0)
        fail(errno, below(folder_.path_, name));
}

int64_t Directory::sizeOnDisk(const std::string& name) const {
    if (!onePiece(name)) return 0;
    std::set<std::pair<dev_t, ino_t>> counted;
    return measureEntry(folder_.descriptor(), name, counted);
}

std::string Directory::path() const { return "/proc/self/fd/" + std::to_string(folder_.descriptor()); }

pid_t Directory::startDetached(const std::string& name, const std::string& displayPath) const {
    // One name of this folder, like every other operation here: a path would be walked through links.
    if (!onePiece(name)) fail(EINVAL, displayPath);
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
