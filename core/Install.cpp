#include "core/Install.h"

#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/Archive.h"
#include "core/LauncherCore.h"
#include "core/GameFolder.h"
#include "platform/BundleSeal.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/PropertyList.h"
#include "platform/RecordLock.h"
#include "platform/SystemVersion.h"
#include "platform/Volumes.h"

namespace fs = std::filesystem;

namespace novra::LauncherCore {

using namespace gamefolder;

namespace {

// Inside a staging folder: the unpacked package, and the version being put together.
constexpr const char* kUnpackedName = "package";
constexpr const char* kBuiltName = "version";

// Removes a folder with everything in it at the end of scope, unless dismissed. Errors are ignored.
class RemovalGuard {
public:
    explicit RemovalGuard(std::string path) : path_(std::move(path)) {}
    ~RemovalGuard() {
        if (!path_.empty()) removeQuietly(path_);
    }
    RemovalGuard(const RemovalGuard&) = delete;
    RemovalGuard& operator=(const RemovalGuard&) = delete;
    void dismiss() { path_.clear(); }

private:
    std::string path_;
};

// Staging folders left behind by an install that died (a crash, a kill, a power loss), and
// versions a reclaim had begun to remove. Only an operation on the same game holding its lock
// could own one, so once the lock is ours every one of them is stale.
void removeStaleStaging(const std::string& versions) {
    try {
        platform::Directory folder = openFolder(versions);
        for (const std::string& name : folder.names()) {
            if (name.rfind(kStagingPrefix, 0) != 0 && name.rfind(kRemovalPrefix, 0) != 0) continue;
            try {
                folder.remove(name);
            } catch (const std::system_error&) {
                // The next install tries again.
            }
        }
    } catch (const std::system_error&) {
    }
}

} // namespace

std::string joinPath(const std::string& base, const std::string& relative) {
    if (!base.empty() && base.back() == '/') return base + relative;
    return base + "/" + relative;
}

void checkStorage(const Settings& settings, int64_t requiredBytes) {
    settings.validate();
    for (const std::string& path : settings.requiredVolumes) {
        std::optional<std::string> root = platform::volumeRoot(path);
        require(root && *root == path && platform::isWritable(path), "Подключите диск: " + path);
    }
    // A library in a removable-media folder must lie on the disk mounted there; otherwise it would
    // be created on the system disk, under the empty mount folder.
    if (auto root = platform::mediaVolumeRoot(settings.library, platform::currentUserName())) {
        std::optional<std::string> volume = platform::volumeRoot(*root);
        require(volume && *volume == *root, "Диск библиотеки не подключён");
    }
    fs::create_directories(settings.library);
    int64_t available = platform::freeSpace(settings.library);
    // requiredBytes + margin >= available, written so that it cannot overflow.
    require(requiredBytes < available - kFreeSpaceMargin, "Недостаточно свободного места на диске библиотеки");
}

void verifyApp(const std::string& app, const Release& release) {
    platform::PropertyDictionary info;
    try {
        info = platform::readPropertyList(app + "/Contents/Info.plist");
    } catch (const std::system_error&) {
        throw LauncherError("В пакете нет приложения macOS");
    } catch (const platform::PropertyListError&) {
        throw LauncherError("В пакете нет приложения macOS");
    }
    auto executable = info.find("CFBundleExecutable");
    require(executable != info.end(), "В пакете нет приложения macOS");
    auto identifier = info.find("CFBundleIdentifier");
    require(identifier != info.end() && identifier->second == release.bundleID,
            "Идентификатор приложения не совпадает с релизом");
    const std::string& name = executable->second;
    require(safeRelative(name) && name.find('/') == std::string::npos &&
                platform::isExecutableFile(app + "/Contents/MacOS/" + name),
            "Исполняемый файл приложения отсутствует");
    require(platform::checkSeal(app) == platform::SealStatus::valid, "Проверка подписи приложения не пройдена");
}

void checkPackage(const std::string& archive, const Release& release, OperationControl& control) {
    auto size = fs::file_size(archive);
    require(size == static_cast<uintmax_t>(release.bytes), "Пакет загружен не полностью");
    require(hash(archive, control) == release.sha256, "SHA-256 пакета не совпадает. Установленная версия сохранена.");
}

void unpackApp(const std::string& archive, const Release& release, const std::string& directory,
               OperationControl& control, const Progress& progress) {
    unpack(archive, directory, release.expandedBytes, control, progress);
    verifyApp(joinPath(directory, release.app), release);
}

Installed install(const std::string& archive, const Game& game, const Settings& settings, OperationControl& control,
                  const Progress& progress) {
    require(game.release.has_value(), "Сборка ещё не опубликована");
    require(validID(game.id), "Неверная игра");
    const Release& release = *game.release;
    release.validate();
    if (std::optional<int64_t> system = platform::systemMajorVersion(); system && *system < release.minimumSystem)
        throw LauncherError("Для этой версии нужна macOS " + std::to_string(release.minimumSystem) + " или новее");
    require(release.architecture != "x86_64", "Для этой сборки требуется Intel Mac");
    checkStorage(settings, release.expandedBytes);
    checkPackage(archive, release, control);

    // The library folder may be a link (users move it that way); the game's folders below it never:
    // the lock, the clean-up of stale staging folders and the new version would land wherever the
    // link points.
    const std::string gameDirectory = joinPath(settings.library, game.id);
    const std::string versions = gameDirectory + "/" + kVersionsName;
    for (const std::string& folder : {gameDirectory, versions})
        require(platform::makeRealDirectory(folder), kNotAFolder + folder);

    std::unique_ptr<platform::RecordLock> lock =
        lockGame(gameDirectory, "Другой лаунчер уже устанавливает эту игру", "Не удалось заблокировать установку");
    removeStaleStaging(versions);

    const std::string staging = versions + "/" + kStagingPrefix + platform::uuidText();
    if (!fs::create_directory(staging))
        throw std::system_error(std::make_error_code(std::errc::file_exists), staging);
    RemovalGuard stagingGuard(staging);
    // The package is unpacked into one folder of the staging folder and the version is put together
    // in another: only the verified bundle moves into it, and whatever else the package held (a
    // script beside the bundle, a second application) goes with the staging folder.
    const std::string unpacked = staging + "/" + kUnpackedName;
    const std::string built = staging + "/" + kBuiltName;
    fs::create_directory(unpacked);
    unpackApp(archive, release, unpacked, control, progress);
    control.check();
    fs::create_directories(fs::path(joinPath(built, release.app)).parent_path());
    fs::rename(joinPath(unpacked, release.app), joinPath(built, release.app));

    const std::string name = release.sha256 + "-" + platform::uuidText();
    const std::string versionDirectory = versions + "/" + name;
    fs::rename(built, versionDirectory);
    RemovalGuard versionGuard(versionDirectory);

    Installed record{release, dateNow(), name};
    control.check();
    if (std::optional<Installed> active = current(game.id, settings.library))
        atomicJSON(active->encode(), gameDirectory + "/" + kPreviousName);
    atomicJSON(record.encode(), gameDirectory + "/" + kCurrentName);
    versionGuard.dismiss();
    return record;
}

std::optional<Installed> current(const std::string& id, const std::string& root) {
    if (!validID(id)) return std::nullopt;
    // A link in place of the game's folder is not followed.
    const std::string gameDirectory = joinPath(root, id);
    if (!platform::isRealDirectory(gameDirectory)) return std::nullopt;
    return readRecord(gameDirectory, kCurrentName);
}

bool pruneVersions(const std::string& id, const std::string& root, const Release& release) {
    require(validID(id), "Неверная игра");
    // As for an install, the library folder may be a link; nothing below it is followed.
    const platform::Directory library = openFolder(root);
    const platform::Directory game = library.open(id);
    const platform::Directory versions = game.open(kVersionsName);
    platform::RecordLock lock(game.path() + "/" + kLockName);
    if (!lock.tryLock()) return false;
    std::optional<Installed> active = current(id, library.path());
    if (!active || active->release != release) return false;
    std::vector<std::string> older;
    for (const fs::directory_entry& entry : fs::directory_iterator(versions.path())) {
        const std::string name = entry.path().filename().string();
        if (name != active->directory && isVersionName(name) && !entry.is_symlink() && entry.is_directory())
            older.push_back(name);
    }
    for (const std::string& name : older)
        versions.remove(name);
    return true;
}

std::string appURL(const std::string& id, const Installed& installed, const std::string& root) {
    return joinPath(root, id + "/" + kVersionsName + "/" + installed.directory + "/" + installed.release.app);
}

} // namespace novra::LauncherCore
