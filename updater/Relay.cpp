#include "updater/Relay.h"

#include <cerrno>
#include <climits>
#include <exception>
#include <thread>

#include "core/LauncherCore.h"
#include "platform/Detached.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"
#include "selfupdate/BundleKeys.h"
#include "selfupdate/SelfUpdateCore.h"
#include "selfupdate/UpdateFiles.h"

namespace novra::relay {
namespace {

// A failure is reported on one line, whatever the message holds.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

// Starts the application of the bundle on its own, as the system's opener would: the executable
// its property list names in "Contents/MacOS/", detached, in a session of its own. The bundle is
// the one held open since it was checked, and no link inside it is followed on the way.
void openBundle(const platform::Directory& bundle, const std::string& path) {
    const std::string failed = "Обновлено. Откройте лаунчер вручную";
    try {
        platform::Directory contents = bundle.open("Contents");
        auto info = platform::parsePropertyList(
            platform::readRegularFile(contents.path() + "/Info.plist", platform::kPropertyListLimit));
        auto executable = info.find("CFBundleExecutable");
        require(executable != info.end() && safeRelative(executable->second) &&
                    executable->second.find('/') == std::string::npos,
                failed);
        const std::string& name = executable->second;
        contents.open("MacOS").startDetached(name, path + "/Contents/MacOS/" + name);
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
        const std::optional<std::string> bundle = platform::runningBundle();
        if (bundle) trustBundleKeys(*bundle);
        const std::string& planPath = arguments[1];
        // The plan comes first: a bad plan is reported even when the process id is bad too.
        LauncherUpdatePlan plan = SelfUpdateCore::readPlan(planPath);
        auto pid = parseParentPID(arguments[2]);
        require(pid.has_value(), "Invalid parent PID");
        require(waitForExit(*pid, systemWaitHooks()), "Лаунчер не завершился; обновление не применено");
        // Only the bundle this program was started from is ever replaced.
        require(bundle && plan.target == *bundle, "Неверный путь установленного лаунчера");
        platform::Directory updated = SelfUpdateCore::apply(plan);
        platform::writeFileAtomically(
            planPath + ".result", SelfUpdateCore::resultText(plan.update.release.version, plan.candidate));
        openBundle(updated, plan.target);
        return 0;
    } catch (const std::exception& e) {
        error << "Launcher update: " << oneLine(e.what()) << '\n' << std::flush;
        return 1;
    }
}

} // namespace novra::relay
