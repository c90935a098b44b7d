// Installing packages made by the studio's tool into a temporary library.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <random>
#include <regex>
#include <thread>

#include "core/LauncherCore.h"
#include "packaging/Ustar.h"
#include "platform/BundleSeal.h"
#include "platform/Files.h"
#include "platform/SystemVersion.h"
#include "support/Bundles.h"
#include "support/Studio.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Data that compresses partly: text-like runs and random runs.
std::string mixedData(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string data;
    data.reserve(size);
    while (data.size() < size) {
        if (random() % 2)
            for (int i = 0; i < 4096; ++i) data.push_back(static_cast<char>(random()));
        else
            data += "level " + std::to_string(random() % 100) + " sprite tiles and palette entries\n";
    }
    data.resize(size);
    return data;
}

using novra::test::messageOf;

class Install : public ::testing::Test {
protected:
    void SetUp() override {
        settings.library = dir / "Library";
        test::makeBundle(bundle, {.files = {{"Contents/Resources/level.dat", mixedData(300000, 1)},
                                            {"Contents/Resources/readme.txt", "Привет"}}});
    }
    void TearDown() override { platform::resetSystemMajorVersion(); }

    // Publishes the bundle with the studio's tool and returns the catalog's entry.
    Game publish(const std::string& version, const std::string& id = "game") {
        return test::publishRelease(source, bundle, id, version, keys.privateKey);
    }

    // Packs a bundle as it is (sealed or not, sound or not), the way the tool would but without
    // its checks, and returns a game whose release describes that package.
    // `top` is the package's top-level folder and `appPath` the application's path in the package.
    Game packDirectly(const std::string& app, const std::string& version, const std::string& top = "Game.app",
                      const std::string& appPath = "Game.app") {
        std::string package = packageOf(version);
        fs::create_directories(source + "/packages");
        packaging::PackageStats stats = packaging::writePackage(app, top, package);
        Game game{"game", "Игра", "", "gamecontroller", test::sampleRelease(version), std::nullopt};
        Release& r = *game.release;
        r.sha256 = LauncherCore::hash(package);
        r.bytes = static_cast<int64_t>(fs::file_size(package));
        r.expandedBytes = stats.expandedBytes;
        r.app = appPath;
        return game;
    }

    std::string packageOf(const std::string& version) const { return source + "/packages/" + version + ".tar.gz"; }

    Installed install(const Game& game, const Progress& progress = {}) {
        OperationControl control;
        const std::string package = packageOf(game.release ? game.release->version : "none");
        return LauncherCore::install(package, game, settings, control, progress);
    }

    std::string gameDir() const { return settings.library + "/game"; }

    // Everything below the game's folder, with contents: unchanged by an operation that changed nothing.
    std::map<std::string, std::string> snapshot() const { return test::snapshot(gameDir()); }

    static bool staging(const std::string& name) { return name.rfind(".install-", 0) == 0; }
    int stagingFolders() const { return test::countEntries(gameDir() + "/versions", staging); }

    test::TempDir dir;
    const test::KeyPair& keys = test::studioKeys();
    test::TrustKey trust{keys.publicKey};
    Settings settings;
    std::string source = dir / "source";
    std::string bundle = dir / "build/Game.app";
};

} // namespace

