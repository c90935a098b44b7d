#include "platform/RecordLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace novra::platform {

RecordLock::RecordLock(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), path);
}

RecordLock::~RecordLock() {
    if (locked_) {
        ::lseek(fd_, 0, SEEK_SET);
        ::lockf(fd_, F_ULOCK, 0);
    }
    ::close(fd_);
}

bool RecordLock::tryLock() {
    if (locked_) return true;
    // From offset 0 with length 0: the whole file, however long it grows.
    if (::lseek(fd_, 0, SEEK_SET) != 0) return false;
    locked_ = ::lockf(fd_, F_TLOCK, 0) == 0;
    return locked_;
}

} // namespace novra::platform
