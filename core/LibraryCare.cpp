#include "core/LibraryCare.h"

#include <memory>
#include <set>
#include <system_error>

#include "core/GameFolder.h"
#include "core/Install.h"
#include "core/LauncherCore.h"
#include "platform/Directory.h"
#include "platform/Files.h"

namespace novra::LauncherCore {

using namespace gamefolder;
using platform::Directory;

namespace {

const std::string kBusy = "Другой лаунчер сейчас работает с этой игрой";
const std::string kUnlockable = "Не удалось заблокировать папку игры";
const std::string kNotInstalled = "Игра не установлена";

// .remove-ID-UUID: a removed game's folder on its way out, of the game `id` (any game when empty).
bool isRemovalOf(std::string_view name, std::string_view id) {
    const std::string_view prefix = kRemovalPrefix;
    if (name.size() < prefix.size() + 2 + 36 || name.substr(0, prefix.size()) != prefix) return false;
    const std::string_view uuid = name.substr(name.size() - 36);
    const std::string_view owner = name.substr(prefix.size(), name.size() - prefix.size() - 37);
    return name[name.size() - 37] == '-' && platform::isUUIDText(uuid) && validID(owner) && (id.empty() || owner == id);
}

// Empties a folder on its way out and removes it: everything but the lock file, then the lock file
// (while its lock is still held, so that nobody else starts on what is left), then the folder. A
// kill on the way leaves a hidden folder with its lock file, or an empty one.
void finishRemoval(const Directory& library, const std::string& name, const Directory& folder) {
    for (const std::string& entry : folder.names())
        if (entry != kLockName) folder.remove(entry);
    folder.remove(kLockName);
    library.removeEmpty(name);
}

// Finishes the removals of the game `id` (of every game when empty) that were left on the way.
void finishLeftovers(const Directory& library, const std::string& id) {
    for (const std::string& name : library.names()) {
        if (!isRemovalOf(name, id) || library.kind(name) != Directory::Kind::directory) continue;
        try {
            Directory folder = library.open(name);
            std::unique_ptr<platform::RecordLock> lock;
            try {
                lock = std::make_unique<platform::RecordLock>(folder.path() + "/" + kLockName,
                                                              platform::RecordLock::Opening::existingOnly);
            } catch (const std::system_error& e) {
                // Without its lock file the folder was emptied already: only the folder is left.
                if (e.code() == std::errc::no_such_file_or_directory) library.removeEmpty(name);
                continue;
            }
            // Held: another launcher is removing it right now.
            if (lock->tryLock()) finishRemoval(library, name, folder);
        } catch (const std::system_error&) {
            // Left for the next clean-up.
        }
    }
}

// The library folder, which may be a link (users move it that way).
std::optional<Directory> openLibrary(const std::string& root) {
    try {
        return openFolder(root);
    } catch (const std::system_error& e) {
        if (e.code() == std::errc::no_such_file_or_directory) return std::nullopt;
        throw;
    }
}

std::string versionPath(const std::string& gameDirectory, const std::string& directory) {
    return gameDirectory + "/" + kVersionsName + "/" + directory;
}

// An installed game locked for one operation, with its current record.
struct LockedGame {
    std::string directory;
    std::unique_ptr<platform::RecordLock> lock;
    Installed current;
};

LockedGame lockInstalled(const std::string& id, const std::string& root) {
    require(validID(id), "Неверная игра");
    const std::string gameDirectory = joinPath(root, id);
    require(platform::isRealDirectory(gameDirectory), kNotInstalled);
    std::unique_ptr<platform::RecordLock> lock = lockGame(gameDirectory, kBusy, kUnlockable);
    std::optional<Installed> record = readRecord(gameDirectory, kCurrentName);
    require(record.has_value(), kNotInstalled);
    return {gameDirectory, std::move(lock), std::move(*record)};
}

} // namespace

void removeGame(const std::string& id, const std::string& root) {
    require(validID(id), "Неверная игра");
    std::optional<Directory> library = openLibrary(root);
    if (!library) return;
    finishLeftovers(*library, id);
    const std::string gameDirectory = joinPath(root, id);
    switch (library->kind(id)) {
    case Directory::Kind::none:
        return;
    case Directory::Kind::directory:
        break;
    default:
        throw LauncherError(kNotAFolder + gameDirectory);
    }
    std::unique_ptr<platform::RecordLock> lock = lockGame(gameDirectory, kBusy, kUnlockable);
    // The folder is emptied through the folder that was locked, whatever its name by then.
    Directory folder = library->open(id);
    require(lock->isAt(folder.path() + "/" + kLockName), kBusy);
    const std::string leaving = kRemovalPrefix + id + "-" + platform::uuidText();
    library->rename(id, leaving);
    library->sync();
    finishRemoval(*library, leaving, folder);
}

void removeLeftovers(const std::string& root) {
    try {
        if (std::optional<Directory> library = openLibrary(root)) finishLeftovers(*library, "");
    } catch (const std::system_error&) {
        // The library cannot be listed: nothing to finish now.
    }
}

Installed verifyInstalled(const std::string& id, const std::string& root) {
    LockedGame game = lockInstalled(id, root);
    require(platform::isRealDirectory(versionPath(game.directory, game.current.directory)),
            "Файлы установленной версии не найдены");
    verifyApp(appURL(id, game.current, root), game.current.release);
    return game.current;
}

std::optional<Installed> previous(const std::string& id, const std::string& root) {
    std::optional<Installed> active = current(id, root);
    if (!active) return std::nullopt;
    const std::string gameDirectory = joinPath(root, id);
    std::optional<Installed> before = readRecord(gameDirectory, kPreviousName);
    if (!before || before->directory == active->directory ||
        !platform::isRealDirectory(versionPath(gameDirectory, before->directory)))
        return std::nullopt;
    return before;
}

Installed rollBack(const std::string& id, const std::string& root) {
    LockedGame game = lockInstalled(id, root);
    std::optional<Installed> target = previous(id, root);
    require(target.has_value(), "Предыдущая версия не найдена");
    // The current record first: killed before the second write, both records name the version
    // returned to, which is complete, and the game plays it.
    atomicJSON(target->encode(), game.directory + "/" + kCurrentName);
    atomicJSON(game.current.encode(), game.directory + "/" + kPreviousName);
    return *target;
}

int64_t reclaimSpace(const std::string& id, const std::string& root) {
    LockedGame game = lockInstalled(id, root);
    std::set<std::string> kept{game.current.directory};
    if (std::optional<Installed> before = readRecord(game.directory, kPreviousName))
        kept.insert(before->directory);
    Directory versions = openFolder(root).open(id).open(kVersionsName);
    int64_t freed = 0;
    for (const std::string& name : versions.names()) {
        if (kept.count(name)) continue;
        if (isVersionName(name)) {
            // Renamed first, so that a kill never leaves half a version under a version's name.
            const std::string leaving = kRemovalPrefix + platform::uuidText();
            versions.rename(name, leaving);
            freed += versions.remove(leaving);
        } else if (name.rfind(kStagingPrefix, 0) == 0 || name.rfind(kRemovalPrefix, 0) == 0) {
            freed += versions.remove(name);
        }
    }
    return freed;
}

int64_t sizeOnDisk(const std::string& id, const std::string& root) {
    if (!validID(id)) return 0;
    try {
        std::optional<Directory> library = openLibrary(root);
        return library && library->kind(id) == Directory::Kind::directory ? library->sizeOnDisk(id) : 0;
    } catch (const std::system_error&) {
        return 0;
    }
}

} // namespace novra::LauncherCore
