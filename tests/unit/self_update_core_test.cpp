#include <gtest/gtest.h>

#include <sys/mount.h>

#include <filesystem>
#include <regex>

#include "core/LauncherCore.h"
#include "platform/Exchange.h"
#include "platform/PropertyList.h"
#include "selfupdate/SelfUpdateCore.h"
#include "support/Bundles.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

using namespace novra;
namespace fs = std::filesystem;

namespace {

using novra::test::messageOf;

class SelfUpdate : public test::LauncherUpdateTest {
  protected:
    // The names in the installed launcher's folder other than the launcher itself.
    std::vector<std::string> candidates() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(applications))
            if (entry.path().filename() != "NOVRA Launcher.app")
                names.push_back(entry.path().filename().string());
        return names;
    }
};

} // namespace

TEST(SelfUpdateBuild, ReadsTheBuildNumberOfABundle) {
    using platform::PropertyListFormat;
    auto entry = [](const char* key, const char* value, PropertyListFormat format = PropertyListFormat::xml) {
        return platform::encodePropertyList({{key, value}}, format);
    };
    auto plist = [](const std::string& body) {
        return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + body + "</plist>";
    };
    // The value is read as a decimal number (DecimalNumbers has the rules); what is none reads 0.
    const std::pair<std::string, int64_t> cases[] = {
        {entry("CFBundleVersion", "+12"), 12},
        {entry("CFBundleVersion", "12a"), 0},
        {entry("CFBundleVersion", ""), 0},
        {entry("CFBundleName", "x"), 0},
        {entry("CFBundleVersion", "40", PropertyListFormat::binary), 40},
        {plist("<dict><key>CFBundleVersion</key><integer>12</integer></dict>"), 0},
        {plist("<array><string>12</string></array>"), 0},
        {"not a property list", 0},
    };
    test::TempDir folder;
    for (const auto& [info, expected] : cases) {
        test::writeFile(folder / "B.app/Contents/Info.plist", info);
        EXPECT_EQ(SelfUpdateCore::build(folder / "B.app"), expected) << info;
    }
    EXPECT_EQ(SelfUpdateCore::build(folder / "Absent.app"), 0);
}

TEST_F(SelfUpdate, ValidateChecksManifestSealVersionAndExecutable) {
    EXPECT_EQ(messageOf([&] { SelfUpdateCore::validate(source, update); }), "");

    struct Case {
        const char* what;
        test::LauncherSpec spec;
        bool sealed;
        std::string message;
    } cases[] = {
        {"unsealed", test::launcherSpec("12", "2.1"), false, "Проверка подписи приложения не пройдена"},
        {"foreign identifier",
         test::launcherSpec("12", "2.1", [](auto& s) { s.bundleID = "com.novra.game"; }), true,
         "Идентификатор приложения не совпадает с релизом"},
        {"older build inside", test::launcherSpec("11", "2.1"), true,
         "Версия внутри пакета не совпадает с обновлением"},
        {"newer build inside", test::launcherSpec("13", "2.1"), true,
         "Версия внутри пакета не совпадает с обновлением"},
        {"no build inside", test::launcherSpec("", "2.1"), true,
         "Версия внутри пакета не совпадает с обновлением"},
        {"other version inside", test::launcherSpec("12", "2.1.0"), true,
         "Версия внутри пакета не совпадает с обновлением"},
        {"other executable", test::launcherSpec("12", "2.1", [](auto& s) { s.executable = "Hub"; }), true,
         "Неверное приложение в обновлении"},
    };
    for (const auto& c : cases) {
        std::string bundle = root / (std::string(c.what) + "/NOVRA Launcher.app");
        test::makeLauncher(bundle, c.spec, c.sealed ? test::studioKeys().privateKey : "");
        EXPECT_EQ(messageOf([&] { SelfUpdateCore::validate(bundle, update); }), c.message) << c.what;
    }

    // The manifest is checked before the bundle is looked at.
    LauncherUpdate schema2 = update;
    schema2.schema = 2;
    EXPECT_EQ(messageOf([&] { SelfUpdateCore::validate(root / "absent", schema2); }),
              "Неверное обновление лаунчера");
}

