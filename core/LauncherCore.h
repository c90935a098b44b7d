#pragma once
// The catalog and installation core: documents, settings, and the stateless operations of the
// LauncherCore namespace. Qt-free; compiled into the launcher, the updater and the studio's tool.
#include <string>

#include "core/Catalog.h"
#include "core/Json.h"
#include "core/LauncherError.h"
#include "core/OperationControl.h"
#include "core/Settings.h"
#include "core/Transfer.h"
#include "core/Archive.h"
#include "core/Install.h"
#include "core/LibraryCare.h"

namespace novra::LauncherCore {

// Largest catalog file accepted, in bytes.
constexpr long long kCatalogLimit = 2'000'000;

// Reads a local catalog file and returns it validated. Throws LauncherError ("Каталог слишком
// большой" past the limit, before decoding), DecodingError, or std::system_error for the file.
Catalog loadCatalog(const std::string& file);

// Writes `value` in the canonical form (pretty-printed, keys sorted) so that a crash leaves the
// old or the new document, never a torn one; the file gets the permission bits `mode` less the
// umask. Throws std::system_error.
void atomicJSON(const Json& value, const std::string& file, unsigned mode = 0644);

} // namespace novra::LauncherCore
