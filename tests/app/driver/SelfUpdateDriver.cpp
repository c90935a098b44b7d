// Plays the launcher program in the end-to-end test of the self-update: the launcher's models
// without a window, placed as "Contents/MacOS/NovraHub" in copies of the built bundle. It finishes
// what the last update left behind, checks the build source for a newer launcher and installs it
// when there is one (the update model then ends the program for the updater). Otherwise, or when
// the install fails, it writes what it saw to the file that NOVRA_TEST_DRIVER_REPORT names and
// quits.
#include <cstdlib>
#include <optional>
#include <string>

#include <QGuiApplication>

#include "core/LauncherCore.h"
#include "launcher/library/AppDelegate.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/selfupdate/LauncherSelfUpdate.h"
#include "platform/Paths.h"
#include "selfupdate/BundleKeys.h"
#include "selfupdate/SelfUpdateCore.h"

using namespace novra;

namespace {

void reportAndQuit(const LauncherSelfUpdate& updater) {
    const std::optional<std::string> bundle = platform::runningBundle();
    Json report{{"build", bundle ? SelfUpdateCore::build(*bundle) : 0},
                {"message", updater.message().toStdString()},
                {"failure", updater.failure().toStdString()},
                {"offered", updater.available().has_value()}};
    if (const char* path = std::getenv("NOVRA_TEST_DRIVER_REPORT")) LauncherCore::atomicJSON(report, path);
    QCoreApplication::quit();
}

QCoro::Task<void> drive(LauncherSelfUpdate* updater) {
    QCoro::Task<void> checking = updater->check(LibraryModel::shared().settings());
    co_await checking;
    if (!updater->available()) {
        reportAndQuit(*updater);
        co_return;
    }
    QObject::connect(updater, &LauncherSelfUpdate::installingChanged, updater, [updater] {
        if (!updater->installing()) reportAndQuit(*updater);
    });
    updater->install();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("NOVRA"));
    QCoreApplication::setApplicationName(QStringLiteral("NOVRA Launcher"));
    if (std::optional<std::string> bundle = platform::runningBundle()) trustBundleKeys(*bundle);
    QObject::connect(&AppDelegate::shared(), &AppDelegate::readyToQuit, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    LauncherSelfUpdate* updater = &LauncherSelfUpdate::shared();
    QObject::connect(updater, &LauncherSelfUpdate::finishedPrevious, updater, [updater] { drive(updater); });
    return application.exec();
}
