#pragma once
// Stand-ins for the system tools the launcher starts, and the children they leave.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/OperationControl.h"
#include "core/Transfer.h"
#include "platform/Tools.h"

namespace novra::test {

// Writes an executable /bin/sh script with `body` after the "#!/bin/sh" line.
void writeScript(const std::string& path, const std::string& body);

// Points one entry of the tool table at another program for the life of the object.
class ScopedTool {
public:
    ScopedTool(std::string platform::ToolPaths::*entry, std::string path);
    ~ScopedTool();
    ScopedTool(const ScopedTool&) = delete;
    ScopedTool& operator=(const ScopedTool&) = delete;

private:
    std::string platform::ToolPaths::*entry_;
    std::string previous_;
};

// A script that records its process id and then replaces itself with `program`, given `leading`
// arguments before its own. The recorded id is therefore the real tool's.
class ToolWrapper {
public:
    ToolWrapper(const std::string& directory, const std::string& name, const std::string& program,
                const std::vector<std::string>& leading = {});
    const std::string& path() const { return path_; }
    // Process id of the tool started last; none before the first start.
    std::optional<int> lastPid() const;

private:
    std::string path_;
    std::string pidFile_;
};

// True while a process with this id exists (a zombie included).
bool processExists(int pid);

// Runs `transfer` on another thread, giving it a progress callback; cancels `control` a moment after
// the first bytes are reported and waits up to ten seconds for the transfer to end, then runs
// `unblock` (which lets a stalled child go). The outcome as messageOf() gives it ("(cancelled)" for
// a cancellation), or "no bytes arrived" / "still running after the cancel".
std::string cancelOnceStarted(OperationControl& control, const std::function<void(const Progress&)>& transfer,
                              const std::function<void()>& unblock = {});

} // namespace novra::test
