#pragma once
// Programs that outlive the process that starts them, and processes known only by their id.
#include <sys/types.h>

#include <string>
#include <vector>

namespace novra::platform {

// Starts `executable` (an absolute path) with `arguments` in a new session, with the root folder as
// its working directory, and does not wait for it: the program keeps running when the starter
// ends (it is never killed or reaped by the starter). Its standard input is the null device; its
// standard output and error go to `output` when that is a descriptor (>= 0), else to the null
// device. Returns its process id. Throws std::system_error when the program cannot be started
// (missing or not executable included).
pid_t startDetached(const std::string& executable, const std::vector<std::string>& arguments, int output = -1);
// The same for a program already open for reading as the descriptor `executable`: that very file is
// started, whatever its path names by now, with `name` as its argument 0. A script ("#!") inherits
// the descriptor, through which its interpreter reads it.
pid_t startDetached(int executable, const std::string& name, const std::vector<std::string>& arguments,
                    int output = -1);

// Probes `pid` with signal 0: 0 when the process exists and may be signalled, otherwise the error
// number (ESRCH when there is no such process, EPERM when it exists but belongs to someone else).
// A process that has exited but has not yet been reaped by its parent still exists. A pid below 1
// (a process group) gives EINVAL.
int probeProcess(pid_t pid);

} // namespace novra::platform
