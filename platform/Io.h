#pragma once
// Plain reads and writes on descriptors (pipes to and from child processes, open files).
#include <cstddef>
#include <string>

namespace novra::platform {

// Reads at most `count` bytes; returns 0 at end of stream. Retries on EINTR; throws
// std::system_error on any other failure.
size_t readSome(int fd, void* buffer, size_t count);

// Writes all `count` bytes, retrying partial writes and EINTR. Throws std::system_error.
void writeAll(int fd, const void* data, size_t count);

// Like writeAll, for the write end of a pipe: when the reader has gone, this throws EPIPE instead
// of raising SIGPIPE in the calling process.
void writeToPipe(int fd, const void* data, size_t count);

// Asks the kernel for a pipe buffer of `bytes` (fewer reads and context switches on a busy pipe).
// Best effort: a refusal leaves the pipe as it was.
void widenPipe(int fd, size_t bytes);

// A file opened for writing by its owner, closed at the end of scope.
class WritableFile {
public:
    // Creates or truncates `path` (mode 0644 before the umask). Throws std::system_error.
    explicit WritableFile(const std::string& path);
    ~WritableFile();
    WritableFile(const WritableFile&) = delete;
    WritableFile& operator=(const WritableFile&) = delete;
    int fd() const { return fd_; }
    // Flushes the file to the disk and closes it. Throws std::system_error.
    void close();

private:
    int fd_ = -1;
    std::string path_;
};

} // namespace novra::platform
