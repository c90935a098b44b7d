#pragma once
// Plain reads and writes on descriptors (pipes to and from child processes, open files).
#include <cstddef>

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

} // namespace novra::platform
