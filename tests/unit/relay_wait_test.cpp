#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "selfupdate/SelfUpdateCore.h"
#include "updater/Relay.h"

using namespace novra;
using namespace std::chrono;

TEST(DecimalNumbers, SignDigitsAndRange) {
    struct Case {
        std::string text;
        std::optional<int64_t> value;
    } cases[] = {
        {"12", 12},
        {"+12", 12},
        {"-3", -3},
        {"0", 0},
        {"007", 7},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775809", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"12a", std::nullopt},
        {" 12", std::nullopt},
        {"12 ", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"+-3", std::nullopt},
        {"--3", std::nullopt},
        {"1.0", std::nullopt},
        {"0x10", std::nullopt},
        {"١٢", std::nullopt}, // digits of another script
    };
    for (const auto& c : cases) EXPECT_EQ(SelfUpdateCore::parseDecimal(c.text), c.value) << c.text;
}

TEST(ParentPID, SignedThirtyTwoBitsOfAtLeastTwo) {
    struct Case {
        std::string text;
        std::optional<pid_t> pid;
    } cases[] = {
        {"42", 42},         {"+42", 42},           {"2", 2},
        {"2147483647", 2147483647},                {"2147483648", std::nullopt},
        {"0", std::nullopt}, {"1", std::nullopt},  {"-5", std::nullopt},
        {"", std::nullopt},  {"4x", std::nullopt}, {"-2147483649", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(relay::parseParentPID(c.text), c.pid) << c.text;
}

namespace {

// A simulated clock: sleeping advances it, and the probed process answers from a script.
struct FakeSystem {
    system_clock::time_point clock = system_clock::time_point(seconds(1'000'000));
    std::vector<milliseconds> sleeps;
    std::vector<system_clock::time_point> probes;
    std::function<int(system_clock::time_point)> answer;

    relay::WaitHooks hooks() {
        return {[this](pid_t) {
                    probes.push_back(clock);
                    return answer(clock);
                },
                [this] { return clock; },
                [this](milliseconds interval) {
                    sleeps.push_back(interval);
                    clock += interval;
                }};
    }
};

} // namespace

TEST(LauncherWait, AProcessAlreadyGoneIsNotWaitedFor) {
    FakeSystem system;
    system.answer = [](auto) { return ESRCH; };
    EXPECT_TRUE(relay::waitForExit(1234, system.hooks()));
    EXPECT_TRUE(system.sleeps.empty());
}

TEST(LauncherWait, StopsPollingWhenTheProcessEnds) {
    FakeSystem system;
    const auto end = system.clock + milliseconds(2500);
    system.answer = [end](system_clock::time_point now) { return now < end ? 0 : ESRCH; };
    EXPECT_TRUE(relay::waitForExit(1234, system.hooks()));
    EXPECT_EQ(system.sleeps.size(), 25u);
    for (auto s : system.sleeps) EXPECT_EQ(s, milliseconds(100));
}

TEST(LauncherWait, GivesUpAtTheDeadline) {
    FakeSystem system;
    const auto start = system.clock;
    system.answer = [](auto) { return 0; };
    EXPECT_FALSE(relay::waitForExit(1234, system.hooks()));
    // The deadline is tested before each sleep: 600 sleeps of 0.1 s reach it, then one last probe.
    EXPECT_EQ(system.sleeps.size(), 600u);
    EXPECT_EQ(system.clock - start, seconds(60));
    EXPECT_EQ(system.probes.back(), start + seconds(60));
}

TEST(LauncherWait, OnlyNoSuchProcessCountsAsGone) {
    // A process the updater may not signal still exists: it is not treated as gone.
    FakeSystem system;
    system.answer = [](auto) { return EPERM; };
    EXPECT_FALSE(relay::waitForExit(1234, system.hooks()));
    EXPECT_TRUE(system.sleeps.empty());
}

TEST(LauncherWait, AWallClockJumpPastTheDeadlineEndsTheWait) {
    FakeSystem system;
    system.answer = [](auto) { return 0; };
    auto hooks = system.hooks();
    hooks.sleep = [&system](milliseconds) { system.clock += hours(2); };
    EXPECT_FALSE(relay::waitForExit(1234, hooks));
    EXPECT_EQ(system.probes.size(), 3u); // first probe, one after the only sleep, the last one
}
