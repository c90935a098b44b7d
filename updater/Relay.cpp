#include "updater/Relay.h"

#include <cerrno>
#include <climits>
#include <exception>
#include <thread>

#include "core/LauncherCore.h"
#include "platform/Detached.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"
#include "selfupdate/BundleKeys.h"
#include "selfupdate/SelfUpdateCore.h"

namespace novra::relay {
namespace {

// A failure is reported on one line, whatever the message holds.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

// The result file's text after a successful swap.
std::string resultText(const std::string& version, const std::string& previous) {
    return "Updated to " + version + "\nPrevious: " + previous + "\n";
}

// Starts the application of the bundle on its own, as the system's opener would: the executable
// its property list names in "Contents/MacOS/", detached, in a session of its own.
void openBundle(const std::string& bundle) {
    const std::string failed = "Обновлено. Откройте лаунчер вручную";
    try {
        auto info = platform::readPropertyList(bundle + "/Contents/Info.plist");
        auto executable = info.find("CFBundleExecutable");
        require(executable != info.end() && safeRelative(executable->second) &&
                    executable->second.find('/') == std::string::npos,
                failed);
        platform::startDetached(bundle + "/Contents/MacOS/" + executable->second, {});
    } catch (const LauncherError&) {
        throw;
    } catch (const std::exception&) {
        throw LauncherError(failed);
    }
}

} // namespace

std::optional<pid_t> parseParentPID(std::string_view text) {
    auto value = SelfUpdateCore::parseDecimal(text);
    if (!value || *value < 2 || *value > INT32_MAX) return std::nullopt;
    return static_cast<pid_t>(*value);
}

WaitHooks systemWaitHooks() {
    return {platform::probeProcess, [] { return std::chrono::system_clock::now(); },
            [](std::chrono::milliseconds interval) { std::this_thread::sleep_for(interval); }};
}

bool waitForExit(pid_t pid, const WaitHooks& hooks) {
    const auto deadline = hooks.now() + kLauncherWait;
    if (hooks.probe(pid) == 0) {
        for (;;) {
            if (hooks.now() >= deadline) break;
            hooks.sleep(kProbeInterval);
            if (hooks.probe(pid) != 0) break;
        }
    }
    return hooks.probe(pid) == ESRCH;
}

int run(const std::vector<std::string>& arguments, std::ostream& error) {
    try {
        require(arguments.size() == 3, "Expected update plan and parent PID");
        // The seals this program accepts are those of the keys its own bundle carries; outside a
        // bundle it trusts none, and every update is refused.
        if (auto bundle = platform::runningBundle()) trustBundleKeys(*bundle);
        const std::string& planPath = arguments[1];
        // The plan comes first: a bad plan is reported even when the process id is bad too.
        LauncherUpdatePlan plan = LauncherUpdatePlan::fromJSON(platform::readFile(planPath));
        auto pid = parseParentPID(arguments[2]);
        require(pid.has_value(), "Invalid parent PID");
        require(waitForExit(*pid, systemWaitHooks()), "Лаунчер не завершился; обновление не применено");
        SelfUpdateCore::apply(plan);
        platform::writeFileAtomically(planPath + ".result", resultText(plan.update.release.version, plan.candidate));
        openBundle(plan.target);
        return 0;
    } catch (const std::exception& e) {
        error << "Launcher update: " << oneLine(e.what()) << '\n' << std::flush;
        return 1;
    }
}

} // namespace novra::relay
