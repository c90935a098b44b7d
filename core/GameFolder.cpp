#include "core/GameFolder.h"

#include <filesystem>
#include <system_error>

#include "core/LauncherError.h"
#include "platform/Directory.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace novra::LauncherCore::gamefolder {
namespace {
// A record is a few hundred bytes; anything near this size is not one.
constexpr long long kRecordLimit = 1'000'000;
} // namespace

const std::string kNotAFolder = "Вместо папки в библиотеке находится ссылка или файл: ";

bool isVersionName(std::string_view name) {
    constexpr size_t digest = 64;
    if (name.size() <= digest || name[digest] != '-') return false;
    for (char c : name.substr(0, digest))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return platform::isUUIDText(name.substr(digest + 1));
}

platform::Directory openFolder(const std::string& path) {
    return platform::Directory::openNoFollow(fs::canonical(path).string());
}

std::unique_ptr<platform::RecordLock> lockGame(const std::string& gameDirectory, const std::string& busy,
                                               const std::string& unopenable) {
    const std::string file = gameDirectory + "/" + kLockName;
    std::unique_ptr<platform::RecordLock> lock;
    try {
        lock = std::make_unique<platform::RecordLock>(file);
    } catch (const std::system_error&) {
        throw LauncherError(unopenable);
    }
    require(lock->tryLock() && lock->isAt(file), busy);
    return lock;
}

std::optional<Installed> readRecord(const std::string& gameDirectory, const char* name) {
    try {
        // Neither a link in place of the record is followed, nor does a FIFO named like it hold the
        // reader up.
        std::string text = platform::readRegularFile(gameDirectory + "/" + name, kRecordLimit);
        if (static_cast<long long>(text.size()) > kRecordLimit) return std::nullopt;
        Installed record = Installed::fromJSON(text);
        record.release.validate();
        if (!safeRelative(record.directory) || record.directory.find('/') != std::string::npos)
            return std::nullopt;
        return record;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void removeQuietly(const std::string& path) {
    const fs::path entry(path);
    try {
        openFolder(entry.parent_path()).remove(entry.filename());
    } catch (const std::system_error&) {
        // Left for a later clean-up.
    }
}

} // namespace novra::LauncherCore::gamefolder
