#include "support/SelfUpdateSupport.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "support/TestSupport.h"

namespace novra::test {

TmpfsMount::TmpfsMount(const std::string& directory, const std::string& size) : path_(directory) {
    std::filesystem::create_directories(directory);
    std::string options = "size=" + size + ",mode=0755";
    if (::mount("tmpfs", directory.c_str(), "tmpfs", 0, options.c_str()) != 0)
        throw std::runtime_error("mount tmpfs " + directory + ": " + std::strerror(errno));
}

TmpfsMount::~TmpfsMount() { ::umount2(path_.c_str(), MNT_DETACH); }

bool canMount() { return ::geteuid() == 0; }

bool waitForFile(const std::string& path, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!exists(path)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace novra::test
