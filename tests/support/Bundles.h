#pragma once
// Application bundles, releases, seal keys and trust for the tests.
#include <string>
#include <utility>
#include <vector>

#include "core/Catalog.h"
#include "platform/PropertyList.h"

namespace novra::test {

struct BundleSpec {
    std::string bundleID = "com.novra.test";
    std::string executable = "Game";
    platform::PropertyListFormat format = platform::PropertyListFormat::xml;
    // More files, by path relative to the bundle, with their contents.
    std::vector<std::pair<std::string, std::string>> files = {};
};

// Writes a bundle folder at `path`: Contents/Info.plist, Contents/MacOS/EXECUTABLE (mode 0755) and
// the extra files (mode 0644). Not sealed.
void makeBundle(const std::string& path, const BundleSpec& spec = {});

struct KeyPair {
    std::string privateKey;
    std::string publicKey;
};
// A throw-away Ed25519 key pair written into `directory` as NAME.key and NAME.pub.
KeyPair makeKeys(const std::string& directory, const std::string& name = "studio");

// The studio's throw-away key pairs, made once per test program: 0 is the one the tests trust,
// others are strangers' keys.
const KeyPair& studioKeys(int which = 0);

// A valid release of `version` of the bundle "Game.app" ("com.novra.test"); the package's digest and
// sizes are placeholders.
Release sampleRelease(const std::string& version = "1.0");

// Trusts the public key file for the life of the object; afterwards no key is trusted.
class TrustKey {
public:
    explicit TrustKey(const std::string& publicKeyFile);
    ~TrustKey();
    TrustKey(const TrustKey&) = delete;
    TrustKey& operator=(const TrustKey&) = delete;
};

// Sets a file's permission bits.
void setMode(const std::string& path, unsigned mode);

} // namespace novra::test
