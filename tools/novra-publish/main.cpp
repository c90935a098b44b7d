// novra-publish: the studio's release tool. Each command checks with the launcher's own rules.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/LauncherCore.h"
#include "packaging/Ustar.h"
#include "platform/BundleSeal.h"
#include "platform/Files.h"
#include "platform/PropertyList.h"
#include "LauncherUpdate.h"

namespace fs = std::filesystem;

namespace {

int usage() {
    std::cerr << "Использование:\n"
                 "  novra-publish check-catalog FILE\n"
                 "  novra-publish keygen PRIVATE PUBLIC\n"
                 "  novra-publish seal BUNDLE PRIVATE\n"
                 "  novra-publish release SOURCE_ROOT BUNDLE --id ID --version V --key PRIVATE\n"
                 "      [--title T] [--summary S] [--symbol S] [--category game|demoscene] [--notes N]\n"
                 "      [--minimum-system N] [--architecture arm64|universal|x86_64]\n"
                 "  novra-publish check-package PACKAGE --release RELEASE_JSON --key PUBLIC\n"
                 "  novra-publish unpack ARCHIVE DIR EXPANDED_BYTES\n"
                 "  novra-publish launcher-update SOURCE_ROOT BUNDLE --build N --version V --key PRIVATE\n";
    return 2;
}

// Any failure is one line on standard error.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

int checkCatalog(const std::vector<std::string>& args) {
    if (args.size() != 1) return usage();
    novra::LauncherCore::loadCatalog(args[0]);
    return 0;
}

// A new Ed25519 key pair; the private key file is created with permissions 0600 and never
// replaces an existing file.
int keygen(const std::vector<std::string>& args) {
    if (args.size() != 2) return usage();
    novra::platform::generateSealKeys(args[0], args[1]);
    return 0;
}

int seal(const std::vector<std::string>& args) {
    if (args.size() != 2) return usage();
    novra::platform::sealBundle(args[0], args[1]);
    return 0;
}

// Removes a file or folder at the end of scope unless dismissed; errors are ignored.
class Cleanup {
public:
    explicit Cleanup(std::string path) : path_(std::move(path)) {}
    ~Cleanup() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    Cleanup(const Cleanup&) = delete;
    Cleanup& operator=(const Cleanup&) = delete;
    void dismiss() { path_.clear(); }

private:
    std::string path_;
};

// "--name value" options after the positional arguments. Nullopt for a malformed list.
std::optional<std::map<std::string, std::string>> options(const std::vector<std::string>& args, size_t first,
                                                           const std::vector<std::string>& known) {
    std::map<std::string, std::string> result;
    for (size_t i = first; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if (i + 1 >= args.size() || std::find(known.begin(), known.end(), name) == known.end()) return std::nullopt;
        result[name] = args[i + 1];
    }
    return result;
}

// What the launcher does with a downloaded package short of moving it into a library: size and
// digest, unpacking into a temporary folder, verifying the application with the trusted keys.
void verifyPackage(const std::string& package, const novra::Release& release) {
    release.validate();
    novra::OperationControl control;
    novra::LauncherCore::checkPackage(package, release, control);
    std::string scratch = (fs::temp_directory_path() / (".novra-check-" + novra::platform::uuidText())).string();
    fs::create_directory(scratch);
    Cleanup removeScratch(scratch);
    novra::LauncherCore::unpackApp(package, release, scratch, control);
}

int checkPackage(const std::vector<std::string>& args) {
    auto named = options(args, 1, {"--release", "--key"});
    if (args.empty() || !named || !named->count("--release") || !named->count("--key")) return usage();
    novra::Json document = novra::parseJson(novra::platform::readFile(named->at("--release"), 1'000'000));
    novra::Release release = novra::Release::decode(novra::JsonObject(document, ""));
    novra::platform::trustSealKeysFromFile(named->at("--key"));
    verifyPackage(args[0], release);
    return 0;
}

// Seals the bundle, writes SOURCE_ROOT/packages/V.tar.gz and adds or replaces the game in
// SOURCE_ROOT/catalog.json. The arguments and the catalog are checked before the bundle is sealed;
// the new package is checked as the launcher will check it before it replaces anything. The
// package and the catalog are each replaced in one rename.
int release(const std::vector<std::string>& args) {
    auto named = options(args, 2,
                         {"--id", "--version", "--key", "--title", "--summary", "--symbol", "--category", "--notes",
                          "--minimum-system", "--architecture"});
    if (args.size() < 2 || !named || !named->count("--id") || !named->count("--version") || !named->count("--key"))
        return usage();
    auto option = [&](const char* name) -> std::optional<std::string> {
        auto it = named->find(name);
        return it == named->end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    const std::string root = args[0];
    std::string bundle = args[1];
    while (bundle.size() > 1 && bundle.back() == '/') bundle.pop_back();
    const std::string id = *option("--id");
    const std::string version = *option("--version");
    const std::string key = *option("--key");

    novra::require(novra::validID(id), "Неверная игра");
    const std::string archive = "packages/" + version + ".tar.gz";
    novra::require(!version.empty() && version.find('/') == std::string::npos && novra::safeRelative(archive),
                   "Неверная версия релиза");
    const std::string app = fs::path(bundle).filename().string();
    novra::require(fs::is_directory(bundle) && app.size() > 4 && app.ends_with(".app"),
                   "Приложение должно быть папкой с окончанием .app");
    novra::platform::PropertyDictionary info = novra::platform::readPropertyList(bundle + "/Contents/Info.plist");
    auto bundleID = info.find("CFBundleIdentifier");
    novra::require(bundleID != info.end() && !bundleID->second.empty(), "В Info.plist приложения нет CFBundleIdentifier");

    int64_t minimumSystem = 13;
    if (auto text = option("--minimum-system")) {
        auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), minimumSystem);
        novra::require(!text->empty() && error == std::errc() && end == text->data() + text->size(),
                       "Неверное значение --minimum-system");
    }

