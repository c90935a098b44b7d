#include <gtest/gtest.h>

#include <filesystem>

#include "core/LauncherCore.h"
#include "selfupdate/SelfUpdateCore.h"
#include "support/Bundles.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;

namespace {

class PublishLauncherUpdate : public ::testing::Test {
  protected:
    void SetUp() override {
        sourceRoot = folder / "site";
        fs::create_directories(sourceRoot);
        bundle = folder / "build/NOVRA Launcher.app";
        test::makeLauncher(bundle,
                           test::launcherSpec("12", "2.1",
                                              [](auto& s) {
                                                  s.files = {{"Contents/Resources/a.txt", "a"}};
                                              }),
                           "");
    }

    test::RunResult publish(const std::string& build, const std::string& version) {
        return test::run(test::publishTool(), {"launcher-update", sourceRoot, bundle, "--build", build,
                                               "--version", version, "--key", keys.privateKey});
    }

    test::TempDir folder;
    const test::KeyPair& keys = test::studioKeys();
    std::string sourceRoot, bundle;
};

} // namespace

TEST_F(PublishLauncherUpdate, PublishesAPackageTheLauncherAccepts) {
    auto before = test::snapshot(bundle);
    auto result = publish("12", "2.1");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(test::listTree(sourceRoot),
              (std::vector<std::string>{"launcher-update.json", "packages", "packages/2.1.tar.gz"}));
    // The studio's build output is not changed: a sealed copy is what gets packaged.
    EXPECT_EQ(test::snapshot(bundle), before);

    LauncherUpdate update = LauncherUpdate::fromJSON(test::readFile(sourceRoot + "/launcher-update.json"));
    EXPECT_NO_THROW(update.validate());
    EXPECT_EQ(update.build, 12);
    EXPECT_EQ(update.release.version, "2.1");
    EXPECT_EQ(update.release.archive, "packages/2.1.tar.gz");
    const std::string package = sourceRoot + "/packages/2.1.tar.gz";
    EXPECT_EQ(update.release.sha256, LauncherCore::hash(package));
    EXPECT_EQ(update.release.bytes, static_cast<int64_t>(fs::file_size(package)));

    // Unpacked as the launcher does, the bundle passes its checks with the studio's key.
    test::TrustKey trust(keys.publicKey);
    std::string unpacked = folder / "unpacked";
    fs::create_directories(unpacked);
    OperationControl control;
    LauncherCore::unpack(package, unpacked, update.release.expandedBytes, control);
    EXPECT_NO_THROW(SelfUpdateCore::validate(unpacked + "/NOVRA Launcher.app", update));
    EXPECT_EQ(test::readFile(unpacked + "/NOVRA Launcher.app/Contents/Resources/a.txt"), "a");
    EXPECT_EQ(SelfUpdateCore::build(unpacked + "/NOVRA Launcher.app"), 12);
}

TEST_F(PublishLauncherUpdate, RefusesWhatTheLauncherWouldRefuseAndWritesNothing) {
    // An earlier release stays as it was.
    ASSERT_EQ(publish("12", "2.1").status, 0);
    auto published = test::snapshot(sourceRoot);

    struct Case {
        std::string build, version;
        std::string err;
    } cases[] = {
        // The launcher's own check of the package (SelfUpdate has them all), then the tool's arguments.
        {"13", "2.1", "Версия внутри пакета не совпадает с обновлением\n"},
        {"12x", "2.1", "Неверный номер сборки: 12x\n"},
        {"12", "../2.1", "Неверная версия: ../2.1\n"},
        {"12", "", "Неверная версия: \n"},
    };
    for (const auto& c : cases) {
        test::expectRefusal(publish(c.build, c.version), c.err);
        EXPECT_EQ(test::snapshot(sourceRoot), published) << c.err;
    }

    // Arguments that do not fit the command.
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{"launcher-update", sourceRoot, bundle, "--build", "12", "--version",
                                      "2.1"},
             std::vector<std::string>{"launcher-update", sourceRoot, "--build", "12", "--version", "2.1",
                                      "--key", keys.privateKey},
             std::vector<std::string>{"launcher-update", sourceRoot, bundle, "--build", "12", "--build", "12",
                                      "--version", "2.1", "--key", keys.privateKey},
         }) {
        EXPECT_EQ(test::run(test::publishTool(), args).status, 2);
    }
    EXPECT_EQ(test::snapshot(sourceRoot), published);
}
