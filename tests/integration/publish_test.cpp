// The studio's release tool: keys, seals, releases and package checks, run as a program.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "core/LauncherCore.h"
#include "platform/BundleSeal.h"
#include "support/Bundles.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;

namespace {

class Publish : public ::testing::Test {
protected:
    void SetUp() override { test::makeBundle(bundle, {.files = {{"Contents/Resources/data.txt", "data"}}}); }
    void TearDown() override { platform::clearTrustedSealKeys(); }

    test::RunResult tool(std::vector<std::string> arguments) { return test::run(test::publishTool(), arguments); }

    test::RunResult release(const std::string& version, std::vector<std::string> more = {},
                            const std::string& id = "game") {
        std::vector<std::string> arguments{"release", source,  bundle, "--id", id, "--version",
                                           version,   "--key", keys.privateKey};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return tool(arguments);
    }

    // The release of the game as a JSON file, for check-package.
    std::string releaseFile(const Release& release) {
        std::string path = dir / "release.json";
        test::writeFile(path, encodeJson(release.encode()));
        return path;
    }

    test::TempDir dir;
    const test::KeyPair& keys = test::studioKeys();
    std::string source = dir / "source";
    std::string bundle = dir / "build/Game.app";
};

} // namespace

TEST_F(Publish, KeygenAndSeal) {
    test::RunResult made = tool({"keygen", dir / "new.key", dir / "new.pub"});
    EXPECT_EQ(made.status, 0) << made.err;
    struct stat info {};
    ASSERT_EQ(::stat((dir / "new.key").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(platform::sealPublicKey(dir / "new.key"), test::readFile(dir / "new.pub"));

    std::string privateKey = test::readFile(dir / "new.key");
    test::expectRefusal(tool({"keygen", dir / "new.key", dir / "other.pub"}),
                        "Файл ключа уже существует: " + dir / "new.key" + "\n");
    EXPECT_EQ(test::readFile(dir / "new.key"), privateKey);

    test::RunResult sealed = tool({"seal", bundle, dir / "new.key"});
    EXPECT_EQ(sealed.status, 0) << sealed.err;
    platform::trustSealKeysFromFile(dir / "new.pub");
    EXPECT_EQ(platform::checkSeal(bundle), platform::SealStatus::valid);
    platform::trustSealKeysFromFile(keys.publicKey);
    EXPECT_EQ(platform::checkSeal(bundle), platform::SealStatus::badSignature);

    EXPECT_EQ(tool({"seal", bundle}).status, 2);
    EXPECT_EQ(tool({"seal", bundle, dir / "missing.key"}).status, 1);
}

TEST_F(Publish, ReleaseWritesPackageAndCatalog) {
    // Another game already listed stays as it is, in its place.
    test::writeFile(source + "/catalog.json",
                    R"({"schema": 1, "games": [{"id": "other", "title": "Другая", "summary": "", "symbol": "star"}]})");
    test::RunResult result = release("1.0", {"--title", "Игра", "--summary", "Кратко", "--symbol", "bolt", "--category",
                                             "demoscene", "--notes", "Первая", "--minimum-system", "14",
                                             "--architecture", "universal"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");

    // One top-level .app folder of plain files and folders; expandedBytes is the sum of the
    // unpacked files, the seal included.
    const std::string package = source + "/packages/1.0.tar.gz";
    test::TempDir unpacked;
    ASSERT_EQ(test::run("/usr/bin/tar", {"-xzf", package, "-C", unpacked.path()}).status, 0);
    int64_t sum = 0;
    for (const std::string& entry : test::listTree(unpacked.path())) {
        auto status = fs::symlink_status(unpacked / entry);
        EXPECT_TRUE(fs::is_regular_file(status) || fs::is_directory(status)) << entry;
        EXPECT_TRUE(entry.starts_with("Game.app")) << entry;
        if (fs::is_regular_file(status)) sum += static_cast<int64_t>(fs::file_size(unpacked / entry));
    }
    EXPECT_TRUE(test::exists(unpacked / "Game.app/Contents/_CodeSignature/CodeResources.sig"));

    Catalog catalog = LauncherCore::loadCatalog(source + "/catalog.json");
    ASSERT_EQ(catalog.games.size(), 2u);
    EXPECT_EQ(catalog.games[0].id, "other");
    const Release published{"1.0", LauncherCore::hash(package), "packages/1.0.tar.gz",
                            static_cast<int64_t>(fs::file_size(package)), sum, "Game.app", "com.novra.test",
                            "universal", 14, "Первая", "external"};
    EXPECT_EQ(catalog.games[1], (Game{"game", "Игра", "Кратко", "bolt", published, "demoscene"}));

    // A new version replaces the game's release in place and keeps what was not given again.
    test::writeFile(bundle + "/Contents/Resources/data.txt", "data 1.1");
    ASSERT_EQ(release("1.1").status, 0);
    Catalog updated = LauncherCore::loadCatalog(source + "/catalog.json");
    ASSERT_EQ(updated.games.size(), 2u);
    EXPECT_EQ(updated.games[1].title, "Игра");
    EXPECT_EQ(updated.games[1].release->version, "1.1");
    EXPECT_EQ(updated.games[1].release->architecture, "arm64");
    EXPECT_TRUE(test::exists(source + "/packages/1.1.tar.gz"));
    EXPECT_TRUE(test::exists(source + "/packages/1.0.tar.gz"));
    // No temporary file is left beside the packages.
    EXPECT_EQ(test::listTree(source + "/packages"), (std::vector<std::string>{"1.0.tar.gz", "1.1.tar.gz"}));
}

TEST_F(Publish, RefusedReleasesWriteNothing) {
    ASSERT_EQ(release("1.0").status, 0);
    auto state = [&] {
        std::vector<std::string> files = test::listTree(source);
        files.push_back(test::readFile(source + "/catalog.json"));
        return files;
    };
    const std::vector<std::string> before = state();

    struct Case {
        const char* name;
        std::string id, version;
        std::vector<std::string> more;
        std::function<void()> prepare;
        std::string message;
    };
    const Case cases[] = {
        {"bad id", "Game", "2.0", {}, nullptr, "Неверная игра"},
        {"climbing version", "game", "../2.0", {}, nullptr, "Неверная версия релиза"},
        {"unknown category", "game", "2.0", {"--category", "Game"}, nullptr, "Неизвестный раздел каталога"},
        {"missing executable", "game", "2.0", {}, [&] { fs::remove(bundle + "/Contents/MacOS/Game"); },
         "Исполняемый файл приложения отсутствует"},
        {"link in the bundle", "game", "2.0", {},
         [&] { fs::create_symlink("/etc/passwd", bundle + "/Contents/Resources/link"); },
         "В приложении есть ссылка или специальный файл: Contents/Resources/link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.prepare) c.prepare();
        test::expectRefusal(release(c.version, c.more, c.id), c.message + "\n");
        EXPECT_EQ(state(), before);
        fs::remove_all(bundle);
        test::makeBundle(bundle, {.files = {{"Contents/Resources/data.txt", "data"}}});
    }
    EXPECT_EQ(tool({"release", source, bundle, "--id", "game", "--version", "2.0"}).status, 2);
    EXPECT_EQ(release("2.0", {"--bogus", "x"}).status, 2);
}

TEST_F(Publish, CheckPackageDoesWhatTheLauncherDoes) {
    ASSERT_EQ(release("1.0").status, 0);
    Release r = *LauncherCore::loadCatalog(source + "/catalog.json").games[0].release;
    const std::string package = source + "/packages/1.0.tar.gz";
    test::TempDir scratch;
    test::ScopedEnv tmpdir("TMPDIR", scratch.path());
    auto check = [&](const Release& release, const std::string& key, const std::string& file) {
        return tool({"check-package", file, "--release", releaseFile(release), "--key", key});
    };

    test::RunResult ok = check(r, keys.publicKey, package);
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out + ok.err, "");

    const test::KeyPair& other = test::studioKeys(1);
    // One failure of the package's checks and one of its application's (Install has them all).
    fs::copy_file(package, dir / "short.tar.gz");
    fs::resize_file(dir / "short.tar.gz", fs::file_size(package) - 1);
    struct Case {
        const char* name;
        Release release;
        std::string key;
        std::string file;
        std::string message;
    };
    const Case cases[] = {
        {"other key", r, other.publicKey, package, "Проверка подписи приложения не пройдена"},
        {"one byte short", r, keys.publicKey, dir / "short.tar.gz", "Пакет загружен не полностью"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::expectRefusal(check(c.release, c.key, c.file), c.message + "\n");
    }
    // The temporary folders are gone, after failures too.
    EXPECT_TRUE(fs::is_empty(scratch.path()));
    EXPECT_EQ(tool({"check-package", package, "--release", releaseFile(r)}).status, 2);
}
