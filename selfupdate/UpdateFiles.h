#pragma once
// The files one launcher update leaves in the library folder, and what the next start makes of
// them. The launcher writes the plan ".launcher-update-UUID.json" (readable and writable by its
// owner only) and creates the updater's log beside it (plan + ".log"); the updater writes plan +
// ".result" after a successful swap. The launcher that starts afterwards either finds its own
// build in the plan and a result that says so, and removes what the update left behind, or finds
// the updater's failure in the log and reports it once (plan + ".shown" records that it did).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "selfupdate/LauncherUpdate.h"

namespace novra::SelfUpdateCore {

// The library entry the launcher's own package is installed under.
inline constexpr std::string_view kLibraryID = "launcher-self-update";
// Largest plan file read, in bytes; a plan is a few kilobytes.
inline constexpr long long kPlanLimit = 1'000'000;
// The start of the names of an update's files: the downloaded package and the plan.
inline constexpr std::string_view kUpdateFilePrefix = ".launcher-update-";

// kUpdateFilePrefix + `uuid` + ".json".
std::string planFileName(const std::string& uuid);

// What the updater writes to plan + ".result" once the bundles are exchanged.
std::string resultText(const std::string& version, const std::string& previous);

// The plan at `path`, read only when it is a regular file of this user that nobody else may
// change, at most kPlanLimit bytes: the plan names what gets installed and started. Throws
// LauncherError ("План обновления должен быть обычным файлом", "План обновления принадлежит
// другому пользователю или открыт для записи другим", "План обновления слишком большой"),
// std::system_error or DecodingError.
LauncherUpdatePlan readPlan(const std::string& path);

struct Aftermath {
    // Updates to this launcher whose leftovers were removed.
    int finished = 0;
    // The updater's own words about the newest update that failed and was not reported before.
    std::optional<std::string> failure;
};

// Looks at every plan in the library folder whose target is `bundle`, the running launcher.
// - Applied: the running build is the plan's and the result file says exactly what the updater
//   writes. The former launcher at the plan's candidate path is removed, when it provably is the
//   former launcher (a real folder named like a candidate beside `bundle`, the launcher's
//   identifier, and the executable measured when the plan was made), then the plan, its result,
//   its log, and the library's versions of the launcher package other than the current one (when
//   that is the plan's release). A former launcher that cannot be proven keeps everything.
// - Failed: the running build is older than the plan's, there is no result, and the log holds
//   the updater's failure line. Nothing is removed; the failure is reported once.
// Nothing is followed through a symbolic link below the library or beside the bundle, and nothing
// else is touched. Blocks; never throws.
Aftermath finishUpdates(const std::string& library, const std::string& bundle);

} // namespace novra::SelfUpdateCore
