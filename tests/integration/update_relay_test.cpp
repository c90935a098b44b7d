#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/LauncherCore.h"
#include "platform/Exchange.h"
#include "platform/Process.h"
#include "selfupdate/BundleKeys.h"
#include "selfupdate/SelfUpdateCore.h"
#include "selfupdate/UpdateFiles.h"
#include "updater/Relay.h"
#include "support/Bundles.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// A pid that no process has: a child that has been reaped.
pid_t goneProcess() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A real update as the launcher leaves it: the installed launcher carrying UpdateRelay and the
// studio's key, the new launcher prepared beside it, and the plan in the library.
class UpdateRelayProgram : public test::LauncherUpdateTest {
  protected:
    void SetUp() override {
        LauncherUpdateTest::SetUp();
        plan = SelfUpdateCore::prepare(source, installed, update);
        LauncherCore::atomicJSON(plan.encode(), planFile);
        oldTree = test::snapshot(installed);
        newTree = test::snapshot(plan.candidate);
    }

    test::LauncherSpec launcher(bool newer) const override {
        return newer ? launcher("12", "2.1", "new") : launcher("11", "2.0", "old");
    }
    // Once started, the launcher writes its name into "started".
    test::LauncherSpec launcher(const std::string& build, const std::string& version,
                                const std::string& name) const {
        test::LauncherSpec spec = test::launcherSpec(build, version);
        spec.program = "#!/bin/sh\necho " + name + " > '" + started + ".tmp'\nmv '" + started + ".tmp' '" +
                       started + "'\n";
        spec.withRelay = true;
        spec.trustedKeys = test::studioKeys().publicKey;
        return spec;
    }

    // A failure of the updater: exit status 1 and one line on standard error.
    static void expectRefused(const test::RunResult& result, const std::string& message) {
        test::expectRefusal(result, "Launcher update: " + message + "\n");
    }

    // The trees hold whole programs: a mismatch is reported without printing them.
    void expectUntouched() {
        EXPECT_TRUE(test::snapshot(installed) == oldTree) << "the installed launcher changed";
        EXPECT_TRUE(test::snapshot(plan.candidate) == newTree) << "the prepared launcher changed";
        EXPECT_FALSE(test::exists(planFile + ".result"));
    }

    void expectSwapped() {
        EXPECT_TRUE(test::snapshot(installed) == newTree) << "the new launcher is not in place";
        EXPECT_TRUE(test::snapshot(plan.candidate) == oldTree) << "the former launcher is elsewhere";
        EXPECT_EQ(test::readFile(planFile + ".result"), "Updated to 2.1\nPrevious: " + plan.candidate + "\n");
    }

    // Runs the updater with a launcher that is gone; one that has not ended after 20 seconds is
    // killed and reported as "(hung)".
    test::RunResult runRelay(const std::string& planPath, const std::string& program = {}) {
        const std::string& updater = program.empty() ? relay : program;
        platform::Process process(updater, {planPath, std::to_string(goneProcess())});
        process.standardOutput = platform::Redirect::capture();
        process.standardError = platform::Redirect::capture();
        process.launch();
        if (!process.waitFor(20)) {
            process.kill();
            process.wait();
            return {-1, "", "(hung)"};
        }
        return {process.wait(), process.captured(1), process.captured(2)};
    }

    std::string started = root / "started";
    std::string planFile = root / "library/.launcher-update-0F6C2B9E-5A4D-4E3F-8C7B-1A2B3C4D5E6F.json";
    std::string relay = installed + "/Contents/MacOS/UpdateRelay";
    LauncherUpdatePlan plan;
    std::map<std::string, std::string> oldTree, newTree;
};

} // namespace

TEST_F(UpdateRelayProgram, SwapsStartsTheNewLauncherAndRecordsTheResult) {
    auto result = runRelay(planFile);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    expectSwapped();
    EXPECT_EQ(SelfUpdateCore::build(installed), 12);
    ASSERT_TRUE(test::waitForFile(started));
    EXPECT_EQ(test::readFile(started), "new\n");
    // The plan, the new bundle, the old one: nothing was deleted.
    EXPECT_TRUE(test::exists(planFile));
}

