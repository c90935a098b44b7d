#pragma once
// The package archive reader: a gzip-compressed POSIX ustar archive expanded into an empty folder.
#include <cstdint>
#include <string>

#include "core/OperationControl.h"
#include "core/Transfer.h"

namespace novra::LauncherCore {

// Expands `archive` into the existing, empty `destination`. Only plain files and directories are
// created, never outside `destination`. Throws LauncherError, CancellationError or
// std::system_error; never deletes anything (the caller removes the destination on failure).
void unpack(const std::string& archive, const std::string& destination, int64_t expectedBytes,
            OperationControl& control, const Progress& progress = {});

} // namespace novra::LauncherCore
