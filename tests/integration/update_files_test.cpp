// What the launcher that starts after its own update makes of the files the update left: the
// former bundle, the plan, its result and log, and the library's older versions of the package.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/LauncherCore.h"
#include "platform/Files.h"
#include "selfupdate/SelfUpdateCore.h"
#include "selfupdate/UpdateFiles.h"
#include "support/Bundles.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;

namespace {

std::string versionName(char digit) {
    return std::string(64, digit) + "-" + platform::uuidText();
}

// The installed launcher (build 11), its package (build 12) installed in the library as the core
// leaves it (beside an older version of the package), and the plan written for the updater.
class UpdateAftermath : public test::LauncherUpdateTest {
  protected:
    void SetUp() override {
        source = library + "/launcher-self-update/versions/" + current + "/NOVRA Launcher.app";
        LauncherUpdateTest::SetUp();
        test::writeFile(older + "/NOVRA Launcher.app/Contents/Info.plist", "older");
        LauncherCore::atomicJSON(Installed{update.release, 0, current}.encode(),
                                 library + "/launcher-self-update/current.json");
        plan = SelfUpdateCore::prepare(source, installed, update);
        planFile = library + "/" + SelfUpdateCore::planFileName(platform::uuidText());
        LauncherCore::atomicJSON(plan.encode(), planFile, 0600);
        test::writeFile(planFile + ".log", "");
    }

    // What the updater does when it succeeds.
    void applyAsTheUpdater() {
        SelfUpdateCore::apply(plan);
        platform::writeFileAtomically(planFile + ".result",
                                      SelfUpdateCore::resultText("2.1", plan.candidate));
    }

    SelfUpdateCore::Aftermath finish() { return SelfUpdateCore::finishUpdates(library, installed); }

    std::string library = root / "library";
    std::string current = versionName('a');
    std::string older = library + "/launcher-self-update/versions/" + versionName('b');
    std::string planFile;
    LauncherUpdatePlan plan;
};

} // namespace

TEST_F(UpdateAftermath, AfterASuccessfulExchangeOnlyTheUpdatesLeftoversGo) {
    applyAsTheUpdater();
    // Not the update's: an earlier failed attempt's candidate, a link and a staging folder named
    // like the package's versions, the library's other files.
    const std::string stranger =
        root / ("Applications/NOVRA Launcher.previous-" + platform::uuidText() + ".app");
    fs::create_directories(stranger);
    const std::string versions = library + "/launcher-self-update/versions/";
    const std::string linked = versions + versionName('c');
    fs::create_directory_symlink(older, linked);
    fs::create_directories(versions + ".install-" + platform::uuidText());
    test::writeFile(library + "/.launcher-update-notes.json", "{}");

    const SelfUpdateCore::Aftermath aftermath = finish();
    EXPECT_EQ(aftermath.finished, 1);
    EXPECT_EQ(aftermath.failure, std::nullopt);
    EXPECT_FALSE(test::exists(plan.candidate));
    for (const char* suffix : {"", ".result", ".log"})
        EXPECT_FALSE(test::exists(planFile + suffix)) << suffix;
    EXPECT_FALSE(test::exists(older));
    EXPECT_EQ(SelfUpdateCore::build(installed), 12);
    EXPECT_TRUE(test::exists(versions + current + "/NOVRA Launcher.app/Contents/Info.plist"));
    EXPECT_TRUE(fs::is_directory(stranger));
    EXPECT_TRUE(fs::is_symlink(linked));
    EXPECT_TRUE(test::exists(library + "/.launcher-update-notes.json"));
    EXPECT_EQ(std::distance(fs::directory_iterator(versions), fs::directory_iterator()), 3)
        << "current, link, staging";
    // Nothing is left for a second star
    EXPECT_EQ(finish().finished, 0);
}

// Each row leaves an applied update that cannot be proven to be this launcher's: nothing changes.
TEST_F(UpdateAftermath, WhatCannotBeProvenStays) {
    struct Row {
        const char* name;
        std::function<void()> change;
    };
    const Row rows[] = {
        {"no result", [this] { fs::remove(planFile + ".result"); }},
        {"a result for another candidate",
         [this] { test::writeFile(planFile + ".result", "Updated to 2.1\nPrevious: /x.app\n"); }},
        {"the former launcher changed",
         [this] { test::writeFile(plan.candidate + "/Contents/MacOS/NovraHub", "#!/bin/sh\n"); }},
        {"the former launcher is a link",
         [this] {
             fs::rename(plan.candidate, root / "kept.app");
             fs::create_directory_symlink(root / "kept.app", plan.candidate);
         }},
        {"a plan others may write", [this] { test::setMode(planFile, 0620); }},
        {"a plan for another launcher",
         [this] {
             LauncherUpdatePlan other = plan;
             other.target = root / "Other/NOVRA Launcher.app";
             LauncherCore::atomicJSON(other.encode(), planFile, 0600);
         }},
        {"a candidate not beside the launcher",
         [this] {
             LauncherUpdatePlan moved = plan;
             moved.candidate = root / "Applications/../NOVRA Launcher.previous-0.app";
             LauncherCore::atomicJSON(moved.encode(), planFile, 0600);
             test::writeFile(planFile + ".result", SelfUpdateCore::resultText("2.1", moved.candidate));
         }},
    };
    applyAsTheUpdater();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir saved;
        fs::copy(root.path(), saved.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        row.change();
        const auto before = test::snapshot(root.path());
        const SelfUpdateCore::Aftermath aftermath = finish();
        EXPECT_EQ(aftermath.finished, 0);
        EXPECT_EQ(aftermath.failure, std::nullopt);
        EXPECT_TRUE(test::snapshot(root.path()) == before) << "something was removed";
        fs::remove_all(root.path());
        fs::copy(saved.path(), root.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
}

TEST_F(UpdateAftermath, TheUpdatersFailureIsReportedOnceAndEverythingStays) {
    test::writeFile(planFile + ".log", "Launcher update: Лаунчер не завершился; обновление не применено\n");
    // An older failure, reported before.
    const std::string earlier = library + "/" + SelfUpdateCore::planFileName(platform::uuidText());
    LauncherCore::atomicJSON(plan.encode(), earlier, 0600);
    test::writeFile(earlier + ".log", "Launcher update: Обновление уже применено\n");
    test::writeFile(earlier + ".shown", "");
    const auto before = test::snapshot(root.path());

    EXPECT_EQ(finish().failure, "Лаунчер не завершился; обновление не применено");
    auto after = test::snapshot(root.path());
    EXPECT_EQ(after.erase(fs::path(planFile + ".shown").lexically_relative(root.path()).string()), 1u);
    EXPECT_TRUE(after == before) << "something changed besides the mark";
    EXPECT_EQ(finish().failure, std::nullopt);
}
