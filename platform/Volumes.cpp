#include "platform/Volumes.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <system_error>

#include "platform/Files.h"

namespace novra::platform {
namespace {

// Decodes the \ooo escapes the kernel writes for space, tab, newline and backslash.
std::string unescapeMountField(std::string_view field) {
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
            octal(field[i + 3])) {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

bool contains(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/") return true;
    return path.size() >= mountPoint.size() && path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

// The path with symbolic links resolved; pieces that do not exist yet are kept as written.
std::string resolve(const std::string& path) {
    std::string probe = path;
    std::string rest;
    for (;;) {
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(probe.c_str(), nullptr), &std::free);
        if (resolved) {
            std::string result = resolved.get();
            if (result == "/" && !rest.empty()) return rest;
            return result + rest;
        }
        if (errno != ENOENT || probe == "/") throw std::system_error(errno, std::generic_category(), path);
        size_t slash = probe.rfind('/');
        rest = probe.substr(slash) + rest;
        probe = slash == 0 ? "/" : probe.substr(0, slash);
    }
}

} // namespace

std::vector<std::string> parseMountPoints(std::string_view mountinfo) {
    // Each line: id parent major:minor root mount-point options ... - type source super-options
    std::vector<std::string> points;
    size_t start = 0;
    while (start < mountinfo.size()) {
        size_t end = mountinfo.find('\n', start);
        if (end == std::string_view::npos) end = mountinfo.size();
        std::string_view line = mountinfo.substr(start, end - start);
        start = end + 1;
        size_t pos = 0;
        std::string_view field;
        for (int index = 0; index <= 4; ++index) {
            while (pos < line.size() && line[pos] == ' ') ++pos;
            size_t space = line.find(' ', pos);
            if (space == std::string_view::npos) space = line.size();
            field = line.substr(pos, space - pos);
            pos = space;
        }
        if (!field.empty() && field.front() == '/') points.push_back(unescapeMountField(field));
    }
    return points;
}

std::optional<std::string> volumeRoot(const std::string& path) {
    if (path.empty() || path.front() != '/') return std::nullopt;
    std::string resolved = resolve(path);
    std::vector<std::string> points = parseMountPoints(readFile("/proc/self/mountinfo"));
    std::optional<std::string> best;
    for (const std::string& point : points) {
        // A later entry with the same mount point is mounted over the earlier one.
        if (contains(point, resolved) && (!best || point.size() >= best->size())) best = point;
    }
    return best;
}

int64_t freeSpace(const std::string& path) {
    struct statvfs info {};
    if (::statvfs(path.c_str(), &info) != 0) throw std::system_error(errno, std::generic_category(), path);
    unsigned long unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    unsigned long long bytes = static_cast<unsigned long long>(info.f_bavail) * unit;
    return bytes > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(bytes);
}

bool isWritable(const std::string& path) { return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0; }

std::optional<std::string> mediaVolumeRoot(std::string_view path, std::string_view userName) {
    auto startsWith = [&](std::string_view prefix) { return path.substr(0, prefix.size()) == prefix; };
    // The piece of `path` that starts at `offset`, up to the next "/".
    auto piece = [&](size_t offset) {
        if (offset >= path.size()) return std::string_view();
        size_t slash = path.find('/', offset);
        return path.substr(offset, slash == std::string_view::npos ? std::string_view::npos : slash - offset);
    };
    auto rootWithPieces = [&](std::string_view prefix, int pieces) {
        size_t offset = prefix.size();
        std::string root(prefix);
        for (int i = 0; i < pieces; ++i) {
            std::string_view p = piece(offset);
            root += p;
            offset += p.size() + 1;
            if (i + 1 < pieces) root += '/';
        }
        return root;
    };
    if (startsWith("/Volumes/")) return rootWithPieces("/Volumes/", 1);
    if (startsWith("/run/media/")) return rootWithPieces("/run/media/", 2);
    if (startsWith("/media/")) {
        bool perUser = !userName.empty() && piece(7) == userName;
        return rootWithPieces("/media/", perUser ? 2 : 1);
    }
    return std::nullopt;
}

std::string currentUserName() {
    if (passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name) return entry->pw_name;
    return "";
}

} // namespace novra::platform
