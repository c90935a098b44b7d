// The package archive reader against real gzip: well-formed packages, and a corpus of malformed and
// malicious archives, each of which must end with its own message and leave nothing outside the
// destination.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "core/ArchiveStream.h"
#include "core/LauncherCore.h"
#include "packaging/Ustar.h"
#include "platform/Io.h"
#include "platform/Tools.h"
#include "support/ArchiveCorpus.h"
#include "support/TestSupport.h"
#include "support/ToolWrapper.h"

namespace fs = std::filesystem;
using novra::CancellationError;
using novra::LauncherError;
using novra::OperationControl;
using novra::test::TempDir;
using namespace novra::test::archive;

namespace {

// A scratch folder holding the package, the destination and a file outside the destination that
// must stay the only thing outside it.
class Sandbox {
public:
    Sandbox() {
        fs::create_directory(destination());
        novra::test::writeFile(dir_ / "outside/keep", "keep");
    }
    std::string destination() const { return dir_ / "dest"; }
    std::string archive() const { return dir_ / "package.tar.gz"; }
    std::string outside() const { return dir_ / "outside"; }

    void setTar(std::string_view tar) const { novra::packaging::gzipBytes(tar, archive()); }

    // "ok", the LauncherError's message, "system: " + the error's text, or "cancelled".
    std::string unpack(int64_t expectedBytes, OperationControl& control, const novra::Progress& progress = {}) const {
        try {
            novra::LauncherCore::unpack(archive(), destination(), expectedBytes, control, progress);
            return kOK;
        } catch (const LauncherError& e) {
            return e.message();
        } catch (const CancellationError&) {
            return "cancelled";
        } catch (const std::system_error& e) {
            return "system: " + e.code().message();
        }
    }
    std::string unpack(std::string_view tar, int64_t expectedBytes) const {
        setTar(tar);
        OperationControl control;
        return unpack(expectedBytes, control);
    }

