#include <gtest/gtest.h>

#include <filesystem>

#include "platform/PropertyList.h"
#include "selfupdate/SelfUpdateCore.h"
#include "support/SelfUpdateSupport.h"

using namespace novra;
namespace fs = std::filesystem;

TEST(LauncherBundle, TheBuildAssemblesTheBundleLayout) {
    const std::string bundle = NOVRA_BUNDLE_DIR;
    EXPECT_EQ(fs::path(bundle).filename(), "NOVRA Launcher.app");

    auto info = platform::readPropertyList(bundle + "/Contents/Info.plist");
    EXPECT_EQ(info["CFBundleVersion"], NOVRA_BUILD_NUMBER);
    EXPECT_EQ(info["CFBundleShortVersionString"], NOVRA_VERSION);
    EXPECT_EQ(info["CFBundleIdentifier"], "com.novra.launcher");
    EXPECT_EQ(info["CFBundleExecutable"], "NovraHub");
    EXPECT_EQ(SelfUpdateCore::build(bundle), std::stoll(NOVRA_BUILD_NUMBER));

    // The updater is built straight into the bundle.
    EXPECT_EQ(fs::canonical(test::relayTool()), fs::canonical(bundle + "/Contents/MacOS/UpdateRelay"));
    auto mode = fs::status(test::relayTool()).permissions();
    EXPECT_NE(mode & fs::perms::owner_exec, fs::perms::none);
}
