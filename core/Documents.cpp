#include "core/LauncherCore.h"
#include "platform/Files.h"

namespace novra::LauncherCore {

Catalog loadCatalog(const std::string& file) {
    // Read one byte past the limit at most: a huge file is refused without being read whole.
    std::string text = platform::readFile(file, kCatalogLimit);
    require(static_cast<long long>(text.size()) <= kCatalogLimit, "Каталог слишком большой");
    Catalog catalog = Catalog::fromJSON(text);
    catalog.validate();
    return catalog;
}

void atomicJSON(const Json& value, const std::string& file, unsigned mode) {
    platform::writeFileAtomically(file, encodeJson(value), mode);
}

} // namespace novra::LauncherCore
