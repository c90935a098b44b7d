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

bool isUUID(std::string_view text) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
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
        platform::Directory::openPath(entry.parent_path()).removeTree(entry.filename());
    } catch (const std::system_error&) {
        // Left for a later clean-up.
    }
}

} // namespace novra::LauncherCore::gamefolder
