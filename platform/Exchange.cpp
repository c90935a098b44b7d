#include "platform/Exchange.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace novra::platform {
namespace {

std::string directoryOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// fsync of one file or directory; a symbolic link or special file is skipped.
void flushOne(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ELOOP) return;
        throw std::system_error(errno, std::generic_category(), path);
    }
    int rc = ::fsync(fd);
    int saved = errno;
    ::close(fd);
    if (rc != 0 && saved != EINVAL) throw std::system_error(saved, std::generic_category(), path);
}

} // namespace

void exchangeEntries(const std::string& first, const std::string& second) {
    if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) != 0)
        throw std::system_error(errno, std::generic_category(), "renameat2");
    // The exchange is a change of the directories that hold the two names; write it through.
    for (const std::string& directory : {directoryOf(first), directoryOf(second)}) {
        int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
}

void flushTree(const std::string& root) {
    // Two passes: first every file's writeback is started, so the disk sees all of it at once;
    // then each file and directory is waited for.
    std::vector<std::string> entries;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it->is_symlink(error)) continue;
        if (it->is_regular_file(error)) {
            int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            if (fd >= 0) {
                ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
                ::close(fd);
            }
            entries.push_back(it->path().string());
        } else if (it->is_directory(error)) {
            entries.push_back(it->path().string());
        }
    }
    if (error) throw std::system_error(error, root);
    for (const auto& entry : entries) flushOne(entry);
    flushOne(root);
}

} // namespace novra::platform
