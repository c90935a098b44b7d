#pragma once
// File operations with the durability the launcher's documents need.
#include <string>
#include <string_view>

namespace novra::platform {

// Replaces `path` with `contents` so that a crash leaves either the old or the new file: the bytes
// go to a hidden temporary file in the same directory, which is flushed, renamed over the target,
// and the directory is flushed. The temporary file is removed when anything fails. Throws
// std::system_error.
void writeFileAtomically(const std::string& path, std::string_view contents);

// The whole file, or std::system_error. With `limit` >= 0, a file larger than `limit` bytes stops
// the read early and the result holds limit + 1 bytes.
std::string readFile(const std::string& path, long long limit = -1);

// True when `path` is a regular file (after links) that the current user may execute.
bool isExecutableFile(const std::string& path);

// A fresh random UUID in canonical upper-case form (8-4-4-4-12 hexadecimal digits).
std::string uuidText();

} // namespace novra::platform
