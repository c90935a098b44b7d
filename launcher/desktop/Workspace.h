#pragma once
// Opening a game's application bundle, and the handle of the program it starts.
//
// The program is "Contents/MacOS/" + the bundle's CFBundleExecutable, started by absolute path in
// a session of its own, with the bundle's "Contents/MacOS" as working folder, standard input from
// the null device and standard output and error into a log file (replaced at each start). The
// handle holds the child's pid and a pidfd: whether it has ended is asked of the pidfd, and the
// launcher reaps its child, so no zombie stays and no recycled pid is ever taken for the game.
#include <sys/types.h>

#include <memory>
#include <string>

#include <QCoroTask>

namespace novra::platform {
class Process;
}

namespace novra {

class RunningApplication {
public:
    explicit RunningApplication(std::unique_ptr<platform::Process> process);
    ~RunningApplication();
    RunningApplication(const RunningApplication&) = delete;
    RunningApplication& operator=(const RunningApplication&) = delete;

    pid_t pid() const { return pid_; }
    // True once the program has ended (it is reaped then). Never blocks.
    bool isTerminated();

private:
    std::unique_ptr<platform::Process> process_;
    pid_t pid_;
};

using RunningApplicationPtr = std::shared_ptr<RunningApplication>;

namespace Workspace {

// Starts the application of the bundle folder `bundle`, its output going to `logFile` (its folder
// is created). Blocks briefly; throws LauncherError with a Russian message.
RunningApplicationPtr openApplication(const std::string& bundle, const std::string& logFile);
// The same on a worker thread, awaited on the main thread.
QCoro::Task<RunningApplicationPtr> open(std::string bundle, std::string logFile);

} // namespace Workspace
} // namespace novra