TEST_F(UpdateRelayProgram, WaitsForTheLauncherToExit) {
    platform::Process launcherProcess("/bin/sleep", {"0.6"});
    launcherProcess.launch();
    platform::Process relayProcess(relay, {planFile, std::to_string(launcherProcess.pid())});
    relayProcess.standardError = platform::Redirect::capture();
    auto start = Clock::now();
    relayProcess.launch();
    // Reaping the sleeper is what makes it vanish for the updater's probe.
    launcherProcess.wait();
    EXPECT_EQ(relayProcess.wait(), 0) << relayProcess.captured(2);
    EXPECT_GE(secondsSince(start), 0.5);
    expectSwapped();
}

TEST_F(UpdateRelayProgram, ArgumentErrorsComeFirst) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{}, "Expected update plan and parent PID"},
        {{planFile}, "Expected update plan and parent PID"},
        {{root / "absent.json", "42", "extra"}, "Expected update plan and parent PID"},
        // ParentPID has the rules of the number.
        {{planFile, "1"}, "Invalid parent PID"},
        {{planFile, "12ab"}, "Invalid parent PID"},
        // With a bad plan and a bad process id, the plan is what is reported.
        {{root / "absent.json", "0"}, root / "absent.json: No such file or directory"},
    };
    for (const auto& c : cases) expectRefused(test::run(relay, c.arguments), c.message);
    expectUntouched();
}

