#include "platform/Detached.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

extern char** environ;

namespace novra::platform {

pid_t startDetached(const std::string& executable, const std::vector<std::string>& arguments, int output) {
    if (executable.empty() || executable.front() != '/')
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), "program path must be absolute");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, 1);
        posix_spawn_file_actions_adddup2(&actions, output, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addchdir_np(&actions, "/");

    // A new session (no controlling terminal, no signals of the starter's terminal) with default
    // signal handling and an empty mask.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> words;
    words.reserve(arguments.size() + 1);
    words.push_back(executable);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // glibc reports a failed exec (a missing or non-executable program) as the spawn's own result.
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::system_error(rc, std::generic_category(), executable);
    return pid;
}

int probeProcess(pid_t pid) {
    // 0 and negative ids address process groups, never one process.
    if (pid <= 0) return EINVAL;
    return ::kill(pid, 0) == 0 ? 0 : errno;
}

} // namespace novra::platform
