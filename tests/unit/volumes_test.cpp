#include <gtest/gtest.h>

#include <unistd.h>

#include <system_error>

#include "platform/Volumes.h"
#include "support/TestSupport.h"

using namespace novra;

TEST(Volumes, ParsesMountTableWithEscapes) {
    const char* table =
        "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
        "25 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "40 25 8:17 / /media/alice/My\\040Disk rw - vfat /dev/sdb1 rw\n"
        "41 25 8:18 /sub /mnt/tab\\011and\\134slash rw - ext4 /dev/sdb2 rw\n"
        "\n";
    EXPECT_EQ(platform::parseMountPoints(table),
              (std::vector<std::string>{"/proc", "/", "/media/alice/My Disk", "/mnt/tab\tand\\slash"}));
}

TEST(Volumes, MediaFoldersNameTheirVolumeRoot) {
    struct Case {
        const char* path;
        const char* user;
        std::optional<std::string> root;
    };
    const Case cases[] = {
        {"/Volumes/Games/Library", "alice", "/Volumes/Games"},
        {"/Volumes/Games", "alice", "/Volumes/Games"},
        {"/Volumes/", "alice", "/Volumes/"},
        {"/media/alice/Disk/Games", "alice", "/media/alice/Disk"},
        {"/media/alice/Disk/Games", "bob", "/media/alice"},
        {"/media/usb0/Games", "alice", "/media/usb0"},
        {"/media/alice", "alice", "/media/alice/"},
        {"/run/media/alice/Disk/Games", "alice", "/run/media/alice/Disk"},
        {"/home/alice/Games", "alice", std::nullopt},
        {"/Volumesque/Games", "alice", std::nullopt},
        {"/mnt/Games", "alice", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::mediaVolumeRoot(c.path, c.user), c.root) << c.path;
}

TEST(Volumes, LooksUpTheMountHoldingAPath) {
    test::TempDir dir;
    EXPECT_EQ(platform::volumeRoot("/"), "/");
    EXPECT_EQ(platform::volumeRoot("/proc/self"), "/proc");
    // A mount point holds the paths below it, not every path that starts with the same letters.
    EXPECT_EQ(platform::volumeRoot("/procs/none"), "/");
    EXPECT_EQ(platform::volumeRoot(""), std::nullopt);
    EXPECT_EQ(platform::volumeRoot("relative/path"), std::nullopt);
    // A link is resolved before the lookup.
    ASSERT_EQ(::symlink("/proc", (dir / "link").c_str()), 0);
    EXPECT_EQ(platform::volumeRoot(dir / "link"), "/proc");
    // A path that does not exist yet lies on the volume of its nearest existing folder.
    EXPECT_EQ(platform::volumeRoot(dir / "link/no/such/folder"), "/proc");
    EXPECT_EQ(platform::volumeRoot(dir / "no/such/folder"), platform::volumeRoot(dir.path()));
    // A path through a regular file cannot be resolved: the lookup fails.
    test::writeFile(dir / "file", "x");
    EXPECT_THROW(platform::volumeRoot(dir / "file/below"), std::system_error);
}

TEST(Volumes, FreeSpaceAndWritability) {
    test::TempDir dir;
    EXPECT_GT(platform::freeSpace(dir.path()), 0);
    EXPECT_THROW(platform::freeSpace(dir / "missing"), std::system_error);
    EXPECT_TRUE(platform::isWritable(dir.path()));
    EXPECT_FALSE(platform::isWritable(dir / "missing"));
}
