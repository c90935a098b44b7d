// NovraHub, the launcher application: one instance per desktop session, the library window, the
// tray, the application delegate, play tracking and the models. Everything lives in the novra_app
// library; this only builds the application around it.
#include <cstdio>
#include <exception>

#include <QApplication>
#include <QCoroQml>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QSessionManager>
#include <QWindow>

#include "launcher/desktop/IconTheme.h"
#include "launcher/desktop/QtTexts.h"
#include "launcher/desktop/QuitSignals.h"
#include "launcher/desktop/SingleInstance.h"
#include "launcher/desktop/Tray.h"
#include "launcher/desktop/Windows.h"
#include "launcher/library/AppDelegate.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/selfupdate/LauncherSelfUpdate.h"
#include "launcher/social/model/SocialModel.h"
#include "launcher/views/FirstScreen.h"
#include "platform/Paths.h"
#include "selfupdate/BundleKeys.h"

using namespace novra;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("NOVRA"));
    QCoreApplication::setApplicationName(QStringLiteral("NOVRA Launcher"));
    // The views wait for the models' operations through QCoro's tasks.
    QCoro::Qml::registerTypes();

    AppDelegate& delegate = AppDelegate::shared();
    QObject::connect(&delegate, &AppDelegate::readyToQuit, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    try {
        auto* quitSignals = new QuitSignals(&application);
        QObject::connect(quitSignals, &QuitSignals::received, &delegate, &AppDelegate::terminate);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &delegate, [&delegate](QSessionManager&) {
        delegate.terminate();
    });

    SingleInstance instance;
    try {
        if (instance.claim() == SingleInstance::Claim::Activated) return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    QObject::connect(&instance, &SingleInstance::activationRequested, &delegate, &AppDelegate::reopen);

    // What this bundle installs must carry a seal of one of the keys it ships.
    try {
        if (std::optional<std::string> bundle = platform::runningBundle()) trustBundleKeys(*bundle);
    } catch (const std::exception&) {
        // Not in a bundle: nothing is trusted, every install is refused.
    }

    desktop::useRussianQtTexts();
    desktop::useSymbolTheme();
    QQuickStyle::setStyle(QStringLiteral("Basic"));

    delegate.applicationDidFinishLaunching();
    SocialModel& social = SocialModel::shared();
    LibraryModel& model = LibraryModel::shared();
    // Checks after every refresh, and finishes what the last update of the launcher left behind.
    LauncherSelfUpdate::shared();

    // The first screen's images are decoded on other cores while the window is being built.
    preloadFirstScreen(model.libraryGames(), model.selected());
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.load(QUrl(QStringLiteral("qrc:/Novra/Launcher/LibraryWindow.qml")));
    QWindow* window = libraryWindow();
    if (!window) return 1;
    rememberGeometry(window);
    window->show();

    LauncherTray tray(model, social);
    tray.show();
    return application.exec();
}
