#include "platform/SystemVersion.h"

#include <mutex>

#ifdef __APPLE__
#include <sys/sysctl.h>

#include <cstdlib>
#endif

namespace novra::platform {
namespace {

struct Override {
    std::mutex lock;
    bool active = false;
    std::optional<int64_t> major;
};

Override& overrideState() {
    static Override state;
    return state;
}

std::optional<int64_t> runningMajorVersion() {
#ifdef __APPLE__
    char text[32] = {};
    size_t size = sizeof text - 1;
    if (::sysctlbyname("kern.osproductversion", text, &size, nullptr, 0) != 0) return std::nullopt;
    return std::strtoll(text, nullptr, 10);
#else
    // The releases' numbering is that of macOS; Linux has no counterpart and sets no limit.
    return std::nullopt;
#endif
}

} // namespace

std::optional<int64_t> systemMajorVersion() {
    Override& state = overrideState();
    {
        std::lock_guard guard(state.lock);
        if (state.active) return state.major;
    }
    return runningMajorVersion();
}

void overrideSystemMajorVersion(std::optional<int64_t> major) {
    Override& state = overrideState();
    std::lock_guard guard(state.lock);
    state.active = true;
    state.major = major;
}

void resetSystemMajorVersion() {
    Override& state = overrideState();
    std::lock_guard guard(state.lock);
    state.active = false;
    state.major.reset();
}

} // namespace novra::platform
