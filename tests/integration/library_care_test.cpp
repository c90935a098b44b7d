// Looking after installed games (remove, verify, roll back, reclaim) in a library that the core's
// install filled with releases published by the studio's tool.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "core/LauncherCore.h"
#include "platform/BundleSeal.h"
#include "support/Bundles.h"
#include "support/Studio.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::messageOf;

namespace {

const std::string kBusy = "Другой лаунчер сейчас работает с этой игрой";
const std::string kNotInstalled = "Игра не установлена";
const std::string kNoPrevious = "Предыдущая версия не найдена";

class LibraryCare : public ::testing::Test {
protected:
    void SetUp() override { settings.library = dir / "Library"; }

    // Publishes and installs a release of the game whose bundle says its version, with `files`
    // small files besides (the more files, the longer a removal takes).
    Installed install(const std::string& version, const std::string& id = "game", int files = 0) {
        const std::string bundle = dir / ("build/" + id + "-" + version + "/Game.app");
        test::BundleSpec layout{.files = {{"Contents/Resources/version.txt", version}}};
        for (int i = 0; i < files; ++i)
            layout.files.emplace_back("Contents/Resources/tiles/" + std::to_string(i),
                                    std::string(3000, 'a' + i % 26));
        test::makeBundle(bundle, layout);
        Game game = test::publishRelease(source, bundle, id, version, test::studioKeys().privateKey);
        OperationControl control;
        return LauncherCore::install(source + "/packages/" + version + ".tar.gz", game, settings, control);
    }

    std::string gameDir(const std::string& id = "game") const { return settings.library + "/" + id; }
    std::string root() const { return settings.library; }
    std::optional<Installed> current() const { return LauncherCore::current("game", root()); }
    std::optional<Installed> previousRecord() const {
        const std::string file = gameDir() + "/previous.json";
        if (!test::exists(file)) return std::nullopt;
        return Installed::fromJSON(test::readFile(file));
    }
    // The version the game plays is there completely: its seal holds.
    void expectPlayable() const {
        std::optional<Installed> record = current();
        ASSERT_TRUE(record);
        EXPECT_EQ(platform::checkSeal(LauncherCore::appURL("game", *record, root())),
                  platform::SealStatus::valid);
    }
    std::vector<std::string> versions() const { return test::listTree(gameDir() + "/versions"); }
    // Everything below the game's folder, with contents: unchanged by an operation that changed nothing.
    std::map<std::string, std::string> snapshot() const { return test::snapshot(gameDir()); }
    int leftovers() const {
        return test::countEntries(root(),
                                  [](const std::string& name) { return name.rfind(".remove-", 0) == 0; });
    }

    test::TempDir dir;
    test::TrustKey trust{test::studioKeys().publicKey};
    Settings settings;
    std::string source = dir / "source";
};

} // namespace

// The removal takes the game's folder and nothing else: not another game, not what a link inside
// the folder points to, not the link's target when a link stands in place of the folder.
TEST_F(LibraryCare, RemoveTakesOnlyTheGamesFolder) {
    install("1.0", "other");
    const std::vector<std::string> other = test::listTree(gameDir("other"));
    Installed record = install("1.0");
    install("1.1");
    const std::string outside = dir / "outside";
    test::writeFile(outside + "/save.dat", "сохранение");
    const std::string version = gameDir() + "/versions/" + record.directory;
    fs::create_directory_symlink(outside, version + "/saves");
    fs::create_symlink(outside + "/save.dat", gameDir() + "/save-link");
    fs::create_directories(version + "/locked/inner");
    test::writeFile(version + "/locked/inner/file", "x");
    test::setMode(version + "/locked", 0500);

    LauncherCore::removeGame("game", root());
    EXPECT_FALSE(test::exists(gameDir()));
    EXPECT_EQ(leftovers(), 0);
    EXPECT_EQ(current(), std::nullopt);
    EXPECT_EQ(test::listTree(gameDir("other")), other);
    EXPECT_EQ(test::readFile(outside + "/save.dat"), "сохранение");
    // Removing what is gone is done already.
    EXPECT_EQ(messageOf([&] { LauncherCore::removeGame("game", root()); }), "");

    fs::create_directory_symlink(gameDir("other"), gameDir());
    EXPECT_EQ(messageOf([&] { LauncherCore::removeGame("game", root()); }),
              "Вместо папки в библиотеке находится ссылка или файл: " + gameDir());
    EXPECT_EQ(test::listTree(gameDir("other")), other);
    EXPECT_EQ(messageOf([&] { LauncherCore::removeGame("../other", root()); }), "Неверная игра");
    EXPECT_EQ(test::listTree(gameDir("other")), other);
}