TEST_F(SelfUpdate, PrepareCopiesTheNewBundleBesideTheInstalledOne) {
    auto before = test::snapshot(installed);
    LauncherUpdatePlan plan = SelfUpdateCore::prepare(source, installed, update);

    EXPECT_EQ(plan.target, installed);
    EXPECT_EQ(plan.update, update);
    EXPECT_EQ(plan.originalHash, LauncherCore::hash(installed + "/Contents/MacOS/NovraHub"));
    EXPECT_TRUE(std::regex_match(fs::path(plan.candidate).filename().string(),
                                 std::regex("NOVRA Launcher\\.previous-[0-9A-F-]{36}\\.app")))
        << plan.candidate;
    EXPECT_EQ(fs::path(plan.candidate).parent_path(), applications);
    // A faithful copy, modes included; the installed launcher is untouched.
    EXPECT_EQ(test::snapshot(plan.candidate), test::snapshot(source));
    EXPECT_EQ(test::snapshot(installed), before);

    // Each preparation gets its own candidate.
    LauncherUpdatePlan second = SelfUpdateCore::prepare(source, installed, update);
    EXPECT_NE(second.candidate, plan.candidate);
    EXPECT_EQ(candidates().size(), 2u);
}

TEST_F(SelfUpdate, PrepareResolvesSymbolicLinksOfTheTarget) {
    fs::create_directories(root / "links");
    fs::create_directory_symlink(installed, root / "links/NOVRA Launcher.app");
    fs::create_directory_symlink(applications, root / "apps");

    for (const std::string& target : {root / "links/NOVRA Launcher.app", root / "apps/NOVRA Launcher.app"}) {
        LauncherUpdatePlan plan = SelfUpdateCore::prepare(source, target, update);
        EXPECT_EQ(plan.target, fs::canonical(installed).string()) << target;
        EXPECT_EQ(fs::path(plan.candidate).parent_path(), fs::canonical(applications)) << target;
        EXPECT_TRUE(fs::is_directory(plan.candidate));
    }
    // Nothing was created beside the links.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root / "links")) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"NOVRA Launcher.app"});
}

TEST_F(SelfUpdate, PrepareFailuresLeaveNoCandidate) {
    auto expectRefused = [&](const std::string& target, const std::string& message) {
        EXPECT_EQ(messageOf([&] { SelfUpdateCore::prepare(source, target, update); }), message) << target;
        EXPECT_TRUE(candidates().empty()) << target;
    };
    // The installed launcher already has the offered build, or a newer one.
    test::makeLauncher(root / "same/NOVRA Launcher.app", test::launcherSpec("12", "2.1"), "");
    expectRefused(root / "same/NOVRA Launcher.app", "Эта версия лаунчера уже установлена");
    EXPECT_EQ(test::listTree(root / "same").size(),
              test::listTree(root / "same/NOVRA Launcher.app").size() + 1);
    test::makeLauncher(installed, test::launcherSpec("13"), "");
    expectRefused(installed, "Эта версия лаунчера уже установлена");

    // The target is not the launcher.
    test::makeLauncher(installed,
                       test::launcherSpec("11", "2.0", [](auto& s) { s.bundleID = "com.novra.other"; }), "");
    expectRefused(installed, "Неверный путь установленного лаунчера");
    fs::remove(installed + "/Contents/Info.plist");
    expectRefused(installed, "Неверный путь установленного лаунчера");
    fs::remove_all(installed);
    expectRefused(installed, "Неверный путь установленного лаунчера");

    // A translocated launcher is never updated in place.
    std::string translocated = root / "private/var/folders/AppTranslocation/X/d/NOVRA Launcher.app";
    test::makeLauncher(translocated, test::launcherSpec("11"), "");
    EXPECT_EQ(messageOf([&] { SelfUpdateCore::prepare(source, translocated, update); }),
              "Перенесите лаунчер в доступную для записи папку Программы");
    EXPECT_EQ(test::listTree(fs::path(translocated).parent_path()).size(),
              test::listTree(translocated).size() + 1);

    // A source that is not the update fails before anything is copied.
    test::makeLauncher(installed, test::launcherSpec("11"), "");
    test::makeLauncher(source, test::launcherSpec("12", "2.2"), test::studioKeys().privateKey);
    expectRefused(installed, "Версия внутри пакета не совпадает с обновлением");
}

