#include "platform/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

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
    // The base directory specification ignores relative values.
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/NOVRA Launcher";
    std::string home = homeDirectory();
    if (home.size() > 1 && home.back() == '/') home.pop_back();
    return (home == "/" ? std::string() : home) + "/.local/share/NOVRA Launcher";
#endif
}

std::string defaultLibrary() { return stateFolder() + "/Games"; }

} // namespace novra::platform
