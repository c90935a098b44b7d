#pragma once
// What installing a game and looking after an installed game share about the game's folder: the
// names of its layout, its install lock and its records. Internal to the core.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/Catalog.h"
#include "platform/Directory.h"
#include "platform/RecordLock.h"

namespace novra::LauncherCore::gamefolder {

constexpr const char* kLockName = ".install.lock";
constexpr const char* kVersionsName = "versions";
constexpr const char* kCurrentName = "current.json";
constexpr const char* kPreviousName = "previous.json";
// Hidden names of work in progress: an install's staging folder inside "versions", and a folder on
// its way out (a removed game's folder in the library, a reclaimed version inside "versions").
constexpr const char* kStagingPrefix = ".install-";
constexpr const char* kRemovalPrefix = ".remove-";
extern const std::string kNotAFolder;

// A version folder's name: the release's SHA-256 in lower-case hexadecimal, "-", a UUID.
bool isVersionName(std::string_view name);

// The folder at `path` held open: links on its way are resolved first (the library folder may be
// one); nothing below it is followed once it is open. Throws std::system_error.
platform::Directory openFolder(const std::string& path);

// Takes the install lock of the game folder `gameDirectory` without waiting. Throws LauncherError
// `unopenable` when the lock file cannot be opened and `busy` when another opening holds the lock,
// or when the lock file is no longer in the folder once the lock is taken (the folder was removed
// meanwhile: the lock would exclude nobody).
std::unique_ptr<platform::RecordLock> lockGame(const std::string& gameDirectory, const std::string& busy,
                                               const std::string& unopenable);

// The record `name` ("current.json" or "previous.json") of the game folder when it is a valid one:
// a regular file (no link followed, no FIFO waited on), a decodable record, a valid release and a
// version folder name of one piece. Never throws.
std::optional<Installed> readRecord(const std::string& gameDirectory, const char* name);

// Removes the entry at `path` with everything below it, following no link; errors are ignored.
void removeQuietly(const std::string& path);

} // namespace novra::LauncherCore::gamefolder
