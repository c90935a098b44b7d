#pragma once
// Helpers of the self-update tests: a private tmpfs, and waiting for files that other processes write.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "selfupdate/LauncherUpdate.h"
#include "support/Bundles.h"
#include "support/TestSupport.h"

namespace novra::test {

// A launcher bundle for the self-update tests.
struct LauncherSpec {
    std::string build = "11";    // "CFBundleVersion"; empty leaves the key out
    std::string version = "2.0"; // "CFBundleShortVersionString"
    std::string bundleID = "com.novra.launcher";
    std::string executable = "NovraHub"; // "CFBundleExecutable"
    // The main program "Contents/MacOS/NovraHub" (always written, whatever "CFBundleExecutable" says).
    std::string program = "#!/bin/sh\nexit 0\n";
    // More files, by path relative to the bundle, with their contents (mode 0644).
    std::vector<std::pair<std::string, std::string>> files;
    // Ships the built UpdateRelay in "Contents/MacOS" and this public key file as the bundle's
    // trusted keys (when not empty).
    bool withRelay = false;
    std::string trustedKeys;
};

// A spec with the given build number and version, changed further by `change`.
LauncherSpec launcherSpec(const std::string& build, const std::string& version = "2.0",
                          const std::function<void(LauncherSpec&)>& change = {});

// Writes the bundle at `path`; seals it with `privateKey` unless that is empty.
void makeLauncher(const std::string& path, const LauncherSpec& spec, const std::string& privateKey);

// A valid manifest of the launcher with the given build number and version.
LauncherUpdate launcherUpdate(int64_t build, const std::string& version);

// An update as the launcher meets it: the installed launcher (build 11, version 2.0) in
// "Applications" and the new one (build 12, version 2.1) unpacked in the library, both sealed with
// the studio's key, which the process trusts. A fixture that keeps the new one elsewhere sets `source`
// before calling SetUp().
class LauncherUpdateTest : public ::testing::Test {
  protected:
    void SetUp() override;
    // The spec of the installed launcher or of the new one; their programs print "old" and "new".
    virtual LauncherSpec launcher(bool newer) const;

    TempDir root;
    TrustKey trust{studioKeys().publicKey};
    std::string applications = root / "Applications";
    std::string installed = applications + "/NOVRA Launcher.app";
    std::string source = root / "library/launcher-self-update/versions/V/NOVRA Launcher.app";
    LauncherUpdate update = launcherUpdate(12, "2.1");
};

// A tmpfs mounted on a fresh directory for the life of the object, or until unmount() (root only;
// see canMount()). `flags` are mount(2)'s, MS_RDONLY for one.
class TmpfsMount {
  public:
    explicit TmpfsMount(const std::string& directory, const std::string& size = "16m",
                        unsigned long flags = 0);
    ~TmpfsMount() { unmount(); }
    void unmount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    bool mounted_ = true;
};
// True when this process may mount file systems (it runs as root).
bool canMount();

// Absolute path of the built UpdateRelay.
std::string relayTool();

} // namespace novra::test
