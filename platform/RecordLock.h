#pragma once
// An exclusive POSIX record lock (lockf) over a whole lock file. Record locks belong to the
// process: they exclude other processes, not other threads of this one.
#include <string>

namespace novra::platform {

class RecordLock {
public:
    // Opens the lock file for reading and writing, creating it with permissions 0600; a symbolic
    // link is refused. Throws std::system_error when the file cannot be opened.
    explicit RecordLock(const std::string& path);
    // Releases the lock when held and closes the file; the file itself stays.
    ~RecordLock();
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

    // Takes the lock over the whole file without waiting; false when another process holds it
    // (or the lock cannot be taken at all).
    bool tryLock();
    bool locked() const { return locked_; }

private:
    int fd_ = -1;
    bool locked_ = false;
};

} // namespace novra::platform
