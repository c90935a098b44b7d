#include "support/SelfUpdateSupport.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/BundleSeal.h"
#include "platform/PropertyList.h"
#include "selfupdate/BundleKeys.h"
#include "support/Bundles.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace novra::test {

LauncherSpec launcherSpec(const std::string& build, const std::string& version,
                          const std::function<void(LauncherSpec&)>& change) {
    LauncherSpec spec;
    spec.build = build;
    spec.version = version;
    if (change) change(spec);
    return spec;
}

void makeLauncher(const std::string& path, const LauncherSpec& spec, const std::string& privateKey) {
    platform::PropertyDictionary info{
        {"CFBundleExecutable", spec.executable},      {"CFBundleIdentifier", spec.bundleID},
        {"CFBundleName", "NOVRA Launcher"},           {"CFBundlePackageType", "APPL"},
        {"CFBundleShortVersionString", spec.version},
    };
    if (!spec.build.empty()) info["CFBundleVersion"] = spec.build;
    writeFile(path + "/Contents/Info.plist",
              platform::encodePropertyList(info, platform::PropertyListFormat::xml));
    for (const std::string& name : {std::string("NovraHub"), spec.executable}) {
        writeFile(path + "/Contents/MacOS/" + name, spec.program);
        setMode(path + "/Contents/MacOS/" + name, 0755);
    }
    for (const auto& [relative, contents] : spec.files)
        writeFile(path + "/" + relative, contents);
    if (spec.withRelay) {
        fs::copy_file(relayTool(), path + "/Contents/MacOS/UpdateRelay",
                      fs::copy_options::overwrite_existing);
        setMode(path + "/Contents/MacOS/UpdateRelay", 0755);
    }
    if (!spec.trustedKeys.empty())
        writeFile(path + "/" + std::string(kTrustedKeysResource), readFile(spec.trustedKeys));
    if (!privateKey.empty()) platform::sealBundle(path, privateKey);
}

LauncherUpdate launcherUpdate(int64_t build, const std::string& version) {
    LauncherUpdate update{1, build, sampleRelease(version)};
    update.release.app = "NOVRA Launcher.app";
    update.release.bundleID = "com.novra.launcher";
    return update;
}

void LauncherUpdateTest::SetUp() {
    makeLauncher(installed, launcher(false), studioKeys().privateKey);
    makeLauncher(source, launcher(true), studioKeys().privateKey);
}

LauncherSpec LauncherUpdateTest::launcher(bool newer) const {
    return launcherSpec(newer ? "12" : "11", newer ? "2.1" : "2.0", [&](LauncherSpec& s) {
        s.program = newer ? "#!/bin/sh\necho new\n" : "#!/bin/sh\necho old\n";
        if (newer) s.files = {{"Contents/Resources/catalog.json", "{}"}};
    });
}

TmpfsMount::TmpfsMount(const std::string& directory, const std::string& size, unsigned long flags)
    : path_(directory) {
    std::filesystem::create_directories(directory);
    std::string options = "size=" + size + ",mode=0755";
    if (::mount("tmpfs", directory.c_str(), "tmpfs", flags, options.c_str()) != 0)
        throw std::runtime_error("mount tmpfs " + directory + ": " + std::strerror(errno));
}

void TmpfsMount::unmount() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
    mounted_ = false;
}

std::string relayTool() {
    return NOVRA_RELAY_PATH;
}

bool canMount() {
    return ::geteuid() == 0;
}

} // namespace novra::test
