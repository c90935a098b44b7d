#include "selfupdate/UpdateFiles.h"

#include <filesystem>
#include <vector>

#include "core/LauncherCore.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/PropertyList.h"
#include "selfupdate/SelfUpdateCore.h"

namespace fs = std::filesystem;

namespace novra::SelfUpdateCore {
namespace {

constexpr std::string_view kPlanSuffix = ".json";
constexpr std::string_view kFailurePrefix = "Launcher update: ";
// The result is two lines and the log one line of the updater; anything longer is cut there.
constexpr long long kNoteLimit = 64 * 1024;

// `prefix` + UUID + `suffix`.
bool namedWithUUID(std::string_view name, std::string_view prefix, std::string_view suffix) {
    return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
           name.ends_with(suffix) &&
           platform::isUUIDText(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
}

// What the entry holds when it is a regular file (not reached through a link), else none.
std::optional<std::string> readNote(const std::string& path) {
    try {
        return platform::readRegularFile(path, kNoteLimit);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool present(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

// The updater's last failure line in its log, without the prefix.
std::optional<std::string> failureIn(const std::string& log) {
    std::optional<std::string> text = readNote(log);
    if (!text) return std::nullopt;
    std::optional<std::string> found;
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        std::string_view line(text->data() + start, end - start);
        if (line.starts_with(kFailurePrefix) && line.size() > kFailurePrefix.size())
            found = std::string(line.substr(kFailurePrefix.size()));
        start = end + 1;
    }
    return found;
}

// Removes the former launcher that the plan's candidate path holds after the exchange. True when
// it is gone (or was before); false when what is there cannot be proven to be it.
bool removeFormer(const LauncherUpdatePlan& plan) {
    const fs::path candidate(plan.candidate);
    const std::string name = candidate.filename().string();
    if (!besideEachOther(plan) || !namedWithUUID(name, kCandidatePrefix, ".app")) return false;
    try {
        const platform::Directory folder =
            platform::Directory::openNoFollow(candidate.parent_path().string());
        if (!present(folder.path() + "/" + name)) return true;
        const platform::Directory contents = folder.open(name).open("Contents");
        const platform::PropertyDictionary info = platform::parsePropertyList(
            platform::readRegularFile(contents.path() + "/Info.plist", platform::kPropertyListLimit));
        auto identifier = info.find("CFBundleIdentifier");
        if (identifier == info.end() || identifier->second != kBundleID) return false;
        const platform::File executable =
            platform::File::openNoFollow(contents.open("MacOS").path() + "/" + std::string(kExecutableName));
        if (!executable.status().regular || LauncherCore::hash(executable.handlePath()) != plan.originalHash)
            return false;
        folder.remove(name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Removes the entry when it is a file or a link (never what a link names); anything else stays.
void removeFileQuietly(const platform::Directory& folder, const std::string& name) {
    std::error_code ignored;
    const fs::file_status status = fs::symlink_status(folder.path() + "/" + name, ignored);
    if (!fs::is_regular_file(status) && !fs::is_symlink(status)) return;
    try {
        folder.remove(name);
    } catch (const std::exception&) {
        // Left for the next start.
    }
}

} // namespace

std::string planFileName(const std::string& uuid) {
    return std::string(kUpdateFilePrefix) + uuid + std::string(kPlanSuffix);
}

std::string resultText(const std::string& version, const std::string& previous) {
    return "Updated to " + version + "\nPrevious: " + previous + "\n";
}

LauncherUpdatePlan readPlan(const std::string& path) {
    const std::string notAFile = "План обновления должен быть обычным файлом";
    std::optional<platform::File> file;
    try {
        file.emplace(platform::File::openNoFollow(path));
    } catch (const std::system_error& e) {
        if (e.code() == std::errc::too_many_symbolic_link_levels) throw LauncherError(notAFile);
        throw;
    }
    platform::FileStatus status = file->status();
    require(status.regular, notAFile);
    require(status.ownedByUser && !status.writableByOthers,
            "План обновления принадлежит другому пользователю или открыт для записи другим");
    const std::string tooLarge = "План обновления слишком большой";
    require(status.size <= kPlanLimit, tooLarge);
    std::string text = file->readAll(kPlanLimit);
    require(static_cast<long long>(text.size()) <= kPlanLimit, tooLarge);
    return LauncherUpdatePlan::fromJSON(text);
}

Aftermath finishUpdates(const std::string& library, const std::string& bundle) {
    Aftermath aftermath;
    try {
        // The library folder may be a link (users move it that way); nothing below it is followed.
        std::error_code missing;
        const fs::path root = fs::canonical(library, missing);
        if (missing) return aftermath;
        const platform::Directory folder = platform::Directory::openNoFollow(root.string());
        std::vector<std::string> plans;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder.path())) {
            std::string name = entry.path().filename().string();
            if (namedWithUUID(name, kUpdateFilePrefix, kPlanSuffix)) plans.push_back(std::move(name));
        }

        const int64_t running = build(bundle);
        std::optional<fs::file_time_type> newest;
        for (const std::string& name : plans) {
            const std::string path = folder.path() + "/" + name;
            LauncherUpdatePlan plan;
            try {
                plan = readPlan(path);
            } catch (const std::exception&) {
                continue;
            }
            if (plan.target != bundle) continue;
            const std::optional<std::string> result = readNote(path + ".result");
            if (running == plan.update.build &&
                result == resultText(plan.update.release.version, plan.candidate)) {
                if (!removeFormer(plan)) continue;
                // The result goes last: until then a start that was interrupted here finds the
                // update applied again and finishes the rest.
                for (const char* suffix : {".log", ".shown", "", ".result"})
                    removeFileQuietly(folder, name + suffix);
                try {
                    LauncherCore::pruneVersions(std::string(kLibraryID), root.string(), plan.update.release);
                } catch (const std::exception&) {
                    // The package's folders stay for another time; the launcher itself is done.
                }
                ++aftermath.finished;
            } else if (running < plan.update.build && !present(path + ".result") &&
                       !present(path + ".shown")) {
                std::optional<std::string> failure = failureIn(path + ".log");
                if (!failure) continue;
                try {
                    platform::writeFileAtomically(path + ".shown", "", 0600);
                } catch (const std::exception&) {
                    // Reported again next time rather than never.
                }
                std::error_code unknown;
                const fs::file_time_type time = fs::last_write_time(path + ".log", unknown);
                if (!newest || time > *newest) {
                    newest = time;
                    aftermath.failure = std::move(failure);
                }
            }
        }
    } catch (const std::exception&) {
        // The library cannot be read now; the next start looks again.
    }
    return aftermath;
}

} // namespace novra::SelfUpdateCore
