#include "selfupdate/BundleKeys.h"

#include <exception>

#include "platform/BundleSeal.h"

namespace novra {

void trustBundleKeys(const std::string& bundle) {
    try {
        platform::trustSealKeysFromFile(bundle + "/" + std::string(kTrustedKeysResource));
    } catch (const std::exception&) {
        platform::clearTrustedSealKeys();
    }
}

} // namespace novra
