#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/Detached.h"
#include "platform/Directory.h"
#include "platform/Exchange.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;

namespace {

// Two entries of different kinds with different content, to see which name holds which.
void makePair(const std::string& folder) {
    test::writeFile(folder + "/Old.app/Contents/MacOS/NovraHub", "old");
    test::writeFile(folder + "/Old.app/Contents/Info.plist", "old plist");
    test::writeFile(folder + "/New.app/Contents/MacOS/NovraHub", "new");
}

void expectExchangeWorks(const std::string& folder) {
    makePair(folder);
    platform::exchangeEntries(folder + "/New.app", folder + "/Old.app");
    EXPECT_EQ(test::readFile(folder + "/Old.app/Contents/MacOS/NovraHub"), "new");
    EXPECT_EQ(test::readFile(folder + "/New.app/Contents/MacOS/NovraHub"), "old");
    EXPECT_TRUE(test::exists(folder + "/New.app/Contents/Info.plist"));
    EXPECT_FALSE(test::exists(folder + "/Old.app/Contents/Info.plist"));

    // A directory and a plain file trade places just as well.
    test::writeFile(folder + "/file", "plain");
    platform::exchangeEntries(folder + "/file", folder + "/Old.app");
    EXPECT_EQ(test::readFile(folder + "/Old.app"), "plain");
    EXPECT_EQ(test::readFile(folder + "/file/Contents/MacOS/NovraHub"), "new");
}

int errorOf(const std::string& first, const std::string& second) {
    try {
        platform::exchangeEntries(first, second);
    } catch (const std::system_error& e) {
        return e.code().value();
    }
    return 0;
}

} // namespace

TEST(Exchange, SwapsTwoEntriesOnTheTestFolderFileSystem) {
    test::TempDir folder;
    expectExchangeWorks(folder.path());
}

TEST(Exchange, SwapsTwoEntriesOnTmpfs) {
    if (!test::canMount()) GTEST_SKIP() << "mounting a tmpfs needs root";
    test::TempDir folder;
    test::TmpfsMount tmpfs(folder / "tmpfs");
    expectExchangeWorks(tmpfs.path());
}

TEST(Exchange, AMissingEntryIsRefusedAndTheOtherStays) {
    test::TempDir folder;
    makePair(folder.path());
    EXPECT_EQ(errorOf(folder / "New.app", folder / "Absent.app"), ENOENT);
    EXPECT_EQ(errorOf(folder / "Absent.app", folder / "New.app"), ENOENT);
    EXPECT_EQ(test::readFile(folder / "New.app/Contents/MacOS/NovraHub"), "new");
    EXPECT_FALSE(test::exists(folder / "Absent.app"));
}

TEST(Exchange, AcrossTwoFileSystemsNothingChanges) {
    if (!test::canMount()) GTEST_SKIP() << "mounting a tmpfs needs root";
    test::TempDir folder;
    test::TmpfsMount tmpfs(folder / "tmpfs");
    test::writeFile(folder / "Old.app/Contents/MacOS/NovraHub", "old");
    test::writeFile(tmpfs.path() + "/New.app/Contents/MacOS/NovraHub", "new");

    try {
        platform::exchangeEntries(tmpfs.path() + "/New.app", folder / "Old.app");
        FAIL() << "the exchange crossed file systems";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), EXDEV);
        EXPECT_NE(std::string(e.what()).find(std::strerror(EXDEV)), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::readFile(folder / "Old.app/Contents/MacOS/NovraHub"), "old");
    EXPECT_EQ(test::readFile(tmpfs.path() + "/New.app/Contents/MacOS/NovraHub"), "new");

    // A mount point cannot be moved either, even within its parent's directory.
    test::writeFile(tmpfs.path() + "/inside", "tmpfs");
    EXPECT_EQ(errorOf(folder / "Old.app", tmpfs.path()), EBUSY);
    EXPECT_EQ(test::readFile(tmpfs.path() + "/inside"), "tmpfs");
    EXPECT_EQ(test::readFile(folder / "Old.app/Contents/MacOS/NovraHub"), "old");
}

namespace {

// A program that reports how it was started: its standard streams, working directory, session.
std::string reporter(const test::TempDir& folder) {
    std::string script = folder / "report.sh";
    test::writeFile(script, "#!/bin/sh\n"
                            "out=\"$1\"\n"
                            "streams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
                            "session=$(cut -d' ' -f6 /proc/$$/stat)\n"
                            "printf '%s\\n%s\\n%s\\n%s\\n' \"$streams\" \"$(pwd)\" $$ \"$session\" > \"$out.tmp\"\n"
                            "echo to-output\n"
                            "mv \"$out.tmp\" \"$out\"\n");
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

} // namespace

// The program leads a session of its own from the root folder, its input from /dev/null and its
// output to /dev/null or the given file.
TEST(DetachedStart, RunsInANewSessionFromTheRootWithNullStreams) {
    test::TempDir folder;
    const std::string log = folder / "log";
    for (bool toFile : {false, true}) {
        SCOPED_TRACE(toFile ? "output to a file" : "no output");
        const std::string report = folder / (toFile ? "report-file" : "report-null");
        int fd = toFile ? ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600) : -1;
        pid_t pid = platform::startDetached(reporter(folder), {report}, fd);
        if (toFile) ::close(fd);
        ASSERT_TRUE(test::waitForFile(report));
        ASSERT_EQ(::waitpid(pid, nullptr, 0), pid);
        const std::string output = toFile ? log : "/dev/null";
        EXPECT_EQ(linesOf(test::readFile(report)),
                  (std::vector<std::string>{"/dev/null", output, output, "/", std::to_string(pid),
                                            std::to_string(pid)}));
    }
    EXPECT_EQ(test::readFile(log), "to-output\n");
}

TEST(DetachedStart, AProgramThatCannotRunIsAnError) {
    test::TempDir folder;
    test::writeFile(folder / "plain", "not a program");
    struct Case {
        std::string program;
        int error;
    } cases[] = {
        {folder / "absent", ENOENT},
        {folder / "plain", EACCES},
        {"relative/program", EINVAL},
    };
    for (const auto& c : cases) {
        try {
            platform::startDetached(c.program, {});
            ADD_FAILURE() << c.program << " started";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code().value(), c.error) << c.program;
        }
    }
    // A folder starts only one of its own names: a path through a link inside it is refused.
    fs::create_directory(folder / "real");
    fs::copy_file("/usr/bin/true", folder / "real/true");
    fs::create_directory_symlink(folder / "real", folder / "link");
    try {
        platform::Directory::openNoFollow(folder.path()).startDetached("link/true", folder / "link/true");
        ADD_FAILURE() << "a path through a link started";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), EINVAL);
    }
}

TEST(ProcessProbe, TellsRunningFromGone) {
    EXPECT_EQ(platform::probeProcess(::getpid()), 0);
    EXPECT_EQ(platform::probeProcess(0), EINVAL);
    EXPECT_EQ(platform::probeProcess(-1), EINVAL);

    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    // Until its parent reaps it, an exited child still exists.
    while (true) {
        siginfo_t info{};
        ASSERT_EQ(::waitid(P_PID, child, &info, WEXITED | WNOWAIT), 0);
        if (info.si_pid == child) break;
    }
    EXPECT_EQ(platform::probeProcess(child), 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_EQ(platform::probeProcess(child), ESRCH);
}
