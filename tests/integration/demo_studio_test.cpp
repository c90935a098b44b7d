// The demo studio as the run command uses it: scripts/demo-studio.sh makes a (small) demo folder,
// novra-demo-studio serves it to the real curl, and the demo game opens from a demo package.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "core/LauncherCore.h"
#include "platform/Process.h"
#include "selfupdate/LauncherUpdate.h"
#include "support/PrivateBus.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class DemoStudio : public ::testing::Test {
protected:
    void SetUp() override {
        test::makeLauncher(launcher, test::launcherSpec("7", "3.0"), "");
        test::RunResult made = makeDemo();
        ASSERT_EQ(made.status, 0) << made.out << made.err;
    }

    test::RunResult makeDemo() {
        test::ScopedEnv build("NOVRA_BUILD_DIR", NOVRA_BINARY_DIR);
        return test::run("/bin/bash", {std::string(NOVRA_SOURCE_DIR) + "/scripts/demo-studio.sh", "--dir", demo,
                                       "--small", "--no-build", "--launcher", launcher});
    }

    Catalog catalog() const { return LauncherCore::loadCatalog(source + "/catalog.json"); }
    Release release(const std::string& id) const {
        for (const Game& game : catalog().games)
            if (game.id == id && game.release) return *game.release;
        throw std::runtime_error("no release of " + id);
    }
    std::map<std::string, fs::file_time_type> packageTimes() const {
        std::map<std::string, fs::file_time_type> times;
        for (const auto& entry : fs::directory_iterator(source + "/packages"))
            times[entry.path().filename()] = entry.last_write_time();
        return times;
    }

    test::TempDir folder;
    std::string demo = folder / "demo";
    std::string source = demo + "/source";
    std::string launcher = folder / "build/NOVRA Launcher.app";
};

// Status and body of an HTTPS GET by the real curl, trusting the demo's certificate. The body goes
// through a file (packages are larger than what a captured output holds).
std::pair<std::string, std::string> fetch(const std::string& url, const std::string& certificate) {
    test::TempDir folder;
    const std::string body = folder / "body";
    test::RunResult got = test::run("/usr/bin/curl", {"--silent", "--path-as-is", "--cacert", certificate, "--noproxy",
                                                      "*", "--output", body, "--write-out", "%{http_code}", url});
    return {got.out, fs::exists(body) ? test::readFile(body) : ""};
}

} // namespace

TEST_F(DemoStudio, TheSourcePassesTheLaunchersChecks) {
    EXPECT_EQ(test::run(test::publishTool(), {"check-catalog", source + "/catalog.json"}).status, 0);

    // Every built-in game in its order, most of them published with a package in place.
    Catalog builtIn = LauncherCore::loadCatalog(std::string(NOVRA_SOURCE_DIR) + "/resources/catalog.json");
    Catalog published = catalog();
    ASSERT_EQ(published.games.size(), builtIn.games.size());
    for (size_t i = 0; i < builtIn.games.size(); ++i) {
        const Game& game = published.games[i];
        EXPECT_EQ(game.id, builtIn.games[i].id);
        EXPECT_EQ(game.title, builtIn.games[i].title);
        bool unpublished = game.id == "quiet-marsh" || game.id == "small-hours";
        ASSERT_EQ(game.release.has_value(), !unpublished) << game.id;
        if (game.release) {
            EXPECT_EQ(fs::file_size(source + "/" + game.release->archive), game.release->bytes) << game.id;
        }
    }

    // A package passes the launcher's checks with the demo's public key.
    test::writeFile(folder / "release.json", encodeJson(release("ember-run").encode()));
    const std::string package = source + "/" + release("ember-run").archive;
    test::RunResult checked = test::run(test::publishTool(), {"check-package", package, "--release",
                                                              folder / "release.json", "--key", demo + "/keys/studio.pub"});
    EXPECT_EQ(checked.status, 0) << checked.err;

    // The launcher update offers the build after the launcher's (the studio's tool publishes it
    // only when its bundle says so).
    LauncherUpdate update = LauncherUpdate::fromJSON(test::readFile(source + "/launcher-update.json"));
    EXPECT_EQ(update.build, 8);
    EXPECT_EQ(update.release.version, "3.0-demo.8");
}

TEST_F(DemoStudio, LaterRunsKeepWhatIsCurrentAndNeverLeaveABrokenSource) {
    auto before = packageTimes();
    test::RunResult again = makeDemo();
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(packageTimes(), before) << "nothing was published again";

    // A new launcher build: a new update, the old one's package gone, the games untouched.
    test::makeLauncher(launcher, test::launcherSpec("9", "3.1"), "");
    again = makeDemo();
    ASSERT_EQ(again.status, 0) << again.err;
    LauncherUpdate update = LauncherUpdate::fromJSON(test::readFile(source + "/launcher-update.json"));
    EXPECT_EQ(update.build, 10);
    auto after = packageTimes();
    EXPECT_EQ(after.erase("3.1-demo.10.tar.gz"), 1u);
    before.erase("3.0-demo.8.tar.gz");
    EXPECT_EQ(after, before);

    // A new demo game makes every game published again; when that fails, the source stays as it was.
    const std::string catalogBefore = test::readFile(source + "/catalog.json");
    const std::string game = folder / "novra-demo-game";
    test::writeFile(game, test::readFile(std::string(NOVRA_BINARY_DIR) + "/tools/novra-demo-game") + "\n");
    test::RunResult failed =
        test::run(std::string(NOVRA_BINARY_DIR) + "/tools/novra-demo-studio",
                  {"make", source, "--key", demo + "/keys/studio.key", "--catalog",
                   std::string(NOVRA_SOURCE_DIR) + "/resources/catalog.json", "--game", game, "--publish", "/bin/false"});
    test::expectRefusal(failed, "novra-demo-studio: novra-publish release: код выхода 1\n");
    EXPECT_EQ(test::readFile(source + "/catalog.json"), catalogBefore);
    after["3.1-demo.10.tar.gz"] = fs::last_write_time(source + "/packages/3.1-demo.10.tar.gz");
    EXPECT_EQ(packageTimes(), after);
}

