#include "support/Bundles.h"

#include <sys/stat.h>

#include <map>
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

const KeyPair& studioKeys(int which) {
    static TempDir folder;
    static std::map<int, KeyPair> made;
    auto it = made.find(which);
    if (it == made.end())
        it = made.emplace(which, makeKeys(folder.path(), "studio" + std::to_string(which))).first;
    return it->second;
}

Release sampleRelease(const std::string& version) {
    Release r;
    r.version = version;
    r.sha256 = std::string(64, 'a');
    r.archive = "packages/" + version + ".tar.gz";
    r.bytes = 1000;
    r.expandedBytes = 2000;
    r.app = "Game.app";
    r.bundleID = "com.novra.test";
    r.architecture = "arm64";
    r.minimumSystem = 13;
    r.saves = "external";
    return r;
}

TrustKey::TrustKey(const std::string& publicKeyFile) { platform::trustSealKeysFromFile(publicKeyFile); }
TrustKey::~TrustKey() { platform::clearTrustedSealKeys(); }

void setMode(const std::string& path, unsigned mode) {
    if (::chmod(path.c_str(), mode) != 0) throw std::runtime_error("chmod " + path);
}

} // namespace novra::test
