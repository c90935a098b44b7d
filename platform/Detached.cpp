#include "platform/Detached.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

extern char** environ;

namespace novra::platform {

namespace {

// posix_spawn of `program` with `words` as its arguments (argument 0 first), detached as
// startDetached() describes. `inherited` (when >= 0) stays open in the program.
pid_t spawnDetached(const std::string& program, std::vector<std::string> words, int output, int inherited,
                    const std::string& name) {
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
    // A descriptor duplicated onto itself loses its close-on-exec flag in the child only.
    if (inherited >= 0) posix_spawn_file_actions_adddup2(&actions, inherited, inherited);
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

    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // glibc reports a failed exec (a missing or non-executable program) as the spawn's own result.
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::system_error(rc, std::generic_category(), name);
    return pid;
}

} // namespace

pid_t startDetached(const std::string& executable, const std::vector<std::string>& arguments, int output) {
    if (executable.empty() || executable.front() != '/')
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                "program path must be absolute");
    std::vector<std::string> words{executable};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return spawnDetached(executable, std::move(words), output, -1, executable);
}

pid_t startDetached(int executable, const std::string& name, const std::vector<std::string>& arguments,
                    int output) {
    // The program is the open file itself. A script keeps the descriptor, since its interpreter
    // reads the script through it; a binary is loaded before the descriptor closes.
    std::vector<std::string> words{name};
    words.insert(words.end(), arguments.begin(), arguments.end());
    char start[2] = {};
    bool script = ::pread(executable, start, sizeof start, 0) == 2 && start[0] == '#' && start[1] == '!';
    std::string program = "/proc/self/fd/" + std::to_string(executable);
    return spawnDetached(program, std::move(words), output, script ? executable : -1, name);
}

int probeProcess(pid_t pid) {
    // 0 and negative ids address process groups, never one process.
    if (pid <= 0) return EINVAL;
    return ::kill(pid, 0) == 0 ? 0 : errno;
}

} // namespace novra::platform
