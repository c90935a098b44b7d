#include "launcher/desktop/Workspace.h"

#include <filesystem>

#include "core/Catalog.h"
#include "core/LauncherError.h"
#include "launcher/library/Background.h"
#include "launcher/library/UserMessage.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"

namespace fs = std::filesystem;

namespace novra {
namespace {

const std::string kCannotStart = "Не удалось запустить игру: ";

} // namespace

RunningApplication::RunningApplication(std::unique_ptr<platform::Process> process)
    : process_(std::move(process)), pid_(process_->pid()) {}

RunningApplication::~RunningApplication() = default;

bool RunningApplication::isTerminated() { return !process_->isRunning(); }

namespace Workspace {

RunningApplicationPtr openApplication(const std::string& bundle, const std::string& logFile) {
    std::string executable;
    try {
        platform::PropertyDictionary info = platform::readPropertyList(bundle + "/Contents/Info.plist");
        auto found = info.find("CFBundleExecutable");
        if (found != info.end()) executable = found->second;
    } catch (const std::exception&) {
    }
    const std::string folder = bundle + "/Contents/MacOS";
    const std::string program = folder + "/" + executable;
    if (!safeRelative(executable) || executable.find('/') != std::string::npos || !platform::isExecutableFile(program))
        throw LauncherError(kCannotStart + "в приложении нет исполняемого файла");

    try {
        fs::create_directories(fs::path(logFile).parent_path());
        platform::File log = platform::File::createForWriting(logFile);
        auto process = std::make_unique<platform::Process>(program, std::vector<std::string>{});
        process->standardInput = platform::Redirect::null();
        process->standardOutput = platform::Redirect::descriptor(log.descriptor());
        process->standardError = platform::Redirect::descriptor(log.descriptor());
        process->workingDirectory = folder;
        process->newSession = true;
        process->killOnDestruction = false;
        process->launch();
        return std::make_shared<RunningApplication>(std::move(process));
    } catch (const std::exception& e) {
        throw LauncherError(kCannotStart + userMessage(e).toStdString());
    }
}

QCoro::Task<RunningApplicationPtr> open(std::string bundle, std::string logFile) {
    QCoro::Task<RunningApplicationPtr> task = inBackground([bundle, logFile] { return openApplication(bundle, logFile); });
    co_return co_await task;
}

} // namespace Workspace
} // namespace novra
