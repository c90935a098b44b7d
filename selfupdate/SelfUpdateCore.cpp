#include "selfupdate/SelfUpdateCore.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/LauncherCore.h"
#include "platform/Directory.h"
#include "platform/Exchange.h"
#include "platform/Files.h"
#include "platform/PropertyList.h"
#include "platform/Volumes.h"

namespace fs = std::filesystem;

namespace novra::SelfUpdateCore {
namespace {

std::optional<platform::PropertyDictionary> infoOf(const std::string& bundle) {
    try {
        return platform::readPropertyList(bundle + "/Contents/Info.plist");
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> stringValue(const std::optional<platform::PropertyDictionary>& info, const char* key) {
    if (!info) return std::nullopt;
    auto it = info->find(key);
    if (it == info->end()) return std::nullopt;
    return it->second;
}

std::string executableOf(const std::string& bundle) { return bundle + "/Contents/MacOS/" + std::string(kExecutableName); }

// Copies the tree at `source` into the empty directory `destination` and flushes the copy to the
// disk, so that a later exchange never exposes a half-written bundle. Throws
// std::filesystem::filesystem_error or std::system_error.
void copyBundle(const std::string& source, const std::string& destination) {
    fs::copy(source, destination, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    platform::flushTree(destination);
}

} // namespace

std::optional<int64_t> parseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    // Parse the magnitude as unsigned so that the most negative value fits.
    uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (negative) {
        if (magnitude > static_cast<uint64_t>(INT64_MAX) + 1) return std::nullopt;
        return magnitude == static_cast<uint64_t>(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(magnitude);
    }
    if (magnitude > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
    return static_cast<int64_t>(magnitude);
}

int64_t build(const std::string& bundle) {
    auto version = stringValue(infoOf(bundle), "CFBundleVersion");
    if (!version) return 0;
    return parseDecimal(*version).value_or(0);
}

void validate(const std::string& app, const LauncherUpdate& update) {
    update.validate();
    LauncherCore::verifyApp(app, update.release);
    auto info = infoOf(app);
    auto shortVersion = stringValue(info, "CFBundleShortVersionString");
    require(build(app) == update.build && info && shortVersion && *shortVersion == update.release.version,
            "Версия внутри пакета не совпадает с обновлением");
    auto executable = stringValue(info, "CFBundleExecutable");
    require(executable && *executable == kExecutableName, "Неверное приложение в обновлении");
}

LauncherUpdatePlan prepare(const std::string& source, const std::string& target, const LauncherUpdate& update) {
    // Resolves every link of the existing part of the path; a missing bundle is refused below.
    const std::string installed = fs::weakly_canonical(target).string();
    validate(source, update);
    require(build(installed) < update.build, "Эта версия лаунчера уже установлена");
    auto identifier = stringValue(infoOf(installed), "CFBundleIdentifier");
    require(identifier && *identifier == kBundleID, "Неверный путь установленного лаунчера");
    const std::string folder = fs::path(installed).parent_path().string();
    require(installed.find(kTranslocationMarker) == std::string::npos && platform::isWritable(folder),
            "Перенесите лаунчер в доступную для записи папку Программы");

    LauncherUpdatePlan plan;
    plan.target = installed;
    plan.candidate = folder + "/" + std::string(kCandidatePrefix) + platform::uuidText() + ".app";
    plan.update = update;

    // The copy starts with creating the candidate; only what this call created is removed again.
    std::error_code created;
    if (!fs::create_directory(plan.candidate, source, created)) {
        if (!created) created = std::make_error_code(std::errc::file_exists);
        throw fs::filesystem_error("cannot create", plan.candidate, created);
    }
    try {
        copyBundle(source, plan.candidate);
        validate(plan.candidate, update);
        plan.originalHash = LauncherCore::hash(executableOf(installed));
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(plan.candidate, ignored);
        throw;
    }
    return plan;
}

bool besideEachOther(const LauncherUpdatePlan& plan) {
    // The paths are taken as written. A path that needs normalising could climb through a link
    // ("x/l/../.."), which the kernel would resolve differently from the text.
    const fs::path target(plan.target);
    const fs::path candidate(plan.candidate);
    auto named = [](const fs::path& p) {
        auto name = p.filename();
        return p.is_absolute() && p.lexically_normal() == p && !name.empty() && name != "." && name != "..";
    };
    return named(target) && named(candidate) && target.parent_path() == candidate.parent_path() &&
           target != candidate;
}

platform::Directory apply(const LauncherUpdatePlan& plan) {
    const fs::path target(plan.target);
    const fs::path candidate(plan.candidate);
    const std::string sibling = "Обновление должно находиться рядом с приложением";
    require(besideEachOther(plan), sibling);
    // From here on everything is reached through the folder and the two bundles as opened now, never
    // again through their paths: what is checked is what is exchanged and what is started.
    std::optional<platform::Directory> folder, installed, prepared;
    try {
        folder.emplace(platform::Directory::openNoFollow(target.parent_path().string()));
        prepared.emplace(folder->open(candidate.filename().string()));
    } catch (const std::system_error&) {
        throw LauncherError(sibling);
    }
    try {
        installed.emplace(folder->open(target.filename().string()));
    } catch (const std::system_error&) {
        throw LauncherError("Неверный путь установленного лаунчера");
    }
    // After a successful exchange the candidate path holds the former launcher, which is not the
    // update; so a repeated apply is recognised by the target's build before the candidate is
    // looked at.
    require(build(installed->path()) < plan.update.build, "Обновление уже применено");
    validate(prepared->path(), plan.update);
    std::string measured;
    try {
        measured = LauncherCore::hash(executableOf(installed->path()));
    } catch (const std::system_error& e) {
        // Named by the path the user knows, not by the open folder's.
        throw std::system_error(e.code(), executableOf(plan.target));
    }
    require(measured == plan.originalHash, "Лаунчер изменился во время подготовки; повторите проверку");
    try {
        platform::exchangeEntries(folder->path() + "/" + candidate.filename().string(),
                                  folder->path() + "/" + target.filename().string());
    } catch (const std::system_error& e) {
        throw LauncherError("Не удалось заменить лаунчер: " + std::string(std::strerror(e.code().value())));
    }
    return std::move(*prepared);
}

} // namespace novra::SelfUpdateCore
