#include "launcher/desktop/Windows.h"

#include <QGuiApplication>
#include <QWindow>

namespace novra {

QWindow* libraryWindow() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    for (QWindow* window : QGuiApplication::topLevelWindows())
        if (window->objectName() == QLatin1String("library") || window->title().contains(QLatin1String("NOVRA")))
            return window;
    return nullptr;
}

bool bringLibraryWindowToFront() {
    QWindow* window = libraryWindow();
    if (!window) return false;
    window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->requestActivate();
    return true;
}

bool anyWindowVisible() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    for (QWindow* window : QGuiApplication::topLevelWindows())
        if (window->isVisible()) return true;
    return false;
}

} // namespace novra
