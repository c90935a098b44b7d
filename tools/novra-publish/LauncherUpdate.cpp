#include "LauncherUpdate.h"

#include <filesystem>
#include <map>

#include "core/LauncherCore.h"
#include "packaging/Ustar.h"
#include "packaging/WorkFolder.h"
#include "platform/BundleSeal.h"
#include "platform/Files.h"
#include "selfupdate/SelfUpdateCore.h"

namespace fs = std::filesystem;

namespace novra::publish {

bool launcherUpdate(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--build" || a == "--version" || a == "--key") {
            if (i + 1 >= args.size() || options.count(a)) return false;
            options[a] = args[++i];
        } else if (a.rfind("--", 0) == 0) {
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2 || options.size() != 3) return false;
    const std::string& root = positional[0];
    const std::string& bundle = positional[1];
    const std::string& version = options["--version"];
    const std::string& key = options["--key"];

    auto build = SelfUpdateCore::parseDecimal(options["--build"]);
    require(build.has_value(), "Неверный номер сборки: " + options["--build"]);
    // The version names the package file: one piece of a path, nothing that climbs or nests.
    const std::string archive = "packages/" + version + ".tar.gz";
    require(!version.empty() && version.find('/') == std::string::npos && safeRelative(archive),
            "Неверная версия: " + version);
    require(fs::is_directory(root), "Нет папки источника сборок: " + root);
    require(fs::is_directory(bundle), "Нет приложения: " + bundle);

    LauncherUpdate update;
    update.schema = 1;
    update.build = *build;
    update.release.version = version;
    update.release.archive = archive;
    update.release.app = std::string(SelfUpdateCore::kBundleName);
    update.release.bundleID = std::string(SelfUpdateCore::kBundleID);
    update.release.architecture = "universal";
    update.release.minimumSystem = 13;
    update.release.saves = "external";

    // The seal check trusts exactly the studio key that seals this release.
    platform::trustSealKeys(platform::sealPublicKey(key));

    // Below the source root, so that the package is renamed into place on the same disk.
    packaging::WorkFolder work(root, ".publish-");
    const std::string sealed = work / std::string(SelfUpdateCore::kBundleName);
    fs::copy(bundle, sealed, fs::copy_options::recursive);
    platform::sealBundle(sealed, key);

    const std::string package = work / "package.tar.gz";
    packaging::PackageStats stats = packaging::writePackage(sealed, std::string(SelfUpdateCore::kBundleName), package);
    update.release.sha256 = LauncherCore::hash(package);
    update.release.bytes = static_cast<int64_t>(fs::file_size(package));
    update.release.expandedBytes = stats.expandedBytes;
    update.validate();
    SelfUpdateCore::validate(sealed, update);

    // The package as the launcher will take it: size, digest, unpacking, the application and its
    // seal, then what makes it the launcher update.
    const std::string unpacked = work / "unpacked";
    fs::create_directory(unpacked);
    OperationControl control;
    LauncherCore::checkPackage(package, update.release, control);
    LauncherCore::unpackApp(package, update.release, unpacked, control);
    SelfUpdateCore::validate(unpacked + "/" + update.release.app, update);

    fs::create_directories(root + "/packages");
    fs::rename(package, root + "/" + archive);
    LauncherCore::atomicJSON(update.encode(), root + "/launcher-update.json");
    return true;
}

} // namespace novra::publish
