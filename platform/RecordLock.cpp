#include "platform/RecordLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace novra::platform {
namespace {

// From offset 0 with length 0: the whole file, however long it grows.
bool setLock(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    lock.l_pid = 0; // required for open-file-description locks
    int rc;
    do {
        rc = ::fcntl(fd, F_OFD_SETLK, &lock);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

} // namespace

RecordLock::RecordLock(const std::string& path, Opening opening) {
    const int create = opening == Opening::createIfMissing ? O_CREAT : 0;
    fd_ = ::open(path.c_str(), O_RDWR | create | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), path);
}

RecordLock::~RecordLock() {
    if (locked_) setLock(fd_, F_UNLCK);
    ::close(fd_);
}

bool RecordLock::tryLock() {
    if (!locked_) locked_ = setLock(fd_, F_WRLCK);
    return locked_;
}

bool RecordLock::isAt(const std::string& path) const {
    struct stat held {}, named {};
    return ::fstat(fd_, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

} // namespace novra::platform
