#include "support/ToolWrapper.h"

#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <stdexcept>

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

} // namespace novra::test
