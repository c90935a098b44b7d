#pragma once
// Preparation and atomic swap of the launcher's own bundle. The launcher reads build numbers,
// validates a downloaded bundle and prepares a copy of it beside the installed one; the updater
// applies the resulting plan once the launcher has quit. Stateless; every operation blocks.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Directory.h"
#include "selfupdate/LauncherUpdate.h"

namespace novra::SelfUpdateCore {

inline constexpr std::string_view kBundleID = "com.novra.launcher";
inline constexpr std::string_view kBundleName = "NOVRA Launcher.app";
inline constexpr std::string_view kExecutableName = "NovraHub";
// Prepared copies are named kCandidatePrefix + UUID + ".app", beside the installed bundle.
inline constexpr std::string_view kCandidatePrefix = "NOVRA Launcher.previous-";
// A path the system runs a quarantined application from; never updated in place.
inline constexpr std::string_view kTranslocationMarker = "/AppTranslocation/";

// An optional single "+" or "-", then one or more ASCII digits and nothing else, within the
// signed 64-bit range; none otherwise.
std::optional<int64_t> parseDecimal(std::string_view text);

// The bundle's "CFBundleVersion" as a number; 0 when the property list cannot be read, the key is
// missing or not a string, or the text is not a decimal number. Never throws.
int64_t build(const std::string& bundle);

// Proves that `app` is the launcher the manifest describes: the manifest's own rules, the
// application and its seal (as for games), then the bundle's build number and version
// ("Версия внутри пакета не совпадает с обновлением") and its executable ("Неверное приложение в
// обновлении"). Throws LauncherError or the error of a lower layer.
void validate(const std::string& app, const LauncherUpdate& update);

// Copies the new bundle `source` beside the installed launcher `target` (symbolic links in its
// path resolved) under a fresh candidate name, checks the copy and measures the installed
// executable. Nothing is left behind when the copy or what follows fails. Throws LauncherError,
// std::system_error or the error of a lower layer.
LauncherUpdatePlan prepare(const std::string& source, const std::string& target, const LauncherUpdate& update);

// True when both paths of the plan are absolute and normalised, each names an entry, and they are
// two different names in one folder: what apply requires of the plan before it looks at the disk.
bool besideEachOther(const LauncherUpdatePlan& plan);

// Re-checks the plan against the disk and exchanges the candidate and the target in one atomic
// step: afterwards the new bundle is at the target path and the former one at the candidate path.
// The checks: besideEachOther() and the candidate a real folder (not a link), else "Обновление
// должно находиться рядом с приложением"; the target a real folder, else "Неверный путь
// установленного лаунчера"; the target older than the update, else
// "Обновление уже применено"; the candidate is the update; the target's executable is the one
// measured by prepare. The folder and both bundles are opened once, without following links, and
// everything after that goes through them. Returns the new bundle, held open: the very bundle that
// was checked, for the updater to start. Deletes nothing. Every check comes before the exchange,
// so a failure leaves both bundles where they were. Throws LauncherError or the error of a lower
// layer.
platform::Directory apply(const LauncherUpdatePlan& plan);

} // namespace novra::SelfUpdateCore
