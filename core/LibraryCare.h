#pragma once
// Looking after installed games: removing a game's folder, checking an installed version against
// its seal, returning to the previous version, and reclaiming the space of older versions.
//
// Each operation works inside the game's own folder of the library `root` (and, for a removal,
// the hidden name that folder is given on its way out), holds the game's install lock while it
// changes anything, follows no symbolic link while it deletes, and can be killed at any moment
// without leaving the game unplayable: "current.json", when there is one, names a complete version.
//
//   remove     lock; rename ID to .remove-ID-UUID in the library (one rename: the game as it was,
//              or gone); delete what the folder holds, the lock file last; remove the empty folder.
//              A folder left on its way out by a kill is finished by the next removal of the game
//              and by removeLeftovers; its lock file tells whether someone is still at it.
//   roll back  lock; write the previous record as "current.json", then the former current record
//              as "previous.json". Killed between the two, both name the version returned to.
//   reclaim    lock; each version folder that neither record names is renamed to a hidden
//              .remove-UUID inside "versions" and then deleted; hidden leftovers there go too.
#include <cstdint>
#include <optional>
#include <string>

#include "core/Catalog.h"

namespace novra::LauncherCore {

// Removes the game's folder from the library, every version in it. A game with no folder is
// removed already. Throws LauncherError ("Другой лаунчер сейчас работает с этой игрой" while
// another opening holds the lock, "Неверная игра" for an invalid id, the not-a-folder message for a
// link or a file in place of the folder) or std::system_error.
void removeGame(const std::string& id, const std::string& root);

// Finishes every removal in the library `root` that a kill interrupted, except those whose lock
// another process still holds. Never throws.
void removeLeftovers(const std::string& root);

// Checks the installed version against its release: property list, identifier, executable and the
// seal of every file (verifyApp). Returns the record checked. Throws LauncherError with the check's
// message, "Игра не установлена" or "Файлы установленной версии не найдены".
Installed verifyInstalled(const std::string& id, const std::string& root);

// The record of the version that was active before the current one when the game can return to
// it: "previous.json" is a valid record, its version folder is a real folder, and it is not the
// current version. Never throws; does not take the lock.
std::optional<Installed> previous(const std::string& id, const std::string& root);

// Makes the previous version current and the current one previous; returns the new current record.
// Throws LauncherError ("Предыдущая версия не найдена", "Игра не установлена", ...) or
// std::system_error.
Installed rollBack(const std::string& id, const std::string& root);

// Removes the version folders that neither "current.json" nor "previous.json" names, and the
// hidden leftovers of interrupted work in "versions"; returns the bytes on disk freed. Throws
// LauncherError or std::system_error.
int64_t reclaimSpace(const std::string& id, const std::string& root);

// The bytes on disk the game's folder takes (allocated blocks, no link followed); 0 when it has
// none. Never throws.
int64_t sizeOnDisk(const std::string& id, const std::string& root);

} // namespace novra::LauncherCore
