#pragma once
// The launcher's own update documents: the manifest the studio publishes as "launcher-update.json"
// and the plan that the launcher hands to the updater once a new bundle has been prepared.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Catalog.h"
#include "core/Json.h"

namespace novra {

struct LauncherUpdate {
    int64_t schema = 1;
    // Build number of the published launcher, compared with the bundle's "CFBundleVersion".
    int64_t build = 0;
    // The launcher package; its version is the marketing version shown to the user.
    Release release;

    // Throws LauncherError: the release's own message, or "Неверное обновление лаунчера" when the
    // schema, the build, the bundle identifier or the bundle name is not the launcher's.
    void validate() const;
    // True exactly when `currentBuild` is older than this manifest's build. Build numbers are the
    // only ordering of launcher versions.
    bool isNewer(int64_t currentBuild) const { return currentBuild < build; }

    static LauncherUpdate decode(const JsonObject& object);
    static LauncherUpdate fromJSON(std::string_view text);
    Json encode() const;
    bool operator==(const LauncherUpdate&) const = default;
};

struct LauncherUpdatePlan {
    // Installed launcher bundle, absolute, symbolic links resolved.
    std::string target;
    // Prepared copy of the new bundle beside `target`.
    std::string candidate;
    LauncherUpdate update;
    // SHA-256 of the installed "Contents/MacOS/NovraHub" when the plan was made.
    std::string originalHash;

    static LauncherUpdatePlan decode(const JsonObject& object);
    static LauncherUpdatePlan fromJSON(std::string_view text);
    Json encode() const;
    bool operator==(const LauncherUpdatePlan&) const = default;
};

} // namespace novra