    // The destination's tree; fails the test when anything but directories and regular files is in
    // it, or when anything outside it changed.
    std::vector<std::string> contents() const {
        std::vector<std::string> outsideNow = novra::test::listTree(dir_.path());
        std::vector<std::string> expectedOutside = {"dest", "outside", "outside/keep", "package.tar.gz"};
        std::erase_if(outsideNow, [](const std::string& p) { return p.starts_with("dest/"); });
        EXPECT_EQ(outsideNow, expectedOutside);
        EXPECT_EQ(novra::test::readFile(dir_ / "outside/keep"), "keep");
        std::vector<std::string> tree = novra::test::listTree(destination());
        for (const auto& p : tree) {
            auto status = fs::symlink_status(destination() + "/" + p);
            EXPECT_TRUE(fs::is_directory(status) || fs::is_regular_file(status)) << p;
        }
        return tree;
    }

private:
    TempDir dir_;
};

TEST(ArchiveCorpus, EachArchiveEndsWithItsMessageAndNothingOutside) {
    for (const Case& c : corpus()) {
        SCOPED_TRACE(c.name);
        Sandbox sandbox;
        EXPECT_EQ(sandbox.unpack(c.tar, c.expectedBytes), c.outcome);
        EXPECT_EQ(sandbox.contents(), c.tree);
    }
}

TEST(ArchiveReader, PrefixAndNameFormThePathAndModesAreNormalised) {
    Sandbox sandbox;
    std::string tar = entry(UstarHeader::file("", 4, 0700).prefix("Foo.app/Contents").name("Info.plist"), "plst") +
                      file("Foo.app/Contents/MacOS/run", "#!", 0700) + file("Foo.app/Contents/data", "dd", 0600) +
                      file("Foo.app/Contents/tool", "t", 0001) + file("Foo.app/Contents/empty", "", 0644) + ustarEnd();
    EXPECT_EQ(sandbox.unpack(tar, 9), kOK);
    std::vector<std::string> expected = {"Foo.app",
                                         "Foo.app/Contents",
                                         "Foo.app/Contents/Info.plist",
                                         "Foo.app/Contents/MacOS",
                                         "Foo.app/Contents/MacOS/run",
                                         "Foo.app/Contents/data",
                                         "Foo.app/Contents/empty",
                                         "Foo.app/Contents/tool"};
    EXPECT_EQ(sandbox.contents(), expected);
    auto modeOf = [&](const std::string& p) {
        struct stat st {};
        EXPECT_EQ(::lstat((sandbox.destination() + "/" + p).c_str(), &st), 0);
        return st.st_mode & 07777;
    };
    EXPECT_EQ(novra::test::readFile(sandbox.destination() + "/Foo.app/Contents/Info.plist"), "plst");
    EXPECT_EQ(modeOf("Foo.app/Contents/Info.plist"), 0755u);
    EXPECT_EQ(modeOf("Foo.app/Contents/MacOS/run"), 0755u);
    EXPECT_EQ(modeOf("Foo.app/Contents/data"), 0644u);
    EXPECT_EQ(modeOf("Foo.app/Contents/tool"), 0755u);
    EXPECT_EQ(modeOf("Foo.app/Contents/empty"), 0644u);
}

// What the studio's writer packs, the system's tar lists and the reader unpacks alike; what the
// system's tar writes in ustar form, the reader reads.
TEST(ArchiveReader, PackagesRoundTripAndAgreeWithTheSystemTar) {
    TempDir source;
    // Two pieces of 1 MiB plus a little: several copy chunks and a padded tail.
    std::string large;
    for (int i = 0; large.size() < (2u << 20) + 777; ++i) large += std::to_string(i * 7919) + ",";
    // A path longer than the name field, ending in a name that fills it.
    const std::string deep = "Contents/Resources/" + std::string(90, 'd') + "/" + std::string(99, 'n');
    novra::test::writeFile(source / "Contents/MacOS/game", large);
    fs::permissions(source / "Contents/MacOS/game", fs::perms::owner_exec, fs::perm_options::add);
    novra::test::writeFile(source / deep, "deep");
    novra::test::writeFile(source / "Contents/empty", "");
    fs::create_directories(source / "Contents/Empty Folder");

    Sandbox ours;
    auto stats = novra::packaging::writePackage(source.path(), "Studio/Game.app", ours.archive());
    EXPECT_EQ(stats.expandedBytes, static_cast<int64_t>(large.size() + 4));
    EXPECT_EQ(stats.files, 3);
    std::vector<double> reported;
    OperationControl control;
    EXPECT_EQ(ours.unpack(stats.expandedBytes, control, [&](double p) { reported.push_back(p); }), kOK);
    EXPECT_EQ(novra::test::readFile(ours.destination() + "/Studio/Game.app/Contents/MacOS/game"), large);
    EXPECT_EQ(novra::test::readFile(ours.destination() + "/Studio/Game.app/" + deep), "deep");
    ASSERT_GE(reported.size(), 3u);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_GT(reported.front(), 0.0);
    EXPECT_DOUBLE_EQ(reported.back(), 1.0);
    const std::vector<std::string> unpacked = ours.contents();
    EXPECT_EQ(unpacked.size(), 10u);

    auto listed = novra::test::run("/usr/bin/tar", {"-tzf", ours.archive()});
    ASSERT_EQ(listed.status, 0) << listed.err;
    std::vector<std::string> names;
    for (size_t start = 0, end; (end = listed.out.find('\n', start)) != std::string::npos; start = end + 1)
        names.push_back(listed.out.substr(start, end - start - (listed.out[end - 1] == '/' ? 1 : 0)));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, unpacked);

    Sandbox theirs;
    auto tar = novra::test::run("/usr/bin/tar", {"--format=ustar", "-czf", theirs.archive(), "-C",
                                                 source.path(), "Contents"});
    ASSERT_EQ(tar.status, 0) << tar.err;
    EXPECT_EQ(theirs.unpack(stats.expandedBytes, control), kOK);
    EXPECT_EQ(novra::test::readFile(theirs.destination() + "/" + deep), "deep");
    EXPECT_EQ(theirs.contents().size(), unpacked.size() - 2);
}

TEST(PackageWriter, RefusesLinksAndLeavesNoPartialPackage) {
    TempDir source;
    novra::test::writeFile(source / "Contents/a", "a");
    fs::create_symlink("/etc/passwd", source / "Contents/b");
    TempDir out;
    try {
        novra::packaging::writePackage(source.path(), "Game.app", out / "p.tar.gz");
        ADD_FAILURE() << "a link was packed";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Ссылки и специальные файлы в пакете запрещены: " + (source / "Contents/b"));
    }
    EXPECT_FALSE(novra::test::exists(out / "p.tar.gz"));
}

