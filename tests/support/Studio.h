#pragma once
// A studio and the processes around a library, for the tests of installing and looking after
// games: releases published with the studio's tool, a second process that holds a game's install
// lock, and work killed at a chosen moment.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

#include "core/Catalog.h"

namespace novra::test {

// Publishes the bundle as release `version` of the game `id` into the build source `source`
// (`novra-publish release`, sealed with `privateKey`) and returns the game's entry of the source's
// catalog. Throws std::runtime_error with the tool's message when it fails.
Game publishRelease(const std::string& source, const std::string& bundle, const std::string& id,
                    const std::string& version, const std::string& privateKey,
                    const std::string& title = "Игра");

// Runs `work` in a child process (a fork of the test), which ends with status 0, or 1 when `work`
// throws; returns the child's process id.
pid_t runInChild(const std::function<void()>& work);

// Runs `work` in a child process (a fork of the test) and kills it with SIGKILL as soon as
// `reached` holds (when given) or `delay` has passed. True when the kill found the child still
// running; false when it had ended on its own first.
bool killWhen(const std::function<void()>& work, const std::function<bool()>& reached,
              std::chrono::nanoseconds delay);

// How many entries of `folder` have a name that `match` accepts; 0 when it cannot be read.
int countEntries(const std::string& folder, const std::function<bool(const std::string&)>& match);

// Another process holding the lock of a lock file (a game's ".install.lock") from construction
// until the object ends.
class LockHolder {
public:
    explicit LockHolder(const std::string& lockFile);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

private:
    void letGo();
    int pid_ = -1;
    int release_ = -1; // closing it lets the holder go
};

} // namespace novra::test
