#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/BundleSeal.h"
#include "support/Bundles.h"
#include "support/TestSupport.h"

using namespace novra;
using platform::SealStatus;
namespace fs = std::filesystem;

namespace {

class BundleSeal : public ::testing::Test {
protected:
    void SetUp() override {
        test::makeBundle(bundle, {.files = {{"Contents/Resources/data.bin", std::string(1500000, 'd')},
                                            {"Contents/Resources/a b", "space"},
                                            {"Contents/Resources/a/x", "nested"},
                                            {"Contents/Resources/\xc3\xa9t\xc3\xa9", "utf-8"},
                                            {"Contents/Resources/Z", "upper"}}});
        fs::create_directories(bundle + "/Contents/Resources/empty");
        platform::sealBundle(bundle, keys.privateKey);
    }

    SealStatus check() { return platform::checkSeal(bundle); }

    test::TempDir dir;
    const test::KeyPair& keys = test::studioKeys();
    test::TrustKey trust{keys.publicKey};
    std::string bundle = dir / "Game.app";
};

} // namespace

TEST_F(BundleSeal, SealedBundlePasses) {
    EXPECT_EQ(check(), SealStatus::valid);
    std::string list = test::readFile(bundle + "/Contents/_CodeSignature/CodeResources");
    EXPECT_EQ(list.rfind("novra-seal 1\n", 0), 0u);
    EXPECT_NE(list.find("d Contents/Resources/empty\n"), std::string::npos);
    EXPECT_NE(list.find("f x "), std::string::npos); // the executable
    EXPECT_EQ(list.find("CodeResources"), std::string::npos);
    EXPECT_EQ(fs::file_size(bundle + "/Contents/_CodeSignature/CodeResources.sig"), 64u);
}

TEST_F(BundleSeal, EveryChangeAfterSealingIsCaught) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
        SealStatus expected;
    };
    const Case cases[] = {
        {"content changed, same size",
         [](const std::string& b) { test::writeFile(b + "/Contents/Resources/a b", "SPACE"); }, SealStatus::changed},
        {"one byte appended",
         [](const std::string& b) { test::writeFile(b + "/Contents/Resources/Z", "upper!"); }, SealStatus::changed},
        {"executable bit cleared", [](const std::string& b) { test::setMode(b + "/Contents/MacOS/Game", 0644); },
         SealStatus::changed},
        {"executable bit set", [](const std::string& b) { test::setMode(b + "/Contents/Resources/Z", 0744); },
         SealStatus::changed},
        {"file added", [](const std::string& b) { test::writeFile(b + "/Contents/Resources/new", ""); },
         SealStatus::unlisted},
        {"file added at the end", [](const std::string& b) { test::writeFile(b + "/zzz", ""); }, SealStatus::unlisted},
        {"empty folder added", [](const std::string& b) { fs::create_directory(b + "/Contents/Plugins"); },
         SealStatus::unlisted},
        {"file added beside the seal",
         [](const std::string& b) { test::writeFile(b + "/Contents/_CodeSignature/extra", "x"); },
         SealStatus::unlisted},
        {"file removed", [](const std::string& b) { fs::remove(b + "/Contents/Resources/a/x"); }, SealStatus::missing},
        {"last file removed", [](const std::string& b) { fs::remove(b + "/Contents/Resources/\xc3\xa9t\xc3\xa9"); },
         SealStatus::missing},
        {"empty folder removed", [](const std::string& b) { fs::remove(b + "/Contents/Resources/empty"); },
         SealStatus::missing},
        {"file replaced by a folder",
         [](const std::string& b) {
             fs::remove(b + "/Contents/Resources/Z");
             fs::create_directory(b + "/Contents/Resources/Z");
         },
         SealStatus::changed},
        {"symbolic link added",
         [](const std::string& b) { ASSERT_EQ(::symlink("/etc/passwd", (b + "/Contents/Resources/link").c_str()), 0); },
         SealStatus::special},
        {"file replaced by a link to an equal file",
         [](const std::string& b) {
             fs::copy_file(b + "/Contents/Resources/Z", b + "/../Z-copy");
             fs::remove(b + "/Contents/Resources/Z");
             ASSERT_EQ(::symlink((b + "/../Z-copy").c_str(), (b + "/Contents/Resources/Z").c_str()), 0);
         },
         SealStatus::special},
        {"pipe added", [](const std::string& b) { ASSERT_EQ(::mkfifo((b + "/Contents/pipe").c_str(), 0644), 0); },
         SealStatus::special},
        {"list edited",
         [](const std::string& b) {
             std::string path = b + "/Contents/_CodeSignature/CodeResources";
             test::writeFile(path, test::readFile(path) + "d Contents/Plugins\n");
         },
         SealStatus::badSignature},
        {"signature cut short",
         [](const std::string& b) {
             std::string path = b + "/Contents/_CodeSignature/CodeResources.sig";
             test::writeFile(path, test::readFile(path).substr(0, 63));
         },
         SealStatus::badSignature},
        {"signature removed", [](const std::string& b) { fs::remove(b + "/Contents/_CodeSignature/CodeResources.sig"); },
         SealStatus::unsealed},
        {"list removed", [](const std::string& b) { fs::remove(b + "/Contents/_CodeSignature/CodeResources"); },
         SealStatus::unsealed},
        // Unchanged as the list sees it, but open to others or lending rights.
        {"file writable by the group",
         [](const std::string& b) { test::setMode(b + "/Contents/Resources/Z", 0664); }, SealStatus::unsafe},
        {"folder writable by everyone",
         [](const std::string& b) { test::setMode(b + "/Contents/MacOS", 0757); }, SealStatus::unsafe},
        {"bundle folder writable by the group", [](const std::string& b) { test::setMode(b, 0775); },
         SealStatus::unsafe},
        {"list writable by everyone",
         [](const std::string& b) { test::setMode(b + "/Contents/_CodeSignature/CodeResources", 0646); },
         SealStatus::unsafe},
        {"setuid executable", [](const std::string& b) { test::setMode(b + "/Contents/MacOS/Game", 04755); },
         SealStatus::unsafe},
        {"setgid executable", [](const std::string& b) { test::setMode(b + "/Contents/MacOS/Game", 02755); },
         SealStatus::unsafe},
        {"file hard-linked from outside",
         [](const std::string& b) {
             ASSERT_EQ(::link((b + "/Contents/Resources/Z").c_str(), (b + "/../Z").c_str()), 0);
         },
         SealStatus::unsafe},
        {"setgid folder passes",
         [](const std::string& b) { test::setMode(b + "/Contents/Resources", 02755); }, SealStatus::valid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir copyDir;
        std::string copy = copyDir / "Game.app";
        fs::copy(bundle, copy, fs::copy_options::recursive);
        ASSERT_EQ(platform::checkSeal(copy), SealStatus::valid);
        c.change(copy);
        EXPECT_EQ(platform::checkSeal(copy), c.expected) << platform::sealStatusName(platform::checkSeal(copy));
    }
}

