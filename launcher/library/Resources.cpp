#include "launcher/library/Resources.h"

#include <mutex>
#include <optional>

#include "platform/Paths.h"

namespace novra {
namespace {

std::mutex lock;
std::optional<std::string> chosen;

} // namespace

std::string resourceFolder() {
    {
        std::lock_guard guard(lock);
        if (chosen) return *chosen;
    }
    try {
        if (std::optional<std::string> bundle = platform::runningBundle()) return *bundle + "/Contents/Resources";
    } catch (const std::exception&) {
    }
    return {};
}

void setResourceFolder(std::string folder) {
    std::lock_guard guard(lock);
    chosen = std::move(folder);
}

std::string resourcePath(const std::string& name) {
    std::string folder = resourceFolder();
    return folder.empty() ? std::string() : folder + "/" + name;
}

} // namespace novra
