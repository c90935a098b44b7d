// The storage check against real mounts: small tmpfs volumes mounted by the test. Mounting needs
// root (CI runs as root); elsewhere these tests are skipped.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <filesystem>

#include "core/LauncherCore.h"
#include "platform/Files.h"
#include "platform/Volumes.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;

namespace {

using novra::test::messageOf;

class Storage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::canMount()) GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    test::TempDir dir;
};

} // namespace

TEST_F(Storage, RequiredVolumesMustBeMountedAndWritable) {
    test::TmpfsMount disk(dir / "disk", "1m");
    test::TmpfsMount readOnly(dir / "read-only", "1m", MS_RDONLY);
    fs::create_directories(dir / "plain");
    Settings settings;
    settings.library = dir / "Library";

    settings.requiredVolumes = {dir / "disk"};
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 0); }), "");
    for (const std::string& path : {dir / "plain", dir / "read-only", dir / "disk/", dir / "disk/inside"}) {
        settings.requiredVolumes = {dir / "disk", path};
        EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 0); }), "Подключите диск: " + path);
    }
    disk.unmount();
    settings.requiredVolumes = {dir / "disk"};
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 0); }), "Подключите диск: " + dir / "disk");
}

TEST_F(Storage, FreeSpaceRuleIsStrict) {
    test::TmpfsMount disk(dir / "disk", "300m");
    Settings settings;
    settings.library = dir / "disk/Games";
    ASSERT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 0); }), "");
    ASSERT_TRUE(fs::is_directory(settings.library));
    int64_t available = platform::freeSpace(settings.library);
    ASSERT_GT(available, LauncherCore::kFreeSpaceMargin);

    const std::string full = "Недостаточно свободного места на диске библиотеки";
    int64_t fits = available - LauncherCore::kFreeSpaceMargin;
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, fits); }), full);
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, fits - 1); }), "");

    // A small disk cannot even hold the margin.
    test::TmpfsMount small(dir / "small", "100m");
    settings.library = dir / "small/Games";
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 0); }), full);
}

TEST_F(Storage, LibraryInAMediaFolderNeedsItsDisk) {
    if (!fs::is_directory("/media")) GTEST_SKIP() << "no /media folder";
    const std::string point = "/media/novra-test-" + platform::uuidText();
    struct RemoveFolder {
        std::string path;
        ~RemoveFolder() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } removeLater{point};
    Settings settings;
    settings.library = point + "/Games";
    {
        test::TmpfsMount disk(point, "300m");
        EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 0); }), "");
        EXPECT_TRUE(fs::is_directory(settings.library));
    }
    // The disk is gone; its empty mount folder is on the system disk.
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 0); }), "Диск библиотеки не подключён");
    EXPECT_FALSE(fs::exists(settings.library));
}