TEST(ArchiveReader, GzipFailuresAreReported) {
    Sandbox sandbox;
    sandbox.setTar(file("Game.app/a", std::string(5000, 'a')) + ustarEnd());
    std::string packed = novra::test::readFile(sandbox.archive());
    // The stored CRC of the data (the trailer's first four bytes) no longer matches.
    packed[packed.size() - 8] ^= 0x55;
    novra::test::writeFile(sandbox.archive(), packed);
    OperationControl control;
    EXPECT_EQ(sandbox.unpack(5000, control), kSizeOrChecksum);

    novra::test::writeFile(sandbox.archive(), "this is not gzip at all");
    fs::remove_all(sandbox.destination());
    fs::create_directory(sandbox.destination());
    EXPECT_EQ(sandbox.unpack(5000, control), kTruncated);

    fs::remove(sandbox.archive());
    EXPECT_EQ(sandbox.unpack(5000, control), kTruncated);
    EXPECT_TRUE(novra::test::listTree(sandbox.destination()).empty());
}

// Links put into the destination while it is being written are never followed.
TEST(ArchiveReader, LinksPlantedInTheDestinationAreNotFollowed) {
    Sandbox sandbox;
    fs::create_symlink(sandbox.outside(), sandbox.destination() + "/Game.app");
    EXPECT_EQ(sandbox.unpack(file("Game.app/evil", "x") + ustarEnd(), 1), "system: Not a directory");
    fs::remove(sandbox.destination() + "/Game.app");

    fs::create_symlink(sandbox.outside() + "/created", sandbox.destination() + "/evil");
    EXPECT_EQ(sandbox.unpack(file("evil", "x") + ustarEnd(), 1), kExists);
    fs::remove(sandbox.destination() + "/evil");

    fs::create_symlink(sandbox.outside(), sandbox.destination() + "/dir");
    EXPECT_EQ(sandbox.unpack(directory("dir/sub") + ustarEnd(), 1), "system: Not a directory");
    fs::remove(sandbox.destination() + "/dir");

    EXPECT_TRUE(sandbox.contents().empty());
}

// Expands the archive through a pipe, as unpack() does gzip's output, with an entry limit of 100.
std::string expandWithSmallLimit(const std::string& tar, const std::string& destination) {
    int pipe[2];
    EXPECT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    std::thread writer([&] {
        try {
            novra::platform::writeToPipe(pipe[1], tar.data(), tar.size());
        } catch (const std::system_error&) {
            // The reader stopped early.
        }
        ::close(pipe[1]);
    });
    std::string outcome = kOK;
    try {
        OperationControl control;
        novra::LauncherCore::archive::expand(pipe[0], destination, 1, control, {}, [] { return 0; }, 100);
    } catch (const LauncherError& e) {
        outcome = e.message();
    }
    ::close(pipe[0]);
    writer.join();
    return outcome;
}

