#include "platform/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace novra::platform {

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/";
}

std::string stateFolder() {
#ifdef __APPLE__
    return homeDirectory() + "/Library/Application Support/NOVRA Launcher";
#else
    const char* xdg = std::getenv("XDG_DATA_HOME");
    // XDG base directories must be absolute; a relative value is ignored.
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/NOVRA Launcher";
    std::string home = homeDirectory();
    if (home.size() > 1 && home.back() == '/') home.pop_back();
    return (home == "/" ? std::string() : home) + "/.local/share/NOVRA Launcher";
#endif
}

std::string defaultLibrary() { return stateFolder() + "/Games"; }

std::string executablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) throw std::system_error(errno, std::generic_category(), "/proc/self/exe");
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::string> runningBundle() {
    std::string path = executablePath();
    const std::string marker = "/Contents/MacOS/";
    size_t at = path.rfind(marker);
    if (at == std::string::npos || at == 0 || path.find('/', at + marker.size()) != std::string::npos ||
        at + marker.size() == path.size())
        return std::nullopt;
    return path.substr(0, at);
}

} // namespace novra::platform
