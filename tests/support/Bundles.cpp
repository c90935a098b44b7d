#include "support/Bundles.h"

#include <sys/stat.h>

#include <stdexcept>

#include "platform/BundleSeal.h"
#include "support/TestSupport.h"

namespace novra::test {

void makeBundle(const std::string& path, const BundleSpec& spec) {
    platform::PropertyDictionary info{
        {"CFBundleExecutable", spec.executable},
        {"CFBundleIdentifier", spec.bundleID},
        {"CFBundleName", "Test"},
        {"CFBundlePackageType", "APPL"},
    };
    writeFile(path + "/Contents/Info.plist", platform::encodePropertyList(info, spec.format));
    std::string executable = path + "/Contents/MacOS/" + spec.executable;
    writeFile(executable, "#!/bin/sh\necho game\n");
    setMode(executable, 0755);
    for (const auto& [relative, contents] : spec.files) writeFile(path + "/" + relative, contents);
}

KeyPair makeKeys(const std::string& directory, const std::string& name) {
    KeyPair keys{directory + "/" + name + ".key", directory + "/" + name + ".pub"};
    platform::generateSealKeys(keys.privateKey, keys.publicKey);
    return keys;
}

TrustKey::TrustKey(const std::string& publicKeyFile) { platform::trustSealKeysFromFile(publicKeyFile); }
TrustKey::~TrustKey() { platform::clearTrustedSealKeys(); }

void setMode(const std::string& path, unsigned mode) {
    if (::chmod(path.c_str(), mode) != 0) throw std::runtime_error("chmod " + path);
}

} // namespace novra::test
