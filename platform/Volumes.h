#pragma once
// Mounted volumes and their free space.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace novra::platform {

// The mount points listed in a mount table in the form of /proc/self/mountinfo, in table order,
// with the table's octal escapes (\040 for a space, ...) decoded.
std::vector<std::string> parseMountPoints(std::string_view mountinfo);

// The root (mount point) of the volume holding `path`: the path is resolved (symbolic links, "."
// and "..") and the longest mount point containing it wins; a path that does not exist yet is
// looked up through its nearest existing ancestor. None for a path that is empty or not absolute.
// Throws std::system_error when the mount table cannot be read or the path cannot be resolved for
// another reason than a missing piece (a permission, a loop).
std::optional<std::string> volumeRoot(const std::string& path);

// Bytes available to an unprivileged user on the file system holding `path` (statvfs). Throws
// std::system_error.
int64_t freeSpace(const std::string& path);

// True when the current user may write into `path` (read-only volumes included).
bool isWritable(const std::string& path);

// The volume root that a path in a removable-media folder must lie on, by the system's mount
// conventions: "/Volumes/NAME"; "/media/USER/NAME" when the first piece after "/media/" is
// `userName`, else "/media/NAME"; "/run/media/USER/NAME". NAME is the piece after the prefix up to
// the next "/", possibly empty (then no volume has that root). None for a path outside those
// folders. Pure: no file-system access.
std::optional<std::string> mediaVolumeRoot(std::string_view path, std::string_view userName);

// The name of the current user in the password database ("" when it has no entry).
std::string currentUserName();

} // namespace novra::platform
