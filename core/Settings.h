#pragma once
// Where builds come from, where games go, and which disks must be attached.
#include <optional>
#include <string>
#include <vector>

#include "core/Json.h"

namespace novra {

struct Settings {
    std::optional<std::string> sourceURL;
    std::string host;
    std::string remoteRoot;
    std::string library;
    std::vector<std::string> requiredVolumes;

    // All defaults; the library is computed from the current user's home at this moment.
    Settings();
    Settings(std::optional<std::string> sourceURL, std::string host, std::string remoteRoot, std::string library,
             std::vector<std::string> requiredVolumes);

    static std::string defaultSourceURL();
    static std::string defaultHost();
    static std::string defaultRemoteRoot();

    void validate() const;
    std::string sourceLabel() const;

    static Settings decode(const JsonObject& object);
    static Settings fromJSON(std::string_view text);
    Json encode() const;
    bool operator==(const Settings&) const = default;
};

} // namespace novra