// The reader counts entries and the folders their paths imply against one limit: 300,000 for a
// package, 100 here, where the same counting runs without creating hundreds of thousands of files.
TEST(ArchiveReader, EntriesAndImpliedFoldersCountTowardTheEntryLimit) {
    static_assert(novra::LauncherCore::archive::kMaxEntries == 300'000);
    struct Case {
        const char* name;
        std::function<std::string(int)> entry; // the i-th entry
        std::string lastCreated, firstRefused;
    };
    const Case cases[] = {
        {"named entries only", [](int i) { return file(std::to_string(i), ""); }, "99", "100"},
        // A folder and a file per entry: the 51st is refused before anything of it is created.
        {"one implied folder each", [](int i) { return file(std::to_string(i) + "/f", ""); }, "49", "50"},
        // A named folder two pieces below an implied one: two folders per entry.
        {"named folder below an implied one", [](int i) { return directory(std::to_string(i) + "/sub"); },
         "49/sub", "50"},
        // 64 pieces each: the second entry takes the count to 128 and is the last one created.
        {"deep paths", [](int i) { return file(std::to_string(i) + "/" + deepPath(63), ""); },
         "1/" + deepPath(63), "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string tar;
        for (int i = 0; i < 200; ++i) tar += c.entry(i);
        TempDir destination;
        EXPECT_EQ(expandWithSmallLimit(tar + ustarEnd(), destination.path()), kTooMany);
        EXPECT_TRUE(novra::test::exists(destination / c.lastCreated));
        EXPECT_FALSE(novra::test::exists(destination / c.firstRefused));
    }
}

TEST(ArchiveReader, CancelDuringCopyStopsWithinOneReadAndEndsGzip) {
    Sandbox sandbox;
    sandbox.setTar(file("Game.app/data", novra::test::randomBytes(8u << 20)) + ustarEnd());
    TempDir tools;
    novra::test::ToolWrapper gzip(tools.path(), "gzip", "/usr/bin/gzip");
    novra::test::ScopedTool useWrapper(&novra::platform::ToolPaths::gzip, gzip.path());
    OperationControl control;
    bool runningAtCancel = false;
    int calls = 0;
    std::string outcome = sandbox.unpack(8 << 20, control, [&](double) {
        if (++calls == 1) {
            runningAtCancel = gzip.lastPid() && novra::test::processExists(*gzip.lastPid());
            control.cancel();
        }
    });
    EXPECT_EQ(outcome, "cancelled");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(runningAtCancel);
    // Terminated and reaped: not even a zombie is left.
    ASSERT_TRUE(gzip.lastPid());
    EXPECT_FALSE(novra::test::processExists(*gzip.lastPid()));
    EXPECT_LE(fs::file_size(sandbox.destination() + "/Game.app/data"), 1u << 20);
}

TEST(ArchiveReader, CancelFromAnotherThreadWhileBlockedIsACancellation) {
    Sandbox sandbox;
    sandbox.setTar(file("Game.app/data", novra::test::randomBytes(4u << 20)) + ustarEnd());
    // A decompressor that delivers part of the stream and then stalls.
    TempDir tools;
    std::string stall = tools / "stalling-gzip";
    novra::test::writeScript(stall, "echo $$ > " + tools / "pid" + "\n/usr/bin/gzip -dc \"$2\" | head -c 100000\nexec sleep 60");
    novra::test::ScopedTool useStall(&novra::platform::ToolPaths::gzip, stall);

    OperationControl control;
    std::thread canceller([&] {
        // Once the file exists the reader waits for its data, which never comes.
        while (!novra::test::exists(sandbox.destination() + "/Game.app/data"))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        control.cancel();
    });
    auto started = std::chrono::steady_clock::now();
    std::string outcome = sandbox.unpack(4 << 20, control);
    canceller.join();
    EXPECT_EQ(outcome, "cancelled");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_FALSE(novra::test::processExists(std::stoi(novra::test::readFile(tools / "pid"))));
}

TEST(ArchiveReader, CancelledControlNeverStartsGzip) {
    Sandbox sandbox;
    sandbox.setTar(file("a", "x") + ustarEnd());
    TempDir tools;
    novra::test::ToolWrapper gzip(tools.path(), "gzip", "/usr/bin/gzip");
    novra::test::ScopedTool useWrapper(&novra::platform::ToolPaths::gzip, gzip.path());
    OperationControl control;
    control.cancel();
    EXPECT_EQ(sandbox.unpack(1, control), "cancelled");
    EXPECT_FALSE(gzip.lastPid());
    // The wrapper itself works: a live control starts it.
    OperationControl fresh;
    EXPECT_EQ(sandbox.unpack(1, fresh), kOK);
    EXPECT_TRUE(gzip.lastPid());
}

TEST(PublishUnpack, ChecksAPackageLikeTheLauncher) {
    Sandbox sandbox;
    sandbox.setTar(file("Game.app/a", "abc") + ustarEnd());
    auto unpack = [&](const std::string& into, const std::string& size) {
        return novra::test::run(novra::test::publishTool(), {"unpack", sandbox.archive(), into, size});
    };
    novra::test::expectRefusal(unpack(sandbox.destination(), "3"), "", 0);
    EXPECT_EQ(novra::test::readFile(sandbox.destination() + "/Game.app/a"), "abc");

    const std::string notEmpty = "Папка для распаковки должна существовать и быть пустой\n";
    novra::test::expectRefusal(unpack(sandbox.destination(), "3"), notEmpty);
    TempDir empty;
    novra::test::expectRefusal(unpack(empty / "absent", "3"), notEmpty);
    novra::test::expectRefusal(unpack(empty.path(), "4"), kSizeOrChecksum + "\n");
    for (std::string bad : {"0", "-3", "3x", "", "1000000000000"})
        novra::test::expectRefusal(unpack(empty.path(), bad), "Неверный размер пакета\n");
}

} // namespace
