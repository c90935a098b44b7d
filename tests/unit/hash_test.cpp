#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>

#include "core/LauncherError.h"
#include "core/Transfer.h"
#include "platform/Io.h"
#include "support/TestSupport.h"

using novra::CancellationError;
using novra::OperationControl;
namespace LauncherCore = novra::LauncherCore;
namespace test = novra::test;

namespace {

constexpr const char* kEmptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

} // namespace

TEST(Hash, MatchesSha256sumAcrossBlockBoundaries) {
    test::TempDir dir;
    // Nothing, exactly one block, one block and a byte, and several blocks with a tail.
    for (size_t size : {size_t{0}, size_t{1} << 20, (size_t{1} << 20) + 1, (size_t{3} << 20) + 12345}) {
        test::writeFile(dir / "file", test::randomBytes(size, static_cast<unsigned>(size)));
        test::RunResult reference = test::run("/usr/bin/sha256sum", {dir / "file"});
        ASSERT_EQ(reference.status, 0) << reference.err;
        EXPECT_EQ(LauncherCore::hash(dir / "file"), reference.out.substr(0, 64)) << size << " bytes";
    }
}

TEST(Hash, ACancelledControlIsAskedOnlyWhenThereIsDataToRead) {
    test::TempDir dir;
    test::writeFile(dir / "empty", "");
    test::writeFile(dir / "file", "x");
    OperationControl control;
    control.cancel();
    EXPECT_EQ(LauncherCore::hash(dir / "empty", control), kEmptyDigest);
    EXPECT_THROW(LauncherCore::hash(dir / "file", control), CancellationError);
}

TEST(Hash, CancelTakesEffectWithinOneBlock) {
    // A pipe lets the test decide what the hash can read: a block, the cancel, one more block, and
    // then nothing while the pipe stays open. A hash that looked at the control only at the end of
    // the file would wait for more data for ever.
    test::TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    OperationControl control;
    auto hashing = std::async(std::launch::async, [&] { return LauncherCore::hash(fifo, control); });
    int writer = ::open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    const std::string block = test::randomBytes(1 << 20);
    novra::platform::writeToPipe(writer, block.data(), block.size());
    control.cancel();
    try {
        novra::platform::writeToPipe(writer, block.data(), block.size());
    } catch (const std::system_error&) {
        // The hash stopped after the first block and closed its end.
    }
    bool stopped = hashing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ::close(writer);
    EXPECT_TRUE(stopped) << "the hash was still reading after the cancel";
    EXPECT_THROW(hashing.get(), CancellationError);
}

TEST(Hash, UnreadableFilesGiveTheFileError) {
    test::TempDir dir;
    struct Case {
        std::string path;
        int error;
    };
    const Case cases[] = {{dir / "missing", ENOENT}, {dir.path(), EISDIR}};
    for (const auto& c : cases) {
        try {
            LauncherCore::hash(c.path);
            ADD_FAILURE() << c.path << " hashed";
        } catch (const novra::LauncherError& error) {
            ADD_FAILURE() << "file error reported as a launcher error: " << error.what();
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), c.error) << c.path;
        }
    }
}
