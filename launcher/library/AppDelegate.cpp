#include "launcher/library/AppDelegate.h"

#include <QGuiApplication>
#include <QPointer>
#include <QQmlEngine>

#include "launcher/desktop/Windows.h"
#include "launcher/library/LauncherLifecycle.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/library/SocialLink.h"

namespace novra {

AppDelegate& AppDelegate::shared() {
    static AppDelegate* instance = new AppDelegate();
    return *instance;
}

AppDelegate* AppDelegate::create(QQmlEngine*, QJSEngine*) {
    QQmlEngine::setObjectOwnership(&shared(), QQmlEngine::CppOwnership);
    return &shared();
}

void AppDelegate::applicationDidFinishLaunching() {
    LauncherLifecycle::shared();
    QGuiApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    if (!hasVisibleWindows) bringLibraryWindowToFront();
    return true;
}

void AppDelegate::reopen() { applicationShouldHandleReopen(anyWindowVisible()); }

void AppDelegate::terminate() {
    if (terminating_) return;
    terminating_ = true;
    runTermination();
}

QCoro::Task<void> AppDelegate::runTermination() {
    // The install winds down on its own; its previous version stays current.
    LibraryModel::shared().cancel();
    SocialLink* social = LauncherLifecycle::shared().social();
    if (social && social->signedIn()) {
        QPointer<AppDelegate> self(this);
        try {
            QCoro::Task<void> offline = social->offline();
            co_await offline;
        } catch (...) {
            // Whatever going offline meets, the launcher ends.
        }
        if (!self) co_return;
    }
    terminating_ = false;
    emit readyToQuit();
}

} // namespace novra