TEST_F(Install, PublishedReleaseInstallsIntoTheLayout) {
    Game game = publish("1.0");
    ASSERT_TRUE(game.release);
    Date before = dateNow();
    Installed record = install(game);
    EXPECT_EQ(record.release, *game.release);
    EXPECT_GE(record.installedAt, before);
    EXPECT_LE(record.installedAt, dateNow());
    EXPECT_TRUE(std::regex_match(record.directory,
                                 std::regex(game.release->sha256 + "-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")))
        << record.directory;

    EXPECT_EQ(LauncherCore::current("game", settings.library), record);
    std::string app = LauncherCore::appURL("game", record, settings.library);
    EXPECT_EQ(platform::checkSeal(app), platform::SealStatus::valid);

    // The sealed application, as published, in its version folder beside the records and the lock.
    const std::string v = "versions/" + record.directory;
    std::vector<std::string> expected{".install.lock", "current.json", "versions", v, v + "/Game.app"};
    for (const std::string& entry : test::listTree(bundle)) expected.push_back(v + "/Game.app/" + entry);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::listTree(gameDir()), expected);

    struct stat info {};
    ASSERT_EQ(::stat((gameDir() + "/.install.lock").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // The package is never touched.
    EXPECT_EQ(LauncherCore::hash(packageOf("1.0")), game.release->sha256);
}

TEST_F(Install, SameReleaseTwiceThenAnUpdate) {
    Game first = publish("1.0");
    Installed a = install(first);
    Installed b = install(first);
    EXPECT_NE(a.directory, b.directory);
    EXPECT_EQ(a.directory.substr(0, 65), b.directory.substr(0, 65));
    EXPECT_EQ(LauncherCore::current("game", settings.library), b);
    EXPECT_EQ(Installed::fromJSON(test::readFile(gameDir() + "/previous.json")), a);

    test::writeFile(bundle + "/Contents/Resources/readme.txt", "Новая версия");
    Game second = publish("1.1");
    EXPECT_NE(second.release->sha256, first.release->sha256);
    Installed c = install(second);
    EXPECT_EQ(LauncherCore::current("game", settings.library), c);
    EXPECT_EQ(Installed::fromJSON(test::readFile(gameDir() + "/previous.json")), b);
    EXPECT_EQ(test::readFile(LauncherCore::appURL("game", c, settings.library) + "/Contents/Resources/readme.txt"),
              "Новая версия");
    // Older versions stay.
    for (const Installed& old : {a, b}) EXPECT_TRUE(fs::is_directory(gameDir() + "/versions/" + old.directory));
}

TEST_F(Install, ChecksBeforeTheDiskIsTouched) {
    Game game = publish("1.0");
    platform::overrideSystemMajorVersion(14);
    const std::pair<std::function<void(Game&)>, std::string> cases[] = {
        {[](Game& g) { g.release.reset(); }, "Сборка ещё не опубликована"},
        {[](Game& g) { g.id = "Game"; }, "Неверная игра"},
        {[](Game& g) { g.release->saves = "inside"; }, "Несовместимый пакет или сохранения внутри сборки"},
        {[](Game& g) { g.release->architecture = "x86_64"; }, "Для этой сборки требуется Intel Mac"},
        {[](Game& g) { g.release->minimumSystem = 15; }, "Для этой версии нужна macOS 15 или новее"},
    };
    for (const auto& [change, message] : cases) {
        Game changed = game;
        change(changed);
        EXPECT_EQ(messageOf([&] { install(changed); }), message);
    }
    EXPECT_FALSE(test::exists(settings.library));

    // A package one byte short is refused before it is hashed (a cancelled control would show).
    fs::copy_file(packageOf("1.0"), dir / "short.tar.gz");
    fs::resize_file(dir / "short.tar.gz", fs::file_size(dir / "short.tar.gz") - 1);
    OperationControl cancelled;
    cancelled.cancel();
    EXPECT_EQ(messageOf([&] { LauncherCore::install(dir / "short.tar.gz", game, settings, cancelled); }),
              "Пакет загружен не полностью");
    // Only the library folder of the storage check exists.
    EXPECT_TRUE(fs::is_directory(settings.library));
    EXPECT_TRUE(fs::is_empty(settings.library));

    // The running system's version passes at the release's minimum.
    game.release->minimumSystem = 14;
    EXPECT_EQ(messageOf([&] { install(game); }), "");
}

TEST_F(Install, FailuresKeepTheInstalledVersion) {
    Installed installed = install(publish("1.0"));
    auto before = snapshot();
    const test::KeyPair& other = test::studioKeys(1);
    const std::string badSeal = "Проверка подписи приложения не пройдена";

    // Each case packs a variant of the bundle as version 2.0 and installs it over the current one.
    struct Case {
        const char* name;
        std::function<void(Game&)> change; // of the release, or of its package
        std::string expected;
        const std::string* key = nullptr; // sealed with, the studio's when none
        bool tampered = false;            // a file changed after sealing
        bool cancelled = false;           // cancelled at the first progress
    };
    const Case cases[] = {
        {"sound variant as control case", nullptr, ""},
        {"wrong digest", [](Game& g) { g.release->sha256 = std::string(64, 'f'); },
         "SHA-256 пакета не совпадает. Установленная версия сохранена."},
        {"one byte short", [&](Game& g) { fs::resize_file(packageOf("2.0"), g.release->bytes - 1); },
         "Пакет загружен не полностью"},
        {"cancel during unpack", nullptr, "(cancelled)", nullptr, false, true},
        {"unpacked size differs", [](Game& g) { g.release->expandedBytes += 1; },
         "Размер или контрольная сумма архива неверны"},
        {"wrong bundle identifier", [](Game& g) { g.release->bundleID = "com.novra.other"; },
         "Идентификатор приложения не совпадает с релизом"},
        {"file changed after sealing", nullptr, badSeal, nullptr, true},
        {"sealed by another key", nullptr, badSeal, &other.privateKey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string copy = dir / "variant/Game.app";
        fs::remove_all(dir / "variant");
        test::makeBundle(copy, {.files = {{"Contents/Resources/level.dat", mixedData(300000, 2)}}});
        platform::sealBundle(copy, c.key ? *c.key : keys.privateKey);
        if (c.tampered) test::writeFile(copy + "/Contents/Resources/level.dat", mixedData(300000, 3));
        Game game = packDirectly(copy, "2.0");
        if (c.change) c.change(game);
        OperationControl control;
        std::string message = messageOf([&] {
            LauncherCore::install(packageOf("2.0"), game, settings, control, [&](double) {
                if (c.cancelled) control.cancel();
            });
        });
        EXPECT_EQ(message, c.expected);
        if (c.expected.empty()) {
            // The control case installs; the cases after it start from there.
            installed = *LauncherCore::current("game", settings.library);
            before = snapshot();
            continue;
        }
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(stagingFolders(), 0);
    }

    // With no trusted key nothing installs, not even the studio's own release.
    platform::clearTrustedSealKeys();
    EXPECT_EQ(messageOf([&] { install(publish("1.0")); }), badSeal);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(LauncherCore::current("game", settings.library), installed);
}

TEST_F(Install, StaleStagingOfADeadInstallIsRemoved) {
    Game game = publish("1.0");
    fs::create_directories(gameDir() + "/versions/.install-0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9/Game.app/Contents");
    test::writeFile(gameDir() + "/versions/.install-0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9/Game.app/Contents/x", "x");
    test::writeFile(gameDir() + "/versions/.install-stray-file", "x");
    fs::create_directories(gameDir() + "/versions/unrelated");
    install(game);
    EXPECT_EQ(stagingFolders(), 0);
    EXPECT_TRUE(fs::is_directory(gameDir() + "/versions/unrelated"));
}

TEST_F(Install, OnlyTheVerifiedApplicationEntersTheLibrary) {
    // The package holds the sealed application and, beside it, a script and a second application.
    std::string studio = dir / "studio";
    fs::create_directories(studio);
    fs::copy(bundle, studio + "/Game.app", fs::copy_options::recursive);
    platform::sealBundle(studio + "/Game.app", keys.privateKey);
    test::writeFile(studio + "/run.sh", "#!/bin/sh\n");
    test::makeBundle(studio + "/Other.app");
    Game game = packDirectly(studio, "1.0", "Studio", "Studio/Game.app");

    Installed record = install(game);
    std::string version = gameDir() + "/versions/" + record.directory;
    std::vector<std::string> tree = test::listTree(version);
    EXPECT_EQ(tree.size(), test::listTree(studio + "/Game.app").size() + 2);
    auto bundled = [](const std::string& p) { return p == "Studio" || p.starts_with("Studio/Game.app"); };
    EXPECT_TRUE(std::all_of(tree.begin(), tree.end(), bundled));
    std::string app = LauncherCore::appURL("game", record, settings.library);
    EXPECT_EQ(platform::checkSeal(app), platform::SealStatus::valid);
    EXPECT_EQ(stagingFolders(), 0);
}

// The library folder may be a link; a link in place of the game's folder or of its versions folder
// is refused and never followed: its target, with whatever staging folders it holds, stays as it was.
TEST_F(Install, LinksInPlaceOfTheGameFoldersAreRefused) {
    Game game = publish("1.0");
    const std::string elsewhere = dir / "elsewhere";
    const std::string stale = ".install-0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9";
    fs::create_directories(elsewhere + "/" + stale);
    const std::string refused = "Вместо папки в библиотеке находится ссылка или файл: ";
    struct Case {
        const char* name;
        std::string link; // made a link to `elsewhere`
        std::string message;
    } cases[] = {
        {"game folder", gameDir(), refused + gameDir()},
        {"versions folder", gameDir() + "/versions", refused + gameDir() + "/versions"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(gameDir());
        fs::create_directories(fs::path(c.link).parent_path());
        fs::create_directory_symlink(elsewhere, c.link);
        EXPECT_EQ(messageOf([&] { install(game); }), c.message);
        EXPECT_EQ(test::listTree(elsewhere), std::vector<std::string>{stale});
    }

    fs::remove_all(settings.library);
    fs::create_directories(dir / "real-library");
    fs::create_directory_symlink(dir / "real-library", settings.library);
    Installed record = install(game);
    EXPECT_EQ(LauncherCore::current("game", settings.library), record);
    EXPECT_TRUE(fs::is_directory(dir / ("real-library/game/versions/" + record.directory)));
}

TEST_F(Install, ARecordThatCannotBeWrittenRemovesTheNewVersion) {
    Game game = publish("1.0");
    Installed first = install(game);
    const std::vector<std::string> versions = test::listTree(gameDir() + "/versions");
    // A folder in the way makes the record's atomic replacement fail.
    for (const std::string record : {"previous.json", "current.json"}) {
        SCOPED_TRACE(record);
        fs::remove(gameDir() + "/" + record);
        test::writeFile(gameDir() + "/" + record + "/in-the-way", "x");
        EXPECT_THROW(install(game), std::system_error);
        EXPECT_EQ(test::listTree(gameDir() + "/versions"), versions);
        if (record == "previous.json") {
            EXPECT_EQ(LauncherCore::current("game", settings.library), first);
        }
        fs::remove_all(gameDir() + "/" + record);
    }
}

TEST_F(Install, LockFileMustBeAPlainFile) {
    Game game = publish("1.0");
    fs::create_directories(gameDir() + "/versions");
    ASSERT_EQ(::symlink("/dev/null", (gameDir() + "/.install.lock").c_str()), 0);
    EXPECT_EQ(messageOf([&] { install(game); }), "Не удалось заблокировать установку");
    EXPECT_EQ(LauncherCore::current("game", settings.library), std::nullopt);
}

// The install lock excludes a second install of the game, from another process or from another
// thread of the same launcher: it is turned away at once, and the first install (its staging folder
// included) goes on undisturbed.
TEST_F(Install, ASecondInstallOfTheGameIsTurnedAway) {
    Game game = publish("1.0");
    for (bool fromProcess : {true, false}) {
        SCOPED_TRACE(fromProcess ? "another process" : "another thread");
        fs::remove_all(settings.library);
        const std::string paused = dir / "paused", go = dir / "go";
        fs::remove(paused);
        fs::remove(go);
        auto first = [&] {
            bool waited = false;
            return install(game, [&](double) {
                if (std::exchange(waited, true)) return;
                test::writeFile(paused, "");
                test::waitForFile(go, 30);
            });
        };
        pid_t child = fromProcess ? test::runInChild([&] { first(); }) : -1;
        std::future<Installed> thread;
        if (!fromProcess) thread = std::async(std::launch::async, first);
        ASSERT_TRUE(test::waitForFile(paused, 30));
        EXPECT_EQ(stagingFolders(), 1);
        EXPECT_EQ(messageOf([&] { install(game); }), "Другой лаунчер уже устанавливает эту игру");
        EXPECT_EQ(stagingFolders(), 1);
        test::writeFile(go, "");
        if (fromProcess) {
            int status = -1;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_EQ(status, 0);
        } else {
            thread.get();
        }

        std::optional<Installed> record = LauncherCore::current("game", settings.library);
        ASSERT_TRUE(record);
        std::string app = LauncherCore::appURL("game", *record, settings.library);
        EXPECT_EQ(platform::checkSeal(app), platform::SealStatus::valid);
        EXPECT_FALSE(test::exists(gameDir() + "/previous.json"));
        EXPECT_EQ(stagingFolders(), 0);
        // The lock is free again.
        EXPECT_EQ(messageOf([&] { install(game); }), "");
    }
}

// An install killed in any phase leaves the game as it was or completely switched, and the next
// install succeeds. Each phase is watched for on disk and the install killed once it is seen.
TEST_F(Install, KilledInstallLeavesConsistentRecords) {
    test::writeFile(bundle + "/Contents/Resources/level.dat", mixedData(4'000'000, 4));
    Game game = publish("1.0");
    const std::string library = settings.library;

    // Starts an install in a child process and kills it once `reached` holds; returns whether the
    // child was still running then.
    auto killWhen = [&](const std::function<bool()>& reached) {
        return test::killWhen([&] { install(game); }, reached, std::chrono::minutes(1));
    };
    const auto& any = test::countEntries;
    auto versionCount = [&] {
        return any(gameDir() + "/versions", [](const std::string& n) { return n[0] != '.'; });
    };
    auto previousRecord = [&] {
        return test::exists(gameDir() + "/previous.json") ? test::readFile(gameDir() + "/previous.json") : "";
    };
    // The next install. A helper the killed install was starting (gzip, between its fork and its exec)
    // may hold the install lock a moment longer: that is another launcher for as long as it lasts.
    auto installAfterKill = [&] {
        for (int attempt = 1;; ++attempt) {
            try {
                return install(game);
            } catch (const LauncherError& e) {
                if (attempt == 100 || e.message() != "Другой лаунчер уже устанавливает эту игру") throw;
            }
            std::this_thread::sleep_for(50ms);
        }
    };
    auto expectComplete = [&](const Installed& record) {
        std::string app = LauncherCore::appURL("game", record, settings.library);
        EXPECT_EQ(platform::checkSeal(app), platform::SealStatus::valid) << app;
    };

    int versionsBefore = 0;
    std::string previousBefore;
    const std::pair<const char*, std::function<bool()>> phases[] = {
        {"staging created", [&] { return stagingFolders() > 0; }},
        {"seal unpacked", [&] { return any(gameDir() + "/versions", [&](const std::string& n) {
                                    return staging(n) && test::exists(gameDir() + "/versions/" + n +
                                        "/package/Game.app/Contents/_CodeSignature/CodeResources.sig");
                                }) > 0; }},
        {"version renamed", [&] { return versionCount() > versionsBefore; }},
        {"record being written", [&] { return any(gameDir(), [](const std::string& n) {
                                           return n.size() > 4 && n.front() == '.' && n.ends_with(".tmp");
                                       }) > 0; }},
        {"previous record written", [&] { return previousRecord() != previousBefore; }},
    };
    std::map<std::string, int> interrupted;
    for (size_t i = 0; i < std::size(phases); ++i) {
        const auto& [name, reached] = phases[i];
        SCOPED_TRACE(name);
        settings.library = library + "/" + std::to_string(i);

        // A first install killed: not installed, or installed completely.
        versionsBefore = 0;
        previousBefore.clear();
        interrupted[name] += killWhen(reached) ? 1 : 0;
        if (auto record = LauncherCore::current("game", settings.library))
            expectComplete(*record);
        else
            EXPECT_FALSE(test::exists(gameDir() + "/current.json"));
        Installed installed = installAfterKill();
        EXPECT_EQ(stagingFolders(), 0);

        // An update killed: the old record or the new one, each naming a complete version. A phase
        // that the child went through before the watcher saw it is tried again a few times.
        for (int attempt = 0; attempt < 4; ++attempt) {
            versionsBefore = versionCount();
            previousBefore = previousRecord();
            bool killed = killWhen(reached);
            interrupted[name] += killed ? 1 : 0;
            std::optional<Installed> record = LauncherCore::current("game", settings.library);
            ASSERT_TRUE(record);
            expectComplete(*record);
            if (record->directory == installed.directory) {
                // Still the old version; the previous record as it was, or already a copy of the current one.
                EXPECT_TRUE(previousRecord() == previousBefore ||
                            Installed::fromJSON(previousRecord()) == *record);
            } else {
                EXPECT_EQ(Installed::fromJSON(previousRecord()), installed);
            }
            installed = installAfterKill();
            EXPECT_EQ(LauncherCore::current("game", settings.library), installed);
            EXPECT_EQ(stagingFolders(), 0);
            if (killed) break;
        }
        fs::remove_all(settings.library);
    }
    // Every phase was actually interrupted at least once.
    for (const auto& [name, reached] : phases) EXPECT_GE(interrupted[name], 1) << name;
}
