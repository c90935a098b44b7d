#pragma once
// The catalog, its games and releases, and the record of an installed version.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Json.h"

namespace novra {

// 1 to 80 characters of ASCII lowercase letters, digits and "-", not starting with "-".
bool validID(std::string_view id);
// Usable as a relative path below a chosen directory: non-empty, not absolute, no backslash, no
// control character, no empty, "." or ".." piece.
bool safeRelative(std::string_view path);

// Seconds since 2001-01-01T00:00:00Z, the date form of every core document.
using Date = double;
Date dateNow();
// Converts between Unix seconds and the documents' dates.
constexpr double kUnixSecondsAt2001 = 978307200.0;

struct Release {
    std::string version;
    std::string sha256;
    std::string archive;
    int64_t bytes = 0;
    int64_t expandedBytes = 0;
    std::string app;
    std::string bundleID;
    std::string architecture;
    int64_t minimumSystem = 0;
    std::string notes;
    std::string saves;

    void validate() const;
    static Release decode(const JsonObject& object);
    Json encode() const;
    bool operator==(const Release&) const = default;
};

struct Game {
    std::string id;
    std::string title;
    std::string summary;
    std::string symbol;
    std::optional<Release> release;
    std::optional<std::string> category;

    bool isDemo() const { return category && *category == "demoscene"; }
    static Game decode(const JsonObject& object);
    Json encode() const;
    bool operator==(const Game&) const = default;
};

struct Catalog {
    int64_t schema = 1;
    std::vector<Game> games;

    void validate() const;
    static Catalog decode(const JsonObject& object);
    static Catalog fromJSON(std::string_view text);
    Json encode() const;
    bool operator==(const Catalog&) const = default;
};

struct Installed {
    Release release;
    Date installedAt = 0;
    std::string directory;

    static Installed decode(const JsonObject& object);
    static Installed fromJSON(std::string_view text);
    Json encode() const;
    bool operator==(const Installed&) const = default;
};

} // namespace novra
