#pragma once
// A directory held open. Its entries are reached from the directory itself, never again through
// the path that named it: whatever later happens to the pieces of that path (renamed, replaced by
// a symbolic link), this object still means the directory that was opened.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

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
    // removed (a directory without its owner's rights is given them first). Nothing outside this
    // directory is touched, whatever the tree holds. An entry that is already gone counts as
    // removed. Returns the bytes on disk this freed: the allocated blocks of every directory and of
    // every file whose last link it removed. Throws std::system_error at the first entry that cannot
    // be removed; what was removed until then stays removed.
    int64_t remove(const std::string& name) const;

    // Starts the executable `name` of this directory (not followed if it is a link) as
    // startDetached() does, with `displayPath` as its argument 0. Returns its process id. Throws
    // std::system_error when it cannot be started.
    pid_t startDetached(const std::string& name, const std::string& displayPath) const;

    // What the entry `name` is, a symbolic link not followed.
    enum class Kind { none, directory, link, other };
    Kind kind(const std::string& name) const;
    // The names of the entries, "." and ".." left out, in no set order. Throws std::system_error.
    std::vector<std::string> names() const;
    // Gives the entry `from` the new name `to` in this directory; nothing may be at `to` yet.
    // Throws std::system_error.
    void rename(const std::string& from, const std::string& to) const;
    // Writes the directory's entries to the disk (a rename then outlasts a power loss). Throws
    // std::system_error.
    void sync() const;

    // Removes the entry `name` when it is an empty directory. Throws std::system_error (ENOTEMPTY
    // when something is in it).
    void removeEmpty(const std::string& name) const;
    // The bytes on disk the entry `name` takes with everything below it: allocated blocks, no
    // symbolic link followed, a file with several links counted once. Entries that vanish or cannot
    // be read while they are measured count 0. Never throws.
    int64_t sizeOnDisk(const std::string& name) const;

private:
    Directory(int fd, std::string path) : folder_(fd, std::move(path)) {}
    File folder_; // its path as named when opened, for error texts
};

} // namespace novra::platform
