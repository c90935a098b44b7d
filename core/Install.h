#pragma once
// Installation of a downloaded package into the library folder, and the library's layout:
//
//   ID/current.json           the Installed record of the active version (absent: not installed)
//   ID/previous.json          the record of the version that was active before the latest install
//   ID/.install.lock          lock file of installs of the game (0600, stays)
//   ID/versions/.install-UUID staging folder of an install in progress
//   ID/versions/SHA-UUID      an installed version; its application at the release's "app" path
#include <cstdint>
#include <optional>
#include <string>

#include "core/Catalog.h"
#include "core/OperationControl.h"
#include "core/Settings.h"
#include "core/Transfer.h"

namespace novra::LauncherCore {

// Free space kept on the library's disk on top of the bytes an install needs.
constexpr int64_t kFreeSpaceMargin = 256'000'000;

// Installs the package `archive` (already downloaded; never touched) as the new current version of
// the game and returns its record. A failed or cancelled install leaves the records and every
// version folder as they were. Throws LauncherError, CancellationError, std::system_error or
// std::filesystem::filesystem_error. Blocks; `progress` is reported while unpacking.
Installed install(const std::string& archive, const Game& game, const Settings& settings, OperationControl& control,
                  const Progress& progress = {});

// The valid record of the game's active version below the library `root`, or none. Never throws;
// does not look at the version folder.
std::optional<Installed> current(const std::string& id, const std::string& root);

// Removes the game's version folders below `root` other than the active one, when the active
// version is of `release`; folders of another name and symbolic links stay, and no link is
// followed. Under the game's install lock: false, with nothing removed, while an install holds it
// or when the active version is another. Throws std::system_error.
bool pruneVersions(const std::string& id, const std::string& root, const Release& release);

// Where the installed application lies: root/ID/versions/DIRECTORY/APP. No file-system access.
std::string appURL(const std::string& id, const Installed& installed, const std::string& root);

// Checks the application bundle `app` against the release: its property list, identifier,
// executable and seal. Throws LauncherError.
void verifyApp(const std::string& app, const Release& release);

// Checks the required volumes, the library's disk and its free space for `requiredBytes` (0 when
// only the disks matter); creates the library folder. Throws LauncherError or std::system_error.
void checkStorage(const Settings& settings, int64_t requiredBytes);

// The checks of a downloaded package before it is opened: its size is the release's "bytes" and
// its SHA-256 the release's "sha256". Throws LauncherError, CancellationError or a file error.
void checkPackage(const std::string& archive, const Release& release, OperationControl& control);

// Unpacks the package into the empty folder `directory` and verifies the application at the
// release's "app" path inside it. Deletes nothing on failure.
void unpackApp(const std::string& archive, const Release& release, const std::string& directory,
               OperationControl& control, const Progress& progress = {});

// `base` + "/" + `relative`, without doubling a "/" that ends `base`.
std::string joinPath(const std::string& base, const std::string& relative);

} // namespace novra::LauncherCore
