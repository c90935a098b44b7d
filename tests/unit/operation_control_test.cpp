#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "core/LauncherError.h"
#include "core/OperationControl.h"

using novra::CancellationError;
using novra::OperationControl;
using novra::platform::Process;
using namespace std::chrono_literals;

namespace {

std::shared_ptr<Process> sleeper() {
    auto process = std::make_shared<Process>("/bin/sleep", std::vector<std::string>{"30"});
    process->standardInput = novra::platform::Redirect::null();
    return process;
}

// True when the child is still running a moment later (nothing terminated it).
bool keepsRunning(Process& process) { return !process.waitFor(0.3); }

} // namespace

TEST(OperationControl, CancelWithoutProcessOnlySetsTheFlag) {
    OperationControl control;
    EXPECT_NO_THROW(control.check());
    EXPECT_FALSE(control.isCancelled());
    control.cancel();
    control.cancel(); // any number of times
    EXPECT_TRUE(control.isCancelled());
    EXPECT_THROW(control.check(), CancellationError);
    EXPECT_THROW(control.check(), CancellationError); // it stays cancelled
}

TEST(OperationControl, CancelTerminatesTheAttachedChildWhileAnotherThreadWaits) {
    auto control = std::make_shared<OperationControl>();
    auto process = sleeper();
    control->attach(process);
    process->launch();
    auto worker = std::async(std::launch::async, [process] { return process->wait(); });
    std::this_thread::sleep_for(50ms);
    control->cancel();
    ASSERT_EQ(worker.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(worker.get(), 128 + SIGTERM);
    EXPECT_THROW(control->check(), CancellationError);
}

TEST(OperationControl, AttachAfterCancelThrowsAndRecordsNothing) {
    OperationControl control;
    control.cancel();
    auto process = sleeper();
    EXPECT_THROW(control.attach(process), CancellationError);
    // Had it been recorded, this cancel would terminate it.
    process->launch();
    control.cancel();
    EXPECT_TRUE(keepsRunning(*process));
    process->kill();
}

TEST(OperationControl, AttachingNoneOrAnotherProcessLetsTheEarlierOneGo) {
    OperationControl control;
    auto first = sleeper();
    auto second = sleeper();
    first->launch();
    second->launch();

    control.attach(first);
    control.attach(second); // replaces the first
    control.attach(nullptr);
    control.attach(second);
    control.detach();
    control.cancel();
    EXPECT_TRUE(keepsRunning(*first));
    EXPECT_TRUE(keepsRunning(*second));
    first->kill();
    second->kill();

    OperationControl replacing;
    auto third = sleeper();
    auto fourth = sleeper();
    third->launch();
    fourth->launch();
    replacing.attach(third);
    replacing.attach(fourth);
    replacing.cancel();
    EXPECT_EQ(fourth->wait(), 128 + SIGTERM);
    EXPECT_TRUE(keepsRunning(*third));
    third->kill();
}

TEST(OperationControl, CancelDoesNotBlockBehindAChildThatIgnoresTermination) {
    OperationControl control;
    auto stubborn = std::make_shared<Process>(
        "/bin/sh", std::vector<std::string>{"-c", "trap '' TERM; echo ready; exec /bin/sleep 30"});
    stubborn->standardOutput = novra::platform::Redirect::stream();
    control.attach(stubborn);
    stubborn->launch();
    char ready[6];
    ASSERT_EQ(::read(stubborn->streamFd(1), ready, sizeof ready), 6); // SIGTERM is ignored from here on
    auto cancelling = std::async(std::launch::async, [&] { control.cancel(); });
    ASSERT_EQ(cancelling.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(keepsRunning(*stubborn));
    stubborn->kill();
    EXPECT_EQ(stubborn->wait(), 128 + SIGKILL);
}

