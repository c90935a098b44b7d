// novra-publish: the studio's release tool. Each command checks with the launcher's own rules.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/LauncherCore.h"
#include "platform/BundleSeal.h"
#include "LauncherUpdate.h"

namespace {

int usage() {
    std::cerr << "Использование:\n"
                 "  novra-publish check-catalog FILE\n"
                 "  novra-publish keygen PRIVATE PUBLIC\n"
                 "  novra-publish seal BUNDLE PRIVATE\n"
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
