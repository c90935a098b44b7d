#include "support/TestSupport.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "core/LauncherError.h"
#include "platform/Process.h"

namespace fs = std::filesystem;

namespace novra::test {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/novra-test-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make read-only folders at times; make everything removable first.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

void writeFile(const std::string& path, const std::string& contents) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool waitForFile(const std::string& path, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!exists(path)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator());
    return bytes;
}

std::vector<std::string> listTree(const std::string& root) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        paths.push_back(fs::relative(entry.path(), root).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        std::string relative = it->path().string().substr(root.size() + 1);
        auto status = it->symlink_status();
        char mode[8];
        std::snprintf(mode, sizeof mode, "%o", static_cast<unsigned>(status.permissions()) & 0777u);
        if (fs::is_directory(status))
            entries[relative] = std::string("d ") + mode;
        else if (fs::is_regular_file(status))
            entries[relative] = std::string("f ") + mode + " " + readFile(it->path().string());
        else
            entries[relative] = "other";
    }
    return entries;
}

RunResult run(const std::string& program, const std::vector<std::string>& arguments) {
    platform::Process process(program, arguments);
    process.standardInput = platform::Redirect::null();
    process.standardOutput = platform::Redirect::capture();
    process.standardError = platform::Redirect::capture();
    process.launch();
    RunResult result;
    result.status = process.wait();
    result.out = process.captured(1);
    result.err = process.captured(2);
    return result;
}

void expectRefusal(const RunResult& result, const std::string& err, int status) {
    EXPECT_EQ(result.status, status) << err;
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.out, "") << err;
}

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const LauncherError& e) {
        return e.message();
    } catch (const CancellationError&) {
        return "(cancelled)";
    }
    return "";
}

std::string publishTool() { return NOVRA_PUBLISH_PATH; }

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    if (value)
        ::setenv(name_.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

ScopedEnv::ScopedEnv(ScopedEnv&& other) noexcept
    : name_(std::move(other.name_)), previous_(std::move(other.previous_)), active_(other.active_) {
    other.active_ = false;
}

ScopedEnv::~ScopedEnv() {
    if (!active_) return;
    if (previous_)
        ::setenv(name_.c_str(), previous_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

std::unique_ptr<TempDir> leaveTheDesktop() {
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                             "DESKTOP_SESSION", "KDE_FULL_SESSION", "KDE_SESSION_VERSION", "GNOME_DESKTOP_SESSION_ID",
                             "GNOME_KEYRING_CONTROL", "NOVRA_SOCIAL_TEST_ORIGIN", "http_proxy", "HTTP_PROXY",
                             "https_proxy", "HTTPS_PROXY"})
        ::unsetenv(name);
    // A runtime folder of our own, so that no bus socket of the user's session is found there.
    auto runtime = std::make_unique<TempDir>();
    ::chmod(runtime->path().c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime->path().c_str(), 1);
    return runtime;
}

} // namespace novra::test
