#pragma once
// Helpers of the self-update tests: a private tmpfs, and waiting for files that other processes write.
#include <string>

namespace novra::test {

// A tmpfs mounted on a fresh directory for the life of the object (root only; see canMount()).
class TmpfsMount {
public:
    explicit TmpfsMount(const std::string& directory, const std::string& size = "16m");
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};
// True when this process may mount file systems (it runs as root).
bool canMount();

// Waits up to `seconds` for `path` to exist; true when it does.
bool waitForFile(const std::string& path, double seconds = 10);

} // namespace novra::test