TEST_F(BundleSeal, OnlyTrustedKeysCount) {
    const test::KeyPair& other = test::studioKeys(1);
    platform::trustSealKeys(test::readFile(other.publicKey));
    EXPECT_EQ(check(), SealStatus::badSignature);
    // Several keys: one of them suffices.
    platform::trustSealKeys(test::readFile(other.publicKey) + test::readFile(keys.publicKey));
    EXPECT_EQ(platform::trustedSealKeyCount(), 2u);
    EXPECT_EQ(check(), SealStatus::valid);
    // Sealed by another key: refused by the studio's key.
    platform::sealBundle(bundle, other.privateKey);
    platform::trustSealKeysFromFile(keys.publicKey);
    EXPECT_EQ(check(), SealStatus::badSignature);
    // Fail closed: with no key nothing passes, not even a sound seal.
    platform::clearTrustedSealKeys();
    EXPECT_EQ(check(), SealStatus::noTrustedKey);
    EXPECT_EQ(platform::checkSeal(dir / "missing.app"), SealStatus::noTrustedKey);
}

TEST_F(BundleSeal, KeyTextIsChecked) {
    EXPECT_THROW(platform::trustSealKeys(""), platform::SealError);
    EXPECT_THROW(platform::trustSealKeys("-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n"),
                 platform::SealError);
    // A private key is not a public key, and a failed call leaves the trusted keys as they were.
    EXPECT_THROW(platform::trustSealKeys(test::readFile(keys.privateKey)), platform::SealError);
    EXPECT_EQ(platform::trustedSealKeyCount(), 1u);
    EXPECT_THROW(platform::sealBundle(bundle, keys.publicKey), platform::SealError);
    EXPECT_EQ(platform::sealPublicKey(keys.privateKey), test::readFile(keys.publicKey));
}

TEST_F(BundleSeal, ResealingAfterAChangePasses) {
    test::writeFile(bundle + "/Contents/Resources/new", "new");
    EXPECT_EQ(check(), SealStatus::unlisted);
    platform::sealBundle(bundle, keys.privateKey);
    EXPECT_EQ(check(), SealStatus::valid);
}

TEST_F(BundleSeal, BundlesWithLinksOrControlCharactersAreNotSealed) {
    ASSERT_EQ(::symlink("Game", (bundle + "/Contents/MacOS/alias").c_str()), 0);
    EXPECT_THROW(platform::sealBundle(bundle, keys.privateKey), platform::SealError);
    fs::remove(bundle + "/Contents/MacOS/alias");
    test::writeFile(bundle + "/Contents/Resources/line\nbreak", "x");
    EXPECT_THROW(platform::sealBundle(bundle, keys.privateKey), platform::SealError);
}
