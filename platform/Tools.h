#pragma once
// Absolute paths of the system tools the launcher starts. Tests may point an entry at a wrapper;
// the argument lists given to the tools never change.
#include <string>

namespace novra::platform {

struct ToolPaths {
    std::string curl = "/usr/bin/curl";
    std::string ssh = "/usr/bin/ssh";
    std::string gzip = "/usr/bin/gzip";
};

// The table in use (process-wide). Change it only before operations start.
ToolPaths& tools();

} // namespace novra::platform
