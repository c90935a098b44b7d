#pragma once
// File operations with the durability the launcher's documents need.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace novra::platform {

// Replaces `path` with `contents` so that a crash leaves either the old or the new file: the bytes
// go to a hidden temporary file in the same directory, which is flushed, renamed over the target,
// and the directory is flushed. The temporary file is removed when anything fails. The file gets
// the permission bits `mode` less the umask. Throws std::system_error.
void writeFileAtomically(const std::string& path, std::string_view contents, unsigned mode = 0644);

// The whole file, or std::system_error. With `limit` >= 0, a file larger than `limit` bytes stops
// the read early and the result holds limit + 1 bytes.
std::string readFile(const std::string& path, long long limit = -1);
// The same for a regular file reached without following a symbolic link in the last piece of
// `path` and without waiting on a FIFO; anything else throws std::system_error.
std::string readRegularFile(const std::string& path, long long limit = -1);

// True when `path` is a regular file (after links) that the current user may execute.
bool isExecutableFile(const std::string& path);

// Creates the directory `path` when nothing is there (its parent must exist, permissions 0755 less
// the umask). True when `path` now is a directory itself; false when something else is in the way,
// a symbolic link included, even one to a directory. Throws std::system_error for other failures.
bool makeRealDirectory(const std::string& path);
// True when `path` is a directory itself, not a symbolic link to one. Never throws.
bool isRealDirectory(const std::string& path);

// What an open file is.
struct FileStatus {
    bool regular = false;
    int64_t size = 0;
    bool ownedByUser = false;      // by the effective user of this process
    bool writableByOthers = false; // its group or everyone may write it
};

// An open file, closed when the object ends (an error from closing is ignored). The descriptor is
// not inherited by child processes unless it is handed to one as a standard stream.
class File {
public:
    // Opens an existing file for reading. Throws std::system_error.
    static File openForReading(const std::string& path);
    // Opens an existing file for reading without following a symbolic link as the last piece of
    // `path` (that fails with std::errc::too_many_symbolic_link_levels) and without waiting when
    // it is a FIFO or a device. What it is, status() tells. Throws std::system_error.
    static File openNoFollow(const std::string& path);
    // Creates the file, or empties an existing one, and opens it for writing. Throws std::system_error.
    static File createForWriting(const std::string& path);

    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int descriptor() const { return fd_; }
    // A path that names this very file while the object lives, for calls that take a path.
    std::string handlePath() const;
    // Reads until `size` bytes are in `buffer` or the file ends; returns how many were read (0 at
    // the end). Throws std::system_error.
    size_t read(void* buffer, size_t size);
    // The rest of the file, as readFile() reads it. Throws std::system_error.
    std::string readAll(long long limit = -1);
    // Throws std::system_error.
    FileStatus status() const;
    void close() noexcept;

private:
    friend class Directory; // holds its folder's descriptor in a File
    File(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

// Size in bytes of what `path` names (links followed); none when nothing exists there. Other
// failures throw std::system_error.
std::optional<int64_t> fileSize(const std::string& path);

// A fresh random UUID in canonical upper-case form (8-4-4-4-12 hexadecimal digits).
std::string uuidText();
// True when `text` has exactly that form.
bool isUUIDText(std::string_view text);

} // namespace novra::platform
