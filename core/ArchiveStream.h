#pragma once
// The tar half of the archive reader, apart from the decompressor: unpack() feeds it gzip's output;
// the fuzzing harness feeds it bytes from a pipe. Not part of the core's interface.
#include <cstdint>
#include <functional>
#include <string>

#include "core/OperationControl.h"
#include "core/Transfer.h"

namespace novra::LauncherCore::archive {

// Entries of an archive, and the folders that its paths imply without naming them, together.
inline constexpr int64_t kMaxEntries = 300'000;

// Reads a decompressed ustar stream from the descriptor `input` until its end and expands it into
// `destination`. After the end blocks and the trailing zeros, `finish` waits for whatever produced
// the stream and returns its exit status (0 when the stream was delivered intact). Same errors as
// unpack(). `maxEntries` is the entry limit; only tests pass another than kMaxEntries.
void expand(int input, const std::string& destination, int64_t expectedBytes, OperationControl& control,
            const Progress& progress, const std::function<int()>& finish, int64_t maxEntries = kMaxEntries);

} // namespace novra::LauncherCore::archive