TEST_F(UpdateRelayProgram, APlanThatCannotBeReadStopsEverything) {
    Json missingHash = plan.encode();
    missingHash.erase("originalHash");
    test::writeFile(root / "no-hash.json", missingHash.dump());
    auto result = runRelay(root / "no-hash.json");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("Launcher update: Не удалось прочитать JSON", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("originalHash"), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    expectUntouched();
}

TEST_F(UpdateRelayProgram, ThePlanMustBeARegularFileOfThisUserAndNoOneElse) {
    const std::string notAFile = "План обновления должен быть обычным файлом";
    const std::string notPrivate =
        "План обновления принадлежит другому пользователю или открыт для записи другим";
    auto copyOfPlan = [&](const std::string& name, unsigned mode) {
        fs::copy_file(planFile, root / name);
        test::setMode(root / name, mode);
        return root / name;
    };
    ASSERT_EQ(::mkfifo((root / "fifo.json").c_str(), 0600), 0);
    fs::create_symlink(planFile, root / "link.json");
    fs::create_directories(root / "folder.json");
    std::string foreign = copyOfPlan("foreign.json", 0644);
    // As root the copy is given away; otherwise a file of root's stands in.
    if (::geteuid() == 0)
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    else
        foreign = "/etc/passwd";
    test::writeFile(root / "huge.json",
                    encodeJson(plan.encode()) + std::string(SelfUpdateCore::kPlanLimit, ' '));

    struct Case {
        std::string path;
        std::string message;
    } cases[] = {
        {root / "fifo.json", notAFile},
        {"/dev/zero", notAFile},
        {root / "link.json", notAFile},
        {root / "folder.json", notAFile},
        {copyOfPlan("group.json", 0664), notPrivate},
        {copyOfPlan("everyone.json", 0646), notPrivate},
        {foreign, notPrivate},
        {root / "huge.json", "План обновления слишком большой"},
    };
    for (const Case& c : cases) expectRefused(runRelay(c.path), c.message);
    expectUntouched();
    EXPECT_FALSE(test::exists(started));
}

TEST_F(UpdateRelayProgram, ItReplacesOnlyItsOwnBundleAndTrustsOnlyItsKeys) {
    // The build's updater belongs to another launcher bundle than the plan's target.
    expectRefused(runRelay(planFile, test::relayTool()), "Неверный путь установленного лаунчера");
    expectUntouched();

    // An installed launcher that carries no key trusts no seal.
    fs::remove(installed + "/" + std::string(kTrustedKeysResource));
    oldTree = test::snapshot(installed);
    expectRefused(runRelay(planFile), "Проверка подписи приложения не пройдена");
    expectUntouched();
    EXPECT_FALSE(test::exists(started));
}

TEST_F(UpdateRelayProgram, ANewLauncherThatCannotStartIsReportedAfterTheSwap) {
    // The prepared launcher's program names an interpreter that does not exist.
    std::string candidate = plan.candidate;
    fs::remove_all(candidate);
    test::LauncherSpec broken = launcher("12", "2.1", "new");
    broken.program = "#!/nonexistent/sh\n";
    test::makeLauncher(candidate, broken, test::studioKeys().privateKey);
    newTree = test::snapshot(candidate);

    expectRefused(runRelay(planFile), "Обновлено. Откройте лаунчер вручную");
    expectSwapped();
}

// The updater gives up when the launcher never exits. Takes the full 60 seconds.
TEST_F(UpdateRelayProgram, SlowGivesUpAfterSixtySeconds) {
    platform::Process launcherProcess("/bin/sleep", {"300"});
    launcherProcess.launch();
    auto start = Clock::now();
    auto result = test::run(relay, {planFile, std::to_string(launcherProcess.pid())});
    double waited = secondsSince(start);
    launcherProcess.kill();
    expectRefused(result, "Лаунчер не завершился; обновление не применено");
    EXPECT_GE(waited, 60.0);
    EXPECT_LT(waited, 75.0);
    expectUntouched();
}

// UpdateRelay killed at many moments of a real update: the launcher's path always holds a whole
// bundle, old or new, and the candidate path the other one.
TEST_F(UpdateRelayProgram, KilledAtAnyMomentLeavesTwoWholeBundles) {
    // A larger resource makes the checks before the exchange take a while.
    fs::remove_all(plan.candidate);
    test::LauncherSpec big = launcher("12", "2.1", "new");
    big.files = {{"Contents/Resources/data.bin", std::string(1 << 20, 'd')}};
    test::makeLauncher(plan.candidate, big, test::studioKeys().privateKey);
    newTree = test::snapshot(plan.candidate);

    const std::string pid = std::to_string(goneProcess());
    auto runKilledAfter = [&](std::chrono::microseconds delay) {
        platform::Process process(relay, {planFile, pid});
        process.standardOutput = platform::Redirect::null();
        process.standardError = platform::Redirect::null();
        process.launch();
        std::this_thread::sleep_for(delay);
        process.kill();
        process.wait();
    };
    auto restore = [&] {
        // Put the old launcher back in place for the next round.
        if (test::snapshot(installed) == newTree) platform::exchangeEntries(plan.candidate, installed);
        fs::remove(planFile + ".result");
    };

    // How long a whole run takes, to spread the kills over it.
    auto start = Clock::now();
    ASSERT_EQ(test::run(relay, {planFile, pid}).status, 0);
    auto whole = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    restore();

    // Kill points from the start to well past the measured end of a run.
    constexpr int kPoints = 30;
    int before = 0, after = 0;
    for (int i = 0; i <= kPoints; ++i) {
        auto delay = whole * i * 3 / (2 * kPoints);
        runKilledAfter(delay);
        auto target = test::snapshot(installed);
        auto candidate = test::snapshot(plan.candidate);

        if (target == oldTree) {
            ++before;
            EXPECT_EQ(candidate, newTree) << "killed after " << delay.count() << " µs";
        } else {
            ++after;
            EXPECT_EQ(target, newTree) << "killed after " << delay.count() << " µs";
            EXPECT_EQ(candidate, oldTree) << "killed after " << delay.count() << " µs";
        }
        // The result file, when there is one, is whole.
        if (test::exists(planFile + ".result")) {
            EXPECT_EQ(test::readFile(planFile + ".result"), "Updated to 2.1\nPrevious: " + plan.candidate + "\n");
        }
        // Only the two bundles lie in the launcher's folder.
        EXPECT_EQ(test::listTree(root / "Applications").size(), oldTree.size() + newTree.size() + 2);
        restore();
    }
    EXPECT_GT(before, 0);
    RecordProperty("killed_before_swap", before);
    RecordProperty("killed_after_swap", after);
}
