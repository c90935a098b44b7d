#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <thread>

#include "platform/Process.h"
#include "support/TestSupport.h"
#include "support/ToolWrapper.h"

using novra::platform::Process;
using novra::platform::Redirect;
using namespace std::chrono_literals;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(Process, ReportsExitStatus) {
    struct Case {
        std::string program;
        std::vector<std::string> arguments;
        int status;
    };
    const Case cases[] = {
        {"/bin/true", {}, 0},
        {"/bin/false", {}, 1},
        {"/bin/sh", {"-c", "exit 7"}, 7},
        {"/bin/sh", {"-c", "kill -TERM $$"}, 128 + SIGTERM},
        {"/bin/sh", {"-c", "kill -KILL $$"}, 128 + SIGKILL},
    };
    for (const auto& c : cases) {
        Process process(c.program, c.arguments);
        process.standardInput = Redirect::null();
        EXPECT_EQ(process.exitStatus(), -1);
        process.launch();
        EXPECT_EQ(process.wait(), c.status) << c.program << " " << (c.arguments.empty() ? "" : c.arguments.back());
        EXPECT_EQ(process.exitStatus(), c.status);
        EXPECT_FALSE(process.isRunning());
    }
}

TEST(Process, PassesArgumentsVerbatimWithoutAShell) {
    const std::vector<std::string> arguments = {"-c", "printf '%s|' \"$@\"", "sh", "a b", "'q'", "$HOME", "*", ""};
    Process process("/bin/sh", arguments);
    process.standardOutput = Redirect::capture();
    process.launch();
    EXPECT_EQ(process.wait(), 0);
    EXPECT_EQ(process.captured(1), "a b|'q'|$HOME|*||");
}

TEST(Process, DrainsAChattyChildWhileItRuns) {
    // Far more than a pipe holds: without draining, the child would block on its first full pipe.
    Process process("/bin/sh", {"-c", "head -c 8000000 /dev/zero | tr '\\0' x >&2; echo done"});
    process.standardOutput = Redirect::capture();
    process.standardError = Redirect::capture();
    process.launch();
    ASSERT_TRUE(process.waitFor(30)) << "the child stalled on a full pipe";
    EXPECT_EQ(process.wait(), 0);
    EXPECT_EQ(process.captured(1), "done\n");
    std::string err = process.captured(2);
    EXPECT_EQ(err.size(), 1u << 20); // the first MiB is kept, the rest read and dropped
    EXPECT_EQ(err.find_first_not_of('x'), std::string::npos);
}

TEST(Process, CapturedOutputDoesNotWaitForAGrandchildHoldingThePipe) {
    // The background programs inherit the pipes: one keeps them open, the other never stops writing.
    // (yes ends by itself on SIGPIPE once the pipe is closed; the sleep is killed below.) "bye" goes
    // first: what yes writes may fill the kept first MiB before the shell gets to it.
    Process process("/bin/sh", {"-c", "/bin/sleep 30 & echo $! >&2; echo bye; /usr/bin/yes novra &"});
    process.standardOutput = Redirect::capture();
    process.standardError = Redirect::capture();
    auto start = std::chrono::steady_clock::now();
    process.launch();
    EXPECT_EQ(process.wait(), 0);
    std::string out = process.captured(1);
    std::string err = process.captured(2);
    EXPECT_LT(secondsSince(start), 15.0);
    EXPECT_NE(out.find("bye\n"), std::string::npos);
    EXPECT_EQ(out.find_first_not_of("novrabye\n"), std::string::npos);
    ASSERT_FALSE(err.empty());
    ::kill(std::stoi(err), SIGKILL);
}

TEST(Process, TerminateFromAnotherThreadEndsAWait) {
    Process process("/bin/sleep", {"30"});
    process.launch();
    EXPECT_TRUE(process.isRunning());
    auto start = std::chrono::steady_clock::now();
    std::thread canceller([&] {
        std::this_thread::sleep_for(100ms);
        process.terminate();
    });
    int status = process.wait();
    canceller.join();
    EXPECT_EQ(status, 128 + SIGTERM);
    EXPECT_LT(secondsSince(start), 15.0);
    // After the exit, signals are no-ops rather than errors.
    process.terminate();
    process.kill();
    EXPECT_FALSE(process.isRunning());
}

TEST(Process, SeveralThreadsMayWaitAtOnce) {
    Process process("/bin/sh", {"-c", "sleep 0.2; echo out; echo err >&2; exit 3"});
    process.standardOutput = Redirect::capture();
    process.standardError = Redirect::capture();
    process.launch();
    auto other = std::async(std::launch::async, [&] { return process.captured(1); });
    EXPECT_EQ(process.wait(), 3);
    EXPECT_EQ(other.get(), "out\n");
    EXPECT_EQ(process.captured(2), "err\n");
}

TEST(Process, LaunchFailureIsThrownAndLeavesNothingRunning) {
    struct Case {
        std::string program;
        int error;
    };
    novra::test::TempDir dir;
    novra::test::writeFile(dir / "not-executable", "#!/bin/sh\n");
    const Case cases[] = {
        {"/nonexistent/novra-tool", ENOENT},
        {"sh", EINVAL}, // only absolute paths are started
        {dir / "not-executable", EACCES},
    };
    for (const auto& c : cases) {
        Process process(c.program, {});
        process.standardOutput = Redirect::capture();
        try {
            process.launch();
            ADD_FAILURE() << c.program << " started";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), c.error) << c.program << ": " << error.what();
        }
        EXPECT_FALSE(process.launched());
        EXPECT_FALSE(process.isRunning());
        EXPECT_THROW(process.wait(), std::system_error);
        process.terminate(); // a no-op before launch
    }
}

TEST(Process, StreamIsReadByTheCallerAndClosingItEndsAWriter) {
    Process process("/usr/bin/yes", {"novra"});
    process.standardOutput = Redirect::stream();
    process.launch();
    char buffer[6];
    size_t got = 0;
    while (got < sizeof buffer) {
        ssize_t n = ::read(process.streamFd(1), buffer + got, sizeof buffer - got);
        ASSERT_GT(n, 0);
        got += static_cast<size_t>(n);
    }
    EXPECT_EQ(std::string(buffer, sizeof buffer), "novra\n");
    EXPECT_EQ(process.streamFd(2), -1);
    process.closeStream(1);
    EXPECT_EQ(process.streamFd(1), -1);
    EXPECT_EQ(process.wait(), 128 + SIGPIPE);
}

TEST(Process, BadDescriptorRedirectIsALaunchFailure) {
    Process process("/bin/true", {});
    process.standardOutput = Redirect::descriptor(-1);
    EXPECT_THROW(process.launch(), std::system_error);
    EXPECT_FALSE(process.launched());
}

TEST(Process, DestroyingARunningProcessKillsAndReapsIt) {
    int pid;
    {
        Process process("/bin/sleep", {"30"});
        process.launch();
        pid = process.pid();
        ASSERT_TRUE(novra::test::processExists(pid));
    }
    EXPECT_FALSE(novra::test::processExists(pid));
}
