#include "support/Studio.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <thread>

#include "core/LauncherCore.h"
#include "platform/RecordLock.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace novra::test {

Game publishRelease(const std::string& source, const std::string& bundle, const std::string& id,
                    const std::string& version, const std::string& privateKey, const std::string& title) {
    RunResult result = run(publishTool(), {"release", source, bundle, "--id", id, "--version", version,
                                           "--key", privateKey, "--title", title});
    if (result.status != 0 || !result.err.empty())
        throw std::runtime_error("novra-publish release failed: " + result.err);
    for (const Game& game : LauncherCore::loadCatalog(source + "/catalog.json").games)
        if (game.id == id) return game;
    throw std::runtime_error("the published game is not in the catalog: " + id);
}

pid_t runInChild(const std::function<void()>& work) {
    pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork");
    if (child == 0) {
        try {
            work();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    return child;
}

bool killWhen(const std::function<void()>& work, const std::function<bool()>& reached,
              std::chrono::nanoseconds delay) {
    pid_t child = runInChild(work);
    const auto end = std::chrono::steady_clock::now() + delay;
    int status = 0;
    while (!(reached && reached()) && std::chrono::steady_clock::now() < end) {
        if (::waitpid(child, &status, WNOHANG) == child) return false;
        std::this_thread::sleep_for(20us);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status);
}

int countEntries(const std::string& folder, const std::function<bool(const std::string&)>& match) {
    std::error_code ec;
    int n = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        n += match(it->path().filename().string()) ? 1 : 0;
    return n;
}

LockHolder::LockHolder(const std::string& lockFile) {
    int held[2], release[2];
    if (::pipe(held) != 0 || ::pipe(release) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
        ::close(held[0]);
        ::close(release[1]);
        char answer = 'n';
        std::optional<platform::RecordLock> lock;
        try {
            lock.emplace(lockFile);
            answer = lock->tryLock() ? 'y' : 'n';
        } catch (...) {
        }
        if (::write(held[1], &answer, 1) != 1) ::_exit(1);
        // Holds the lock until the test closes its end of the pipe (or ends).
        char ignored;
        while (::read(release[0], &ignored, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(held[1]);
    ::close(release[0]);
    release_ = release[1];
    char answer = 0;
    const bool told = ::read(held[0], &answer, 1) == 1;
    ::close(held[0]);
    if (!told || answer != 'y') {
        letGo();
        throw std::runtime_error("the second process could not take the lock " + lockFile);
    }
}

LockHolder::~LockHolder() {
    letGo();
}

void LockHolder::letGo() {
    if (pid_ < 0) return;
    ::close(release_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

} // namespace novra::test
