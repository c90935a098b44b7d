#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/LauncherCore.h"
#include "selfupdate/LauncherUpdate.h"
#include "support/SelfUpdateSupport.h"
#include "support/TestSupport.h"

using namespace novra;

namespace {

Json manifestJson() { return test::launcherUpdate(12, "2.1").encode(); }

LauncherUpdate manifestWith(const std::function<void(Json&)>& change) {
    Json j = manifestJson();
    change(j);
    return LauncherUpdate::fromJSON(j.dump());
}

std::string validationMessage(const LauncherUpdate& update) {
    return test::messageOf([&] { update.validate(); });
}

} // namespace

TEST(LauncherUpdateManifest, ValidationRules) {
    struct Case {
        const char* what;
        std::function<void(Json&)> change;
        std::string message;
    } cases[] = {
        {"valid", [](Json&) {}, ""},
        {"schema 2", [](Json& j) { j["schema"] = 2; }, "Неверное обновление лаунчера"},
        {"schema 0", [](Json& j) { j["schema"] = 0; }, "Неверное обновление лаунчера"},
        {"build 0", [](Json& j) { j["build"] = 0; }, "Неверное обновление лаунчера"},
        {"negative build", [](Json& j) { j["build"] = -4; }, "Неверное обновление лаунчера"},
        {"build 1", [](Json& j) { j["build"] = 1; }, ""},
        {"bundle id case", [](Json& j) { j["release"]["bundleID"] = "com.novra.Launcher"; },
         "Неверное обновление лаунчера"},
        {"game bundle id", [](Json& j) { j["release"]["bundleID"] = "com.novra.game"; },
         "Неверное обновление лаунчера"},
        {"app name", [](Json& j) { j["release"]["app"] = "NOVRA Launcher 2.app"; }, "Неверное обновление лаунчера"},
        {"app in folder", [](Json& j) { j["release"]["app"] = "Build/NOVRA Launcher.app"; },
         "Неверное обновление лаунчера"},
        // The release's own rules come first, with their own messages.
        {"release archive", [](Json& j) { j["release"]["archive"] = "packages/2.0.tar.gz"; }, "Неверный путь пакета"},
        {"release digest and schema",
         [](Json& j) {
             j["schema"] = 2;
             j["release"]["sha256"] = std::string(64, 'C');
         },
         "Неверный SHA-256 релиза"},
        {"release saves", [](Json& j) { j["release"]["saves"] = "inside"; },
         "Несовместимый пакет или сохранения внутри сборки"},
    };
    for (const auto& c : cases) EXPECT_EQ(validationMessage(manifestWith(c.change)), c.message) << c.what;
}

TEST(LauncherUpdateManifest, DecodingIsStrict) {
    const std::function<void(Json&)> broken[] = {
        [](Json& j) { j.erase("build"); },
        [](Json& j) { j["build"] = "12"; },
        [](Json& j) { j["release"] = nullptr; },
        [](Json& j) { j["release"].erase("notes"); },
    };
    for (const auto& change : broken) {
        Json j = manifestJson();
        change(j);
        EXPECT_THROW(LauncherUpdate::fromJSON(j.dump()), DecodingError) << j.dump();
    }

    Json extra = manifestJson();
    extra["channel"] = "beta";
    EXPECT_EQ(LauncherUpdate::fromJSON(extra.dump()), LauncherUpdate::fromJSON(manifestJson().dump()));
}

TEST(LauncherUpdateManifest, IsNewerComparesBuildNumbersOnly) {
    LauncherUpdate update = manifestWith([](Json& j) { j["release"]["version"] = "0.1"; });
    EXPECT_TRUE(update.isNewer(11));
    EXPECT_FALSE(update.isNewer(12));
}

TEST(LauncherUpdatePlanDocument, RoundTripsThroughTheAtomicWriter) {
    LauncherUpdatePlan plan;
    plan.target = "/opt/Программы/NOVRA Launcher.app";
    plan.candidate = "/opt/Программы/NOVRA Launcher.previous-0C1B7F9A-3D2E-4F10-9A8B-7C6D5E4F3A2B.app";
    plan.update = manifestWith([](Json& j) { j["release"]["notes"] = "Строка \"в кавычках\"\nи вторая"; });
    plan.originalHash = std::string(64, 'e');

    test::TempDir folder;
    std::string file = folder / ".launcher-update-X.json";
    LauncherCore::atomicJSON(plan.encode(), file);
    LauncherUpdatePlan read = LauncherUpdatePlan::fromJSON(test::readFile(file));

    EXPECT_EQ(read, plan);
    EXPECT_EQ(read.update.release, plan.update.release);
    // The embedded manifest keeps exactly its three keys.
    EXPECT_EQ(plan.encode()["update"].size(), 3u);
}

TEST(LauncherUpdatePlanDocument, EveryKeyIsRequired) {
    LauncherUpdatePlan plan;
    plan.target = "/a/NOVRA Launcher.app";
    plan.candidate = "/a/NOVRA Launcher.previous-X.app";
    plan.update = manifestWith([](Json&) {});
    plan.originalHash = std::string(64, '0');
    for (const char* key : {"target", "candidate", "update", "originalHash"}) {
        Json j = plan.encode();
        j.erase(key);
        EXPECT_THROW(LauncherUpdatePlan::fromJSON(j.dump()), DecodingError) << key;
    }
    Json wrongType = plan.encode();
    wrongType["originalHash"] = 5;
    EXPECT_THROW(LauncherUpdatePlan::fromJSON(wrongType.dump()), DecodingError);
}
