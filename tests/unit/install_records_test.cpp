#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>

#include "core/LauncherCore.h"
#include "platform/BundleSeal.h"
#include "platform/Files.h"
#include "support/Bundles.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;

namespace {

using novra::test::messageOf;

} // namespace

TEST(InstalledRecords, CurrentReadsOnlySoundRecords) {
    test::TempDir root;
    Installed record{test::sampleRelease(), 700000000.5,
                     std::string(64, 'a') + "-0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9"};
    EXPECT_EQ(LauncherCore::current("game", root.path()), std::nullopt); // not installed

    fs::create_directories(root / "game");
    LauncherCore::atomicJSON(record.encode(), root / "game/current.json");
    EXPECT_EQ(LauncherCore::current("game", root.path()), record);
    EXPECT_EQ(LauncherCore::current("game", root.path() + "/"), record);
    // The version folder need not exist.
    EXPECT_FALSE(test::exists(root / "game/versions"));

    struct Case {
        const char* name;
        std::function<void(Json&)> change;
    };
    const Case cases[] = {
        {"climbing directory", [](Json& j) { j["directory"] = "../x"; }},
        {"directory with a slash", [](Json& j) { j["directory"] = "a/b"; }},
        {"empty directory", [](Json& j) { j["directory"] = ""; }},
        {"directory is a dot", [](Json& j) { j["directory"] = "."; }},
        {"invalid release", [](Json& j) { j["release"]["saves"] = "inside"; }},
        {"missing key", [](Json& j) { j.erase("installedAt"); }},
        {"wrong type", [](Json& j) { j["directory"] = 5; }},
    };
    for (const Case& c : cases) {
        Json json = record.encode();
        c.change(json);
        test::writeFile(root / "game/current.json", encodeJson(json));
        EXPECT_EQ(LauncherCore::current("game", root.path()), std::nullopt) << c.name;
    }
    test::writeFile(root / "game/current.json", "{ not json");
    EXPECT_EQ(LauncherCore::current("game", root.path()), std::nullopt);
    fs::remove(root / "game/current.json");
    fs::create_directory(root / "game/current.json");
    EXPECT_EQ(LauncherCore::current("game", root.path()), std::nullopt);
    fs::remove(root / "game/current.json");

    // Links are not followed, to a sound record or to a game's folder that holds one.
    LauncherCore::atomicJSON(record.encode(), root / "sound.json");
    fs::create_symlink(root / "sound.json", root / "game/current.json");
    EXPECT_EQ(LauncherCore::current("game", root.path()), std::nullopt);
    fs::create_directory_symlink(root / "game", root / "linked");
    fs::remove(root / "game/current.json");
    fs::copy_file(root / "sound.json", root / "game/current.json");
    EXPECT_EQ(LauncherCore::current("linked", root.path()), std::nullopt);
    EXPECT_EQ(LauncherCore::current("game", root.path()), record);

    // A FIFO in the record's place is not waited on. (Should the read block, a writer that opens
    // and closes the FIFO ends it, so that the test fails rather than hangs.)
    fs::remove(root / "game/current.json");
    ASSERT_EQ(::mkfifo((root / "game/current.json").c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] { return LauncherCore::current("game", root.path()); });
    bool answered = reading.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!answered) ::close(::open((root / "game/current.json").c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_TRUE(answered);
    EXPECT_EQ(reading.get(), std::nullopt);
    fs::remove(root / "game/current.json");
    // An id that is not valid is never used as a path.
    fs::create_directories(root / "Game");
    LauncherCore::atomicJSON(record.encode(), root / "Game/current.json");
    EXPECT_EQ(LauncherCore::current("Game", root.path()), std::nullopt);
    EXPECT_EQ(LauncherCore::current("../Game", root / "x"), std::nullopt);
}

TEST(InstalledRecords, AppURLJoinsTheLayout) {
    Installed record{test::sampleRelease(), 0, "abc-UUID"};
    record.release.app = "Build/Game.app";
    EXPECT_EQ(LauncherCore::appURL("game", record, "/lib"), "/lib/game/versions/abc-UUID/Build/Game.app");
    EXPECT_EQ(LauncherCore::appURL("game", record, "/lib/"), "/lib/game/versions/abc-UUID/Build/Game.app");
}

class VerifyApp : public ::testing::Test {
protected:

    std::string verify() {
        return messageOf([&] { LauncherCore::verifyApp(app, release); });
    }

    test::TempDir dir;
    const test::KeyPair& keys = test::studioKeys();
    test::TrustKey trust{keys.publicKey};
    Release release = test::sampleRelease();
    std::string app = dir / "Game.app";
};

TEST_F(VerifyApp, SoundBundlesPassInBothPropertyListForms) {
    for (auto format : {platform::PropertyListFormat::xml, platform::PropertyListFormat::binary}) {
        fs::remove_all(app);
        test::makeBundle(app, {.format = format});
        platform::sealBundle(app, keys.privateKey);
        EXPECT_EQ(verify(), "");
    }
}

TEST_F(VerifyApp, EachRuleHasItsMessage) {
    const std::string noApp = "В пакете нет приложения macOS";
    const std::string wrongID = "Идентификатор приложения не совпадает с релизом";
    const std::string noExecutable = "Исполняемый файл приложения отсутствует";
    const std::string badSeal = "Проверка подписи приложения не пройдена";
    const std::string identifier = "<key>CFBundleIdentifier</key><string>com.novra.test</string>";
    auto executable = [](const std::string& value) { return "<key>CFBundleExecutable</key>" + value; };
    struct Case {
        const char* name;
        test::BundleSpec spec;
        std::function<void(const std::string&)> change; // applied before sealing
        std::string expected;
        std::optional<std::string> info = {}; // the entries of Info.plist, written in place of the bundle's
    };
    const Case cases[] = {
        {"no property list", {}, [](const std::string& a) { fs::remove(a + "/Contents/Info.plist"); }, noApp},
        {"property list is garbage", {},
         [](const std::string& a) { test::writeFile(a + "/Contents/Info.plist", "garbage"); }, noApp},
        {"executable key missing", {}, nullptr, noApp, identifier},
        {"executable key not a string", {}, nullptr, noApp, executable("<integer>1</integer>") + identifier},
        {"identifier differs", {.bundleID = "com.novra.other"}, nullptr, wrongID},
        {"identifier differs in case", {.bundleID = "com.novra.Test"}, nullptr, wrongID},
        {"identifier missing", {}, nullptr, wrongID, executable("<string>Game</string>")},
        {"executable file missing", {}, [](const std::string& a) { fs::remove(a + "/Contents/MacOS/Game"); },
         noExecutable},
        {"executable file not executable", {},
         [](const std::string& a) { test::setMode(a + "/Contents/MacOS/Game", 0644); }, noExecutable},
        {"executable is a folder", {.executable = "Tool"},
         [](const std::string& a) {
             fs::remove(a + "/Contents/MacOS/Tool");
             fs::create_directories(a + "/Contents/MacOS/Tool");
         },
         noExecutable},
        {"executable name climbs", {}, nullptr, noExecutable,
         executable("<string>../MacOS/Game</string>") + identifier},
        {"executable name has a slash", {},
         [](const std::string& a) {
             fs::create_directories(a + "/Contents/MacOS/Sub");
             fs::copy_file(a + "/Contents/MacOS/Game", a + "/Contents/MacOS/Sub/Game");
         },
         noExecutable, executable("<string>Sub/Game</string>") + identifier},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(app);
        test::makeBundle(app, c.spec);
        if (c.change) c.change(app);
        const std::string plist = R"(<?xml version="1.0"?><plist version="1.0"><dict>)";
        if (c.info) test::writeFile(app + "/Contents/Info.plist", plist + *c.info + "</dict></plist>");
        platform::sealBundle(app, keys.privateKey);
        EXPECT_EQ(verify(), c.expected);
    }

    // The seal comes last: a sound bundle with a broken seal fails only there.
    fs::remove_all(app);
    test::makeBundle(app);
    EXPECT_EQ(verify(), badSeal); // never sealed
    platform::sealBundle(app, keys.privateKey);
    test::writeFile(app + "/Contents/MacOS/late.txt", "added after sealing");
    EXPECT_EQ(verify(), badSeal);
    fs::remove(app + "/Contents/MacOS/late.txt");
    EXPECT_EQ(verify(), "");
    platform::clearTrustedSealKeys();
    EXPECT_EQ(verify(), badSeal);
}

TEST(CheckStorage, SettingsDisksAndSpace) {
    test::TempDir dir;
    Settings settings;
    settings.library = dir / "Library/Games";

    Settings invalid = settings;
    invalid.sourceURL = "http://novra.example/launcher";
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(invalid, 0); }),
              "Укажите HTTPS-адрес каталога без логина и параметров");
    EXPECT_FALSE(test::exists(settings.library));

    // A folder that is not the root of a mounted volume, or does not exist, or is named in another
    // spelling than its mount point, is not an attached disk.
    fs::create_directories(dir / "plain");
    for (const std::string& path : {dir / "plain", dir / "absent", std::string("/proc/"), std::string("relative")}) {
        Settings withVolume = settings;
        withVolume.requiredVolumes = {path};
        EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(withVolume, 0); }), "Подключите диск: " + path);
    }
    EXPECT_FALSE(test::exists(settings.library));

    // A library on a disk that is not attached is never created on the system disk instead.
    Settings detached = settings;
    detached.library = "/Volumes/novra-no-such-disk-" + platform::uuidText() + "/Games";
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(detached, 0); }), "Диск библиотеки не подключён");
    EXPECT_FALSE(test::exists(detached.library));

    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 0); }), "");
    EXPECT_TRUE(fs::is_directory(settings.library));
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, INT64_MAX); }),
              "Недостаточно свободного места на диске библиотеки");
    EXPECT_EQ(messageOf([&] { LauncherCore::checkStorage(settings, 999'999'999'999'999); }),
              "Недостаточно свободного места на диске библиотеки");
}
