#include "launcher/desktop/Windows.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSettings>
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

void toggleLibraryWindow() {
    QWindow* window = libraryWindow();
    if (window && window->isVisible() && window->isActive())
        window->hide();
    else
        bringLibraryWindowToFront();
}

namespace {

const QString kGeometryKey = QStringLiteral("window/geometry");

void saveGeometry(QWindow* window) {
    QSettings().setValue(kGeometryKey, QRect(window->framePosition(), window->size()));
}

} // namespace

void rememberGeometry(QWindow* window) {
    const QRect saved = QSettings().value(kGeometryKey).toRect();
    if (saved.isValid()) {
        window->resize(saved.size().expandedTo(window->minimumSize()));
        for (const QScreen* screen : QGuiApplication::screens())
            if (screen->availableGeometry().contains(saved.topLeft())) {
                window->setFramePosition(saved.topLeft());
                break;
            }
    }
    QObject::connect(window, &QWindow::visibleChanged, window, [window](bool visible) {
        if (!visible) saveGeometry(window);
    });
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, window, [window] {
        if (window->isVisible()) saveGeometry(window);
    });
}

} // namespace novra
