#pragma once
// A hidden work folder below a build source's root (so that what is made there is renamed into
// place on the same disk), removed with everything in it however the work ends.
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/Files.h"

namespace novra::packaging {

class WorkFolder {
public:
    // Creates ROOT/PREFIX<UUID>; ROOT must exist. Throws std::filesystem::filesystem_error.
    WorkFolder(const std::string& root, const std::string& prefix) : path_(root + "/" + prefix + platform::uuidText()) {
        std::filesystem::create_directory(path_);
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

} // namespace novra::packaging
