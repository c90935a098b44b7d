#pragma once
// What happens when the launcher has started, when it is opened again, and when it is asked to
// quit. Every way out (the tray's quit, the window's quit shortcut, SIGTERM/SIGINT/SIGHUP, the end
// of the desktop session, the launcher's own update) goes through terminate(): the running install
// is cancelled, a signed-in player is reported offline, and only then does readyToQuit() tell the
// application to end.
#include <QCoroTask>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace novra {

class AppDelegate : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    static AppDelegate& shared();
    // The QML singleton: the shared delegate, owned by C++.
    static AppDelegate* create(QQmlEngine*, QJSEngine*);

    // Creates the lifecycle tracker (its timer and the notification click) and makes closing the
    // last window leave the launcher running. The social model is created after this.
    void applicationDidFinishLaunching();
    // Closing the library window leaves the launcher running with its tray icon.
    static constexpr bool applicationShouldTerminateAfterLastWindowClosed() { return false; }
    // The launcher was opened again: with no visible window, the library window comes back.
    // Always true.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    // The same, asking the desktop which windows are visible (a second start, the tray's "open").
    void reopen();

    // Starts the termination sequence; returns at once. A request while one runs is ignored.
    Q_INVOKABLE void terminate();
    bool terminating() const { return terminating_; }

signals:
    // The termination sequence is done: the application may end now.
    void readyToQuit();

private:
    AppDelegate() = default;
    QCoro::Task<void> runTermination();

    bool terminating_ = false;
};

} // namespace novra