// The demo studio serving the demo folder with `options` added; its two origins once both listen.
struct Studio {
    platform::Process process;
    std::string origin, social;

    Studio(const std::string& demo, std::vector<std::string> options)
        : process(std::string(NOVRA_BINARY_DIR) + "/tools/novra-demo-studio", [&] {
              std::vector<std::string> args{"serve", demo + "/source", "--certificate", demo + "/tls/certificate.pem",
                                            "--certificate-key", demo + "/tls/key.pem"};
              args.insert(args.end(), options.begin(), options.end());
              return args;
          }()) {
        process.standardOutput = platform::Redirect::stream();
        process.launch();
        const std::string sourceLine = test::readLine(process.streamFd(1));
        const std::string socialLine = test::readLine(process.streamFd(1));
        EXPECT_TRUE(sourceLine.starts_with("source https://127.0.0.1:")) << sourceLine;
        EXPECT_TRUE(socialLine.starts_with("social http://127.0.0.1:")) << socialLine;
        if (sourceLine.size() > 7) origin = sourceLine.substr(7);
        if (socialLine.size() > 7) social = socialLine.substr(7);
    }
};

TEST_F(DemoStudio, ServesTheSourceAndTheDemoPlayers) {
    const std::string certificate = demo + "/tls/certificate.pem";
    const std::string settings = folder / "state/settings.json";
    // Packages paced to take at least a second and a half, however fast the link.
    Studio served(demo, {"--settings", settings, "--rate", "0", "--package-seconds", "1.5"});
    platform::Process& studio = served.process;
    ASSERT_FALSE(served.origin.empty() || served.social.empty());
    const std::string origin = served.origin, social = served.social;
    EXPECT_EQ(Settings::fromJSON(test::readFile(settings)).sourceURL, origin);

    // Files below the source folder, and nothing else.
    const std::string package = release("paper-kings").archive;
    struct Case {
        std::string path;
        std::string status;
        std::string body;
    };
    const Case cases[] = {
        {"/catalog.json", "200", test::readFile(source + "/catalog.json")},
        {"/" + package, "200", test::readFile(source + "/" + package)},
        {"/packages/", "404", ""},
        {"/packages", "404", ""},
        {"/../keys/studio.key", "404", ""},
        {"/packages/%2e%2e/%2e%2e/keys/studio.key", "404", ""},
        {"/.stamps/ember-run", "404", ""},
        {"/catalog.json%00", "404", ""},
    };
    for (const Case& c : cases) {
        const auto started = std::chrono::steady_clock::now();
        auto [status, body] = fetch(origin + c.path, certificate);
        if (c.path == "/" + package) {
            EXPECT_GE(std::chrono::steady_clock::now() - started, 1400ms);
        }
        EXPECT_EQ(status, c.status) << c.path;
        if (c.status == "200") {
            EXPECT_EQ(body, c.body) << c.path;
        }
    }

    // The demo player signs in, and Аня answers a message.
    const std::string jar = folder / "cookies";
    auto call = [&](const std::string& path, const std::string& body = "") {
        std::vector<std::string> arguments{"--silent", "--noproxy", "*", "--cookie", jar, "--cookie-jar", jar};
        if (!body.empty()) arguments.insert(arguments.end(), {"--header", "Content-Type: application/json", "--data", body});
        arguments.push_back(social + "/player/api/" + path);
        return parseJson(test::run("/usr/bin/curl", arguments).out);
    };
    call("session", "{}");
    Json player = call("login", R"({"username": "demo", "password": "novra-demo"})");
    EXPECT_EQ(player.value("registered", false), true) << player;
    EXPECT_EQ(player.value("username", ""), "demo") << player;
    call("social/messages/p-anya", R"({"client_id": "6F9619FF-8B86-D011-B42D-00CF4FC964FF", "body": "Привет! Во что играешь?"})");
    bool answered = false;
    for (auto deadline = std::chrono::steady_clock::now() + 10s; !answered && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(250ms);
        answered = call("social/messages/p-anya").at("messages").at(0).at("sender_id") == "p-anya";
    }
    EXPECT_TRUE(answered) << "Аня did not answer";

    studio.terminate();
    EXPECT_TRUE(studio.waitFor(10));
    EXPECT_EQ(studio.exitStatus(), 0);
}

TEST_F(DemoStudio, TheDemoGameOpensTheBundleItLiesIn) {
    Release ember = release("ember-run");
    std::string unpacked = folder / "game";
    fs::create_directories(unpacked);
    OperationControl control;
    LauncherCore::unpack(source + "/" + ember.archive, unpacked, ember.expandedBytes, control);

    test::ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");
    test::ScopedEnv backend("QT_QUICK_BACKEND", "software");
    // Any warning (a QML error included) ends the program.
    test::ScopedEnv fatal("QT_FATAL_WARNINGS", "1");
    platform::Process game(unpacked + "/" + ember.app + "/Contents/MacOS/EmberRun", {});
    game.standardError = platform::Redirect::capture();
    game.launch();
    EXPECT_FALSE(game.waitFor(2)) << "the game ended: " << game.captured(2);
    game.terminate();
    game.wait();

    // Outside a bundle it says what is missing.
    test::expectRefusal(test::run(std::string(NOVRA_BINARY_DIR) + "/tools/novra-demo-game", {}),
                        "novra-demo-game: программа должна лежать в папке Contents/MacOS приложения\n");
}
