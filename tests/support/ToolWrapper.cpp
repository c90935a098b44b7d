#include "support/ToolWrapper.h"

#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "core/Transfer.h"
#include "support/TestSupport.h"

namespace novra::test {

void writeScript(const std::string& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    if (::chmod(path.c_str(), 0755) != 0) throw std::runtime_error("chmod failed: " + path);
}

ScopedTool::ScopedTool(std::string platform::ToolPaths::*entry, std::string path)
    : entry_(entry), previous_(platform::tools().*entry) {
    platform::tools().*entry_ = std::move(path);
}

ScopedTool::~ScopedTool() { platform::tools().*entry_ = previous_; }

ToolWrapper::ToolWrapper(const std::string& directory, const std::string& name, const std::string& program,
                         const std::vector<std::string>& leading)
    : path_(directory + "/" + name), pidFile_(directory + "/" + name + ".pid") {
    std::string command = "exec " + shellQuote(program);
    for (const auto& argument : leading) command += " " + shellQuote(argument);
    writeScript(path_, "echo $$ > " + shellQuote(pidFile_) + "\n" + command + " \"$@\"");
}

std::optional<int> ToolWrapper::lastPid() const {
    if (!exists(pidFile_)) return std::nullopt;
    return std::stoi(readFile(pidFile_));
}

bool processExists(int pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

std::string cancelOnceStarted(OperationControl& control, const std::function<void(const Progress&)>& transfer,
                              const std::function<void()>& unblock) {
    using namespace std::chrono_literals;
    std::atomic<bool> started{false};
    auto worker = std::async(std::launch::async, [&] {
        return messageOf([&] { transfer([&](double value) { started = started || value > 0; }); });
    });
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!started && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
    std::this_thread::sleep_for(300ms);
    control.cancel();
    bool ended = worker.wait_for(10s) == std::future_status::ready;
    if (unblock) unblock();
    if (!started) return "no bytes arrived";
    return ended ? worker.get() : "still running after the cancel";
}

} // namespace novra::test