    // The catalog as it is, then the game added or replaced in place.
    const std::string catalogFile = root + "/catalog.json";
    novra::Catalog catalog;
    if (fs::exists(catalogFile)) {
        std::string text = novra::platform::readFile(catalogFile, novra::LauncherCore::kCatalogLimit);
        novra::require(static_cast<long long>(text.size()) <= novra::LauncherCore::kCatalogLimit,
                       "Каталог слишком большой");
        catalog = novra::Catalog::fromJSON(text);
    }
    auto entry = std::find_if(catalog.games.begin(), catalog.games.end(), [&](const auto& g) { return g.id == id; });
    if (entry == catalog.games.end()) {
        novra::Game game;
        game.id = id;
        auto name = info.find("CFBundleName");
        game.title = name != info.end() && !name->second.empty() ? name->second : app.substr(0, app.size() - 4);
        game.symbol = "gamecontroller";
        catalog.games.push_back(game);
        entry = catalog.games.end() - 1;
    }
    novra::Game& game = *entry;
    if (auto v = option("--title")) game.title = *v;
    if (auto v = option("--summary")) game.summary = *v;
    if (auto v = option("--symbol")) game.symbol = *v;
    if (auto v = option("--category")) game.category = *v;

    novra::Release& published = game.release.emplace();
    published.version = version;
    published.archive = archive;
    published.app = app;
    published.bundleID = bundleID->second;
    published.architecture = option("--architecture").value_or("arm64");
    published.minimumSystem = minimumSystem;
    published.notes = option("--notes").value_or("");
    published.saves = "external";
    // Until the package exists, stand-in figures let the launcher's rules judge everything else.
    published.sha256 = std::string(64, '0');
    published.bytes = 1;
    published.expandedBytes = 1;
    catalog.validate();

    novra::platform::sealBundle(bundle, key);
    fs::create_directories(root + "/packages");
    const std::string package = root + "/" + archive;
    const std::string temporary = root + "/packages/." + novra::platform::uuidText() + ".tmp";
    Cleanup removeTemporary(temporary);
    novra::packaging::PackageStats stats = novra::packaging::writePackage(bundle, app, temporary);
    published.sha256 = novra::LauncherCore::hash(temporary);
    published.bytes = static_cast<int64_t>(fs::file_size(temporary));
    published.expandedBytes = stats.expandedBytes;
    catalog.validate();
    std::string encoded = novra::encodeJson(catalog.encode());
    novra::require(static_cast<long long>(encoded.size()) <= novra::LauncherCore::kCatalogLimit,
                   "Каталог слишком большой");

    // The package must install: checked exactly as the launcher will, with the key's public half.
    novra::platform::trustSealKeys(novra::platform::sealPublicKey(key));
    verifyPackage(temporary, published);

    fs::rename(temporary, package);
    removeTemporary.dismiss();
    novra::LauncherCore::atomicJSON(catalog.encode(), catalogFile);
    return 0;
}

// Expands a package exactly as the launcher does, into an existing empty folder.
int unpack(const std::vector<std::string>& args) {
    if (args.size() != 3) return usage();
    const std::string& archive = args[0];
    const std::string& directory = args[1];
    const std::string& text = args[2];
    int64_t expandedBytes = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), expandedBytes);
    // The launcher's rule for a release's "expandedBytes".
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || expandedBytes < 1 ||
        expandedBytes > 999'999'999'999)
        throw novra::LauncherError("Неверный размер пакета");
    std::error_code ec;
    auto status = std::filesystem::symlink_status(directory, ec);
    if (ec || !std::filesystem::is_directory(status) || !std::filesystem::is_empty(directory, ec) || ec)
        throw novra::LauncherError("Папка для распаковки должна существовать и быть пустой");
    novra::OperationControl control;
    novra::LauncherCore::unpack(archive, directory, expandedBytes, control);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "check-catalog") return checkCatalog(args);
        if (command == "keygen") return keygen(args);
        if (command == "seal") return seal(args);
        if (command == "release") return release(args);
        if (command == "check-package") return checkPackage(args);
        if (command == "launcher-update") return novra::publish::launcherUpdate(args) ? 0 : usage();
        if (command == "unpack") return unpack(args);
        return usage();
    } catch (const std::system_error& e) {
        std::cerr << oneLine(e.what()) << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << oneLine(e.what()) << '\n';
        return 1;
    }
}
