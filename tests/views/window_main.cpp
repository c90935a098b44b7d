// The window tests run the launcher's window offscreen, each case in a process of its own (the
// models are one per process). Nothing of the desktop they run on may reach them: no session bus,
// display or keyring of the user; the window does without them.
#include <sys/stat.h>

#include <cstdlib>

#include <QApplication>
#include <QQuickStyle>
#include <gtest/gtest.h>

#include "launcher/desktop/IconTheme.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                             "DESKTOP_SESSION", "NOVRA_SOCIAL_TEST_ORIGIN", "http_proxy", "HTTP_PROXY", "https_proxy",
                             "HTTPS_PROXY"})
        ::unsetenv(name);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    novra::test::TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);

    // As the launcher sets itself up: its names (its own settings file in the test's home), the
    // symbols' icon theme, the Basic style. Widgets for the tray's menu.
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("NOVRA"));
    QCoreApplication::setApplicationName(QStringLiteral("NOVRA Launcher"));
    novra::desktop::useSymbolTheme();
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    return RUN_ALL_TESTS();
}