TEST_F(SelfUpdate, PrepareRefusesAFolderThatCannotBeWritten) {
    if (!test::canMount()) GTEST_SKIP() << "needs root to mount a read-only tmpfs";
    test::TmpfsMount tmpfs(root / "readonly");
    std::string target = tmpfs.path() + "/NOVRA Launcher.app";
    test::makeLauncher(target, test::launcherSpec("11"), "");
    ASSERT_EQ(::mount(nullptr, tmpfs.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    EXPECT_EQ(messageOf([&] { SelfUpdateCore::prepare(source, target, update); }),
              "Перенесите лаунчер в доступную для записи папку Программы");
}

TEST_F(SelfUpdate, ACopyThatFailsLeavesNoCandidate) {
    if (!test::canMount()) GTEST_SKIP() << "needs root to mount a small tmpfs";
    test::TmpfsMount tmpfs(root / "small", "1m");
    std::string target = tmpfs.path() + "/NOVRA Launcher.app";
    test::makeLauncher(target, test::launcherSpec("11"), "");
    // The new bundle does not fit on the installed launcher's disk.
    test::makeLauncher(
        source,
        test::launcherSpec("12", "2.1",
                           [](auto& s) {
                               s.files = {{"Contents/Resources/big", std::string(2 << 20, 'x')}};
                           }),
        test::studioKeys().privateKey);
    EXPECT_THROW(SelfUpdateCore::prepare(source, target, update), std::system_error);
    EXPECT_EQ(test::listTree(tmpfs.path()).size(), test::listTree(target).size() + 1)
        << "a candidate was left";
}

TEST_F(SelfUpdate, ApplySwapsTheBundlesOnceAndKeepsTheOldOne) {
    LauncherUpdatePlan plan = SelfUpdateCore::prepare(source, installed, update);
    auto oldTree = test::snapshot(installed);
    auto newTree = test::snapshot(plan.candidate);

    platform::Directory updated = SelfUpdateCore::apply(plan);
    EXPECT_EQ(SelfUpdateCore::build(plan.target), 12);
    EXPECT_EQ(test::snapshot(plan.target), newTree);
    EXPECT_EQ(test::snapshot(plan.candidate), oldTree);

    // A second apply of the same plan finds the new build installed and changes nothing.
    EXPECT_EQ(messageOf([&] { SelfUpdateCore::apply(plan); }), "Обновление уже применено");
    EXPECT_EQ(test::snapshot(plan.target), newTree);
    EXPECT_EQ(test::snapshot(plan.candidate), oldTree);

    // What apply returns is the bundle it checked, whatever the paths name by now.
    platform::exchangeEntries(plan.target, plan.candidate);
    EXPECT_EQ(SelfUpdateCore::build(plan.target), 11);
    EXPECT_EQ(SelfUpdateCore::build(updated.path()), 12);
}

TEST_F(SelfUpdate, ApplyRefusesAChangedLauncher) {
    LauncherUpdatePlan plan = SelfUpdateCore::prepare(source, installed, update);
    // One byte of the installed executable differs from what was measured.
    std::string program = test::readFile(installed + "/Contents/MacOS/NovraHub");
    program.back() ^= 1;
    test::writeFile(installed + "/Contents/MacOS/NovraHub", program);
    auto oldTree = test::snapshot(installed);
    auto newTree = test::snapshot(plan.candidate);

    EXPECT_EQ(messageOf([&] { SelfUpdateCore::apply(plan); }),
              "Лаунчер изменился во время подготовки; повторите проверку");
    EXPECT_EQ(test::snapshot(installed), oldTree);
    EXPECT_EQ(test::snapshot(plan.candidate), newTree);
}

TEST_F(SelfUpdate, ApplyRefusesAnythingButTwoRealBundlesSideBySide) {
    LauncherUpdatePlan plan = SelfUpdateCore::prepare(source, installed, update);
    auto oldTree = test::snapshot(installed);
    const std::string name = fs::path(plan.candidate).filename().string();
    const std::string elsewhere = root / ("elsewhere/" + name);
    fs::create_directories(root / "elsewhere");
    fs::copy(plan.candidate, elsewhere, fs::copy_options::recursive);

    // A link beside the launcher to the sound update elsewhere, a folder link that climbs back to
    // the launcher's folder, and a link beside the launcher to the launcher itself.
    const std::string linked = applications + "/NOVRA Launcher.previous-LINK.app";
    fs::create_directory_symlink(elsewhere, linked);
    fs::create_directories(root / "up/down");
    fs::create_directory_symlink(root / "up/down", applications + "/l");
    fs::create_directory_symlink(installed, applications + "/Link.app");

    const std::string sibling = "Обновление должно находиться рядом с приложением";
    struct Case {
        std::string target, candidate, message;
    } cases[] = {
        {plan.target, elsewhere, sibling},                              // a valid bundle in another folder
        {plan.target, root / ("absent/" + name), sibling},              // before any look at the bundle
        {plan.target, plan.target, sibling},                            // the target itself
        {plan.target, applications + "/./NOVRA Launcher.app", sibling}, // the target, spelled differently
        {plan.target, "NOVRA Launcher.previous-X.app", sibling},        // relative
        {plan.target, applications + "/" + name + "/..", sibling},      // the folder, not an entry in it
        {plan.target, applications + "/NOVRA Launcher.previous-Y.app", sibling}, // nothing there
        {plan.target, linked, sibling},
        {"NOVRA Launcher.app", name, sibling},
        {applications + "/l/../../Applications/NOVRA Launcher.app", plan.candidate, sibling},
        {applications + "/Link.app", plan.candidate, "Неверный путь установленного лаунчера"},
    };
    for (const auto& c : cases) {
        LauncherUpdatePlan forged = plan;
        forged.target = c.target;
        forged.candidate = c.candidate;
        EXPECT_EQ(messageOf([&] { SelfUpdateCore::apply(forged); }), c.message)
            << c.target << " " << c.candidate;
    }
    EXPECT_EQ(test::snapshot(installed), oldTree);
    EXPECT_TRUE(fs::is_symlink(linked));
}

TEST_F(SelfUpdate, ApplyRechecksTheCandidate) {
    LauncherUpdatePlan plan = SelfUpdateCore::prepare(source, installed, update);
    auto oldTree = test::snapshot(installed);
    // Something was added to the prepared copy after its seal was checked.
    test::writeFile(plan.candidate + "/Contents/MacOS/extra", "x");
    EXPECT_EQ(messageOf([&] { SelfUpdateCore::apply(plan); }), "Проверка подписи приложения не пройдена");
    EXPECT_EQ(test::snapshot(installed), oldTree);
    EXPECT_TRUE(test::exists(plan.candidate + "/Contents/MacOS/extra"));
}

TEST_F(SelfUpdate, AnExchangeTheSystemRefusesChangesNothing) {
    if (!test::canMount()) GTEST_SKIP() << "needs root to mount a tmpfs";
    // The installed launcher is a file system of its own: the system cannot move it.
    std::string target = root / "Mounted/NOVRA Launcher.app";
    test::TmpfsMount tmpfs(target);
    test::makeLauncher(
        target, test::launcherSpec("11", "2.0", [](auto& s) { s.program = "#!/bin/sh\necho old\n"; }), "");
    LauncherUpdatePlan plan = SelfUpdateCore::prepare(source, target, update);
    auto oldTree = test::snapshot(target);
    auto newTree = test::snapshot(plan.candidate);

    EXPECT_EQ(messageOf([&] { SelfUpdateCore::apply(plan); }),
              "Не удалось заменить лаунчер: Device or resource busy");
    EXPECT_EQ(test::snapshot(target), oldTree);
    EXPECT_EQ(test::snapshot(plan.candidate), newTree);
}
