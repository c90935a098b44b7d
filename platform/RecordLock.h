#pragma once
// An exclusive lock over a whole lock file, held by the open file: an open-file-description lock
// (F_OFD_SETLK). It excludes every other opening of the file, in other processes (POSIX record
// locks of the file included) and in this one alike: two installs of one game on two threads of
// one launcher exclude each other as two launchers do.
#include <string>

namespace novra::platform {

class RecordLock {
public:
    enum class Opening { createIfMissing, existingOnly };
    // Opens the lock file for reading and writing, creating it with permissions 0600 unless only an
    // existing file is asked for; a symbolic link is refused. Throws std::system_error when the file
    // cannot be opened (std::errc::no_such_file_or_directory for a missing existing-only file).
    explicit RecordLock(const std::string& path, Opening opening = Opening::createIfMissing);
    // Releases the lock when held and closes the file; the file itself stays.
    ~RecordLock();
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

    // Takes the lock over the whole file without waiting; false when another opening of the file,
    // in this process or another, holds it (or the lock cannot be taken at all).
    bool tryLock();
    bool locked() const { return locked_; }
    // True when `path` (its last piece not followed) names the very file this object holds open. A
    // lock file that was removed, or moved away with its folder, since it was opened locks nothing
    // that another opening of `path` would see.
    bool isAt(const std::string& path) const;

private:
    int fd_ = -1;
    bool locked_ = false;
};

} // namespace novra::platform
