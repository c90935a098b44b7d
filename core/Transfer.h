#pragma once
// File digests and transfers from the build source.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/OperationControl.h"
#include "core/Settings.h"

namespace novra {

// A fraction from 0.0 to 1.0, reported on the thread that runs the operation.
using Progress = std::function<void(double)>;

// Wraps text for a POSIX shell: every ' becomes '\'' and the whole is put in single quotes.
std::string shellQuote(std::string_view text);

namespace LauncherCore {

// SHA-256 of the file as 64 lowercase hexadecimal characters, read in 1 MiB blocks with a
// cancellation poll per block. Throws CancellationError or std::system_error.
std::string hash(const std::string& file, OperationControl& control);
std::string hash(const std::string& file);

// Longest a transfer may run, from the start of the tool: one day.
inline constexpr std::chrono::milliseconds kTransferTimeLimit = std::chrono::hours(24);

// Copies `relative` (below the build source's root) into `destination` with curl (HTTPS source)
// or ssh (SSH source). Throws LauncherError, CancellationError or std::system_error. `timeLimit`
// is the transfer's time limit; only tests pass a shorter one.
void download(const Settings& settings, const std::string& relative, const std::string& destination,
              int64_t maxBytes, OperationControl& control, const Progress& progress,
              std::chrono::milliseconds timeLimit = kTransferTimeLimit);

} // namespace LauncherCore
} // namespace novra
