#pragma once
// A directory held open. Its entries are reached from the directory itself, never again through
// the path that named it: whatever later happens to the pieces of that path (renamed, replaced by
// a symbolic link), this object still means the directory that was opened.
#include <sys/types.h>

#include <string>

#include "platform/Files.h"

namespace novra::platform {

class Directory {
public:
    // Opens the absolute `path` one piece at a time from "/", following no symbolic link on the
    // way. Throws std::system_error (std::errc::too_many_symbolic_link_levels or not_a_directory
    // where a piece is a link or not a directory).
    static Directory openNoFollow(const std::string& path);


    // The entry `name` (one piece) of this directory, which must itself be a directory and not a
    // symbolic link. Throws std::system_error as openNoFollow().
    Directory open(const std::string& name) const;

    // A path that names this very directory while the object lives, for calls that take a path.
    // Pieces appended to it are looked up as usual: a call that does not follow the last piece of
    // its path (a rename, platform::readRegularFile) follows nothing below this directory then.
    std::string path() const;

    // Removes the entry `name` (one piece): a file or a symbolic link is unlinked (a link is never
    // followed), a directory is emptied the same way, entry by entry through descriptors, and then
    // removed. Nothing outside this directory is touched, whatever the tree holds. Throws
    // std::system_error; what was removed before a failure stays removed.
    void remove(const std::string& name) const;

    // Starts the executable `name` of this directory (not followed if it is a link) as
    // startDetached() does, with `displayPath` as its argument 0. Returns its process id. Throws
    // std::system_error when it cannot be started.
    pid_t startDetached(const std::string& name, const std::string& displayPath) const;

private:
    Directory(int fd, std::string path) : folder_(fd, std::move(path)) {}
    File folder_; // its path as named when opened, for error texts
};

} // namespace novra::platform
