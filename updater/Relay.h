#pragma once
// UpdateRelay, the program that finishes a launcher update: it waits until the launcher has quit,
// applies the plan the launcher prepared, records the outcome beside the plan and starts the new
// launcher. Started by the launcher with two arguments: the plan's path and its own process id.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace novra::relay {

// How long the launcher is given to exit, and how often it is probed meanwhile.
inline constexpr std::chrono::seconds kLauncherWait{60};
inline constexpr std::chrono::milliseconds kProbeInterval{100};

// The launcher's process id: a signed 32-bit decimal number (optional sign, digits only) of at
// least 2; none otherwise.
std::optional<pid_t> parseParentPID(std::string_view text);

// What the wait for the launcher uses of the system; tests replace the clock and the sleep.
struct WaitHooks {
    std::function<int(pid_t)> probe; // 0 while the process exists, else the error number
    std::function<std::chrono::system_clock::time_point()> now;
    std::function<void(std::chrono::milliseconds)> sleep;
};
WaitHooks systemWaitHooks();

// Waits until `pid` is gone, at most kLauncherWait (the deadline is tested before each sleep).
// True only when a last probe reports that no such process exists; a process that is still
// there, or that cannot be probed for another reason, counts as running.
bool waitForExit(pid_t pid, const WaitHooks& hooks);

// The whole program: `arguments` holds the program name and its arguments. Returns the exit
// status; on failure writes one line "Launcher update: " + message to `error`.
int run(const std::vector<std::string>& arguments, std::ostream& error);

} // namespace novra::relay
