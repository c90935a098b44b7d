#pragma once
// Child processes started by absolute path with an explicit argument list (never a shell).
#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace novra::platform {

// Where one standard stream of the child goes.
struct Redirect {
    enum class Kind {
        Inherit, // the parent's own stream
        Null,    // the null device
        Capture, // a pipe drained in the background while the child runs; read with captured()
        Stream,  // a pipe whose read end the caller reads itself (streamFd())
        Fd,      // a descriptor of the caller, duplicated onto the stream
    };
    Kind kind = Kind::Inherit;
    int fd = -1;

    static Redirect inherit() { return {Kind::Inherit, -1}; }
    static Redirect null() { return {Kind::Null, -1}; }
    static Redirect capture() { return {Kind::Capture, -1}; }
    static Redirect stream() { return {Kind::Stream, -1}; }
    static Redirect descriptor(int fd) { return {Kind::Fd, fd}; }
};

// One child process. Not copyable; shared between a worker thread (launch, wait, read) and the
// thread that may cancel (terminate), which never blocks.
class Process {
public:
    Process(std::string executable, std::vector<std::string> arguments);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    Redirect standardInput = Redirect::inherit();
    Redirect standardOutput = Redirect::inherit();
    Redirect standardError = Redirect::inherit();
    // Starts the child in a session of its own (no controlling terminal, its own process group).
    bool newSession = false;
    // The child's working directory; empty keeps the parent's.
    std::string workingDirectory;
    // What happens when the object ends while the child runs: true kills it (a helper nobody waits
    // for any more); false leaves it running (a program the user started), to be reaped by whoever
    // inherits it. Only for children without Capture streams.
    bool killOnDestruction = true;

    const std::string& executable() const { return executable_; }
    const std::vector<std::string>& arguments() const { return arguments_; }

    // Starts the child; throws std::system_error when it cannot be started (missing program included).
    void launch();
    bool launched() const;
    pid_t pid() const;
    // True while the child has been launched and has not exited. Never blocks.
    bool isRunning();
    // Sends SIGTERM when the child runs. Safe from any thread; never blocks; a no-op before launch
    // and after exit.
    void terminate();
    // Sends SIGKILL when the child runs.
    void kill();
    // Blocks until the child exits and returns its exit status (128 + signal when a signal ended it).
    int wait();
    // Waits at most `seconds`; true when the child has exited.
    bool waitFor(double seconds);
    // Exit status once the child has been waited for.
    int exitStatus() const;

    // Read end of a Stream pipe (-1 when the stream is not Stream). Owned by the process object.
    int streamFd(int which) const;
    // Closes the read end of a Stream pipe (the child then gets SIGPIPE/EPIPE on writing).
    void closeStream(int which);
    // What a Capture stream delivered (its first 1 MiB; the rest is read and dropped). Waits for the
    // child first. Output still buffered in the pipe when the child exits is included; a grandchild
    // that keeps the pipe open is not waited for.
    std::string captured(int which);

private:
    bool reap(bool block);
    void drain(int pidfd);
    void joinDrainer();

    std::string executable_;
    std::vector<std::string> arguments_;
    mutable std::mutex mutex_;
    pid_t pid_ = -1;
    int pidfd_ = -1;
    bool launched_ = false;
    bool reaped_ = false;
    int status_ = -1;
    int streamFds_[3] = {-1, -1, -1};
    int captureFds_[3] = {-1, -1, -1};
    std::string captured_[3];
    // Guards starting and joining the drainer, so that several threads may wait at once.
    std::mutex drainerMutex_;
    std::thread drainer_;
};

} // namespace novra::platform