// Verify checks every file of the installed version against the seal; installing the same release
// again (the repair) makes the game whole.
TEST_F(LibraryCare, VerifyFindsTamperingThatReinstallingMends) {
    Installed record = install("1.0");
    EXPECT_EQ(LauncherCore::verifyInstalled("game", root()), record);
    const Game game = *LauncherCore::loadCatalog(source + "/catalog.json").games.begin();
    const std::string badSeal = "Проверка подписи приложения не пройдена";
    struct Case {
        const char* name;
        std::function<void(const std::string& app)> tamper;
        std::string message;
    } cases[] = {
        {"changed file", [](const std::string& app) { test::writeFile(app + "/Contents/Resources/version.txt", "9"); },
         badSeal},
        {"added file", [](const std::string& app) { test::writeFile(app + "/Contents/Resources/extra", "x"); }, badSeal},
        {"version folder gone", [](const std::string& app) { fs::remove_all(fs::path(app).parent_path()); },
         "Файлы установленной версии не найдены"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.tamper(LauncherCore::appURL("game", record, root()));
        EXPECT_EQ(messageOf([&] { LauncherCore::verifyInstalled("game", root()); }), c.message);
        OperationControl control;
        record = LauncherCore::install(source + "/packages/1.0.tar.gz", game, settings, control);
        EXPECT_EQ(LauncherCore::verifyInstalled("game", root()), record);
    }
    EXPECT_EQ(messageOf([&] { LauncherCore::verifyInstalled("missing", root()); }), kNotInstalled);
}

TEST_F(LibraryCare, RollBackTwiceReturnsToWhereItBegan) {
    const Installed first = install("1.0");
    EXPECT_EQ(messageOf([&] { LauncherCore::rollBack("game", root()); }), kNoPrevious);
    const Installed second = install("2.0");
    const auto start = snapshot();
    EXPECT_EQ(LauncherCore::previous("game", root()), first);

    EXPECT_EQ(LauncherCore::rollBack("game", root()), first);
    EXPECT_EQ(current(), first);
    EXPECT_EQ(previousRecord(), second);
    EXPECT_EQ(
        test::readFile(LauncherCore::appURL("game", *current(), root()) + "/Contents/Resources/version.txt"),
        "1.0");
    EXPECT_EQ(LauncherCore::rollBack("game", root()), second);
    EXPECT_EQ(snapshot(), start);

    // Nothing to return to: the records and the versions stay as they are.
    const std::string firstFolder = gameDir() + "/versions/" + first.directory;
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string message;
    } cases[] = {
        {"previous folder gone", [&] { fs::rename(firstFolder, dir / "aside"); }, kNoPrevious},
        {"previous folder is a link", [&] { fs::create_directory_symlink(dir / "aside", firstFolder); },
         kNoPrevious},
        {"previous names the current version",
         [&] {
             fs::remove(firstFolder);
             fs::rename(dir / "aside", firstFolder);
             LauncherCore::atomicJSON(second.encode(), gameDir() + "/previous.json");
         },
         kNoPrevious},
        {"previous record damaged",
         [&] { test::writeFile(gameDir() + "/previous.json", "{\"release\": 1}"); }, kNoPrevious},
        {"current record gone", [&] { fs::remove(gameDir() + "/current.json"); }, kNotInstalled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        const auto before = snapshot();
        EXPECT_EQ(LauncherCore::previous("game", root()), std::nullopt);
        EXPECT_EQ(messageOf([&] { LauncherCore::rollBack("game", root()); }), c.message);
        EXPECT_EQ(snapshot(), before);
    }
}

TEST_F(LibraryCare, ReclaimKeepsCurrentAndPreviousAndFreesTheRest) {
    for (const char* version : {"1.0", "1.1", "1.2"})
        install(version);
    const Installed before = install("1.3");
    LauncherCore::rollBack("game", root());
    // Hidden leftovers of interrupted work go too; what the launcher did not make stays.
    fs::create_directories(gameDir() + "/versions/.install-0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9/Game.app");
    test::writeFile(gameDir() + "/versions/.remove-0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F8/file",
                    std::string(50000, 'x'));
    fs::create_directories(gameDir() + "/versions/notes");
    const std::vector<std::string> records{test::readFile(gameDir() + "/current.json"),
                                           test::readFile(gameDir() + "/previous.json")};
    const int64_t size = LauncherCore::sizeOnDisk("game", root());

    const int64_t freed = LauncherCore::reclaimSpace("game", root());
    EXPECT_EQ(freed, size - LauncherCore::sizeOnDisk("game", root()));
    EXPECT_GT(freed, 0);
    std::vector<std::string> kept{current()->directory, before.directory, "notes"};
    std::sort(kept.begin(), kept.end());
    std::vector<std::string> top;
    for (const std::string& entry : versions())
        if (entry.find('/') == std::string::npos) top.push_back(entry);
    EXPECT_EQ(top, kept);
    EXPECT_EQ(records, (std::vector<std::string>{test::readFile(gameDir() + "/current.json"),
                                                 test::readFile(gameDir() + "/previous.json")}));
    expectPlayable();
    EXPECT_EQ(LauncherCore::rollBack("game", root()), before);
    expectPlayable();
    EXPECT_EQ(LauncherCore::reclaimSpace("game", root()), 0);
}

// The size on disk is what du counts: allocated blocks, links not followed, hard links once.
TEST_F(LibraryCare, SizeOnDiskIsTheAllocatedSpaceOfTheFolder) {
    install("1.0");
    install("1.1", "game", 40);
    test::writeFile(dir / "outside/big", std::string(3'000'000, 'b'));
    fs::create_symlink(dir / "outside/big", gameDir() + "/big-link");
    fs::create_directory_symlink(dir / "outside", gameDir() + "/outside-link");
    test::writeFile(gameDir() + "/shared-file", std::string(100'000, 'c'));
    fs::create_hard_link(gameDir() + "/shared-file", gameDir() + "/hard-link");

    EXPECT_EQ(LauncherCore::sizeOnDisk("game", root()), std::stoll(test::run("/usr/bin/du", {"-s", "-B1", gameDir()}).out));
    EXPECT_EQ(LauncherCore::sizeOnDisk("missing", root()), 0);
    EXPECT_EQ(LauncherCore::sizeOnDisk("../game", root()), 0);
}

// While a second process holds the game's lock, every operation is turned away and changes nothing.
TEST_F(LibraryCare, ASecondProcessHoldingTheLockTurnsEveryOperationAway) {
    install("1.0");
    install("2.0");
    const auto before = snapshot();
    const std::function<void()> operations[] = {
        [&] { LauncherCore::verifyInstalled("game", root()); },
        [&] { LauncherCore::rollBack("game", root()); },
        [&] { LauncherCore::reclaimSpace("game", root()); },
        [&] { LauncherCore::removeGame("game", root()); },
    };
    {
        test::LockHolder holder(gameDir() + "/.install.lock");
        for (const auto& operation : operations) {
            EXPECT_EQ(messageOf(operation), kBusy);
            EXPECT_EQ(snapshot(), before);
        }
    }
    for (const auto& operation : operations)
        EXPECT_EQ(messageOf(operation), "");
    EXPECT_FALSE(test::exists(gameDir()));
}

// A removal killed at any moment leaves the game as it was or gone; what it left on the way is
// finished by the next clean-up. The kill points are moments in time and phases seen on disk.
TEST_F(LibraryCare, KilledRemovalLeavesTheGameOrNothing) {
    install("1.0", "game", 300);
    const std::string library = root();
    const std::string folder = dir / "installed";
    fs::rename(gameDir(), folder);
    auto started = std::chrono::steady_clock::now();
    fs::copy(folder, gameDir(), fs::copy_options::recursive);
    const auto copying = std::chrono::steady_clock::now() - started;

    struct Point {
        const char* name;
        std::function<bool()> reached;
        double fraction; // of the time a copy of the folder took, when no phase is watched
    } points[] = {
        {"at once", nullptr, 0.0},
        {"a tenth in", nullptr, 0.1},
        {"a quarter in", nullptr, 0.25},
        {"half-way", nullptr, 0.5},
        {"renamed", [&] { return leftovers() > 0; }, 5.0},
    };
    int interrupted = 0, leftBehind = 0;
    for (const Point& point : points) {
        SCOPED_TRACE(point.name);
        fs::remove_all(gameDir());
        fs::copy(folder, gameDir(), fs::copy_options::recursive);
        const auto delay = std::chrono::duration_cast<std::chrono::nanoseconds>(copying * point.fraction);
        interrupted +=
            test::killWhen([&] { LauncherCore::removeGame("game", library); }, point.reached, delay);
        if (test::exists(gameDir())) expectPlayable();
        leftBehind += leftovers() > 0;
        LauncherCore::removeLeftovers(library);
        EXPECT_EQ(leftovers(), 0);
        // Removed again, nothing is left of the game.
        LauncherCore::removeGame("game", library);
        EXPECT_EQ(test::listTree(library), std::vector<std::string>{});
    }
    EXPECT_GT(interrupted, 0);
    // A kill met the removal half-way through at least once.
    EXPECT_GT(leftBehind, 0);
}

// A reclaim killed at any moment keeps the current and the previous version whole; the next
// reclaim frees what is left.
TEST_F(LibraryCare, KilledReclaimKeepsCurrentAndPrevious) {
    const Installed old = install("1.0", "game", 300);
    install("1.1", "game", 300);
    install("1.2");
    const Installed active = install("1.3");
    const Installed before = *previousRecord();
    const std::string saved = dir / "saved";
    fs::create_directories(saved);
    fs::copy(gameDir() + "/versions/" + old.directory, saved + "/" + old.directory,
             fs::copy_options::recursive);
    auto started = std::chrono::steady_clock::now();
    LauncherCore::reclaimSpace("game", root());
    const auto reclaiming = std::chrono::steady_clock::now() - started;

    auto versionCount = [&] {
        return test::countEntries(gameDir() + "/versions", [](const std::string& n) { return n[0] != '.'; });
    };
    auto hidden = [&] {
        return test::countEntries(gameDir() + "/versions", [](const std::string& n) { return n[0] == '.'; });
    };
    for (double fraction : {0.0, 0.3, 0.6, 2.0}) {
        SCOPED_TRACE(fraction);
        fs::copy(saved, gameDir() + "/versions",
                 fs::copy_options::recursive | fs::copy_options::skip_existing);
        ASSERT_EQ(versionCount(), 3);
        const auto delay = std::chrono::duration_cast<std::chrono::nanoseconds>(reclaiming * fraction);
        const std::function<bool()> renamed = [&] { return hidden() > 0; };
        test::killWhen([&] { LauncherCore::reclaimSpace("game", root()); }, fraction > 1 ? renamed : nullptr,
                       delay);
        EXPECT_EQ(current(), active);
        EXPECT_EQ(previousRecord(), before);
        expectPlayable();
        EXPECT_EQ(LauncherCore::rollBack("game", root()), before);
        expectPlayable();
        LauncherCore::rollBack("game", root());
        LauncherCore::reclaimSpace("game", root());
        EXPECT_EQ(versionCount(), 2);
        EXPECT_EQ(hidden(), 0);
    }
}

// A roll back killed at any moment leaves the game playing a complete version. Killed between its
// two records, both name the version it returns to (never the one it leaves, which would leave the
// version returned to unnamed and free for a reclaim).
TEST_F(LibraryCare, KilledRollBackLeavesTheVersionReturnedTo) {
    const Installed first = install("1.0");
    const Installed second = install("2.0");
    std::mt19937 random(17);
    int between = 0;
    for (int round = 0; round < 60 && !(round >= 12 && between > 0); ++round) {
        SCOPED_TRACE(round);
        const Installed leaving = *current();
        const Installed target = *previousRecord();
        const std::string start = test::readFile(gameDir() + "/current.json");
        // Most rounds kill as soon as the current record changes; some at a moment in time.
        const std::function<bool()> switched = [&] {
            return test::readFile(gameDir() + "/current.json") != start;
        };
        const auto delay = std::chrono::microseconds(round % 4 == 3 ? random() % 3000 : 2'000'000);
        test::killWhen([&] { LauncherCore::rollBack("game", root()); }, round % 4 == 3 ? nullptr : switched,
                       delay);
        const Installed active = *current();
        const Installed before = *previousRecord();
        expectPlayable();
        if (active == leaving) {
            EXPECT_EQ(before, target);
        } else {
            EXPECT_EQ(active, target);
            EXPECT_TRUE(before == leaving || before == target);
        }
        if (active == before) {
            ++between;
            LauncherCore::atomicJSON(leaving.encode(), gameDir() + "/previous.json");
        }
    }
    EXPECT_GT(between, 0);
}
