#pragma once
// Atomic exchange of two directory entries.
#include <string>

namespace novra::platform {

// Swaps what the two paths name in one step of the file system: afterwards `first` names what
// `second` named and the other way round, and at no moment is either name missing. Both must
// exist on the same file system, and the file system must support the exchange. Throws
// std::system_error with the call's error number (EXDEV across file systems, EBUSY for a mount
// point, EINVAL where the file system cannot exchange, ENOENT when either is missing).
void exchangeEntries(const std::string& first, const std::string& second);

// Writes every file and directory below `root` (and `root` itself) through to the disk, so that a
// tree that an exchange brings into place survives a power loss complete. Symbolic links are not
// followed. Throws std::system_error.
void flushTree(const std::string& root);

} // namespace novra::platform
