#pragma once
// The running system's version, as compared with a release's "minimumSystem".
#include <cstdint>
#include <optional>

namespace novra::platform {

// The running system's major version in the numbering of "minimumSystem", or none when the system
// sets no lower limit (on Linux every release passes).
std::optional<int64_t> systemMajorVersion();

// Makes systemMajorVersion() answer `major` (tests cover the version rule this way) until
// resetSystemMajorVersion(). Thread-safe.
void overrideSystemMajorVersion(std::optional<int64_t> major);
void resetSystemMajorVersion();

} // namespace novra::platform
