#pragma once
// Helpers shared by the tests: temporary folders, files, and running programs.
#include <memory>
#include <optional>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace novra::test {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it at the end of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);
bool exists(const std::string& path);
// Waits up to `seconds` for `path` to exist; true when it does.
bool waitForFile(const std::string& path, double seconds = 10);
// `size` pseudo-random bytes (which gzip cannot shrink), the same for the same seed.
std::string randomBytes(size_t size, unsigned seed = 1);
// Every path below `root`, relative to it, sorted ("a", "a/b", ...).
std::vector<std::string> listTree(const std::string& root);
// Every entry below `root`, relative to it, with its kind, mode and contents ("d 755", "f 755 BYTES"),
// to compare whole trees.
std::map<std::string, std::string> snapshot(const std::string& root);

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};
// Runs a program by absolute path with an argument list and captures both outputs.
RunResult run(const std::string& program, const std::vector<std::string>& arguments);
// A program that refused: exit status `status`, `err` as its whole standard error, nothing on
// standard output.
void expectRefusal(const RunResult& result, const std::string& err, int status = 1);

// The LauncherError message the action throws, "(cancelled)" for a cancellation, "" when it
// returns normally. Other errors propagate.
std::string messageOf(const std::function<void()>& action);

// Absolute path of the studio's tool built with the tests.
std::string publishTool();

// Sets (or, with none, removes) an environment variable for the life of the object, then puts
// back what was there. Child processes started meanwhile inherit the change.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(ScopedEnv&& other) noexcept;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ScopedEnv& operator=(ScopedEnv&&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
    bool active_ = true;
};

// Clears the variables through which the desktop the process runs on could reach it (session bus,
// display, desktop session, keyring, proxies, a test origin) and gives it a runtime folder of its
// own, which lasts as long as the returned folder. Test programs call it first thing.
std::unique_ptr<TempDir> leaveTheDesktop();

} // namespace novra::test
