// The application tests run on a Qt event loop (offscreen windows) with a D-Bus session of their
// own. Nothing of the desktop they run on may reach them: no session bus, display or keyring of
// the user.
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include <QGuiApplication>
#include <gtest/gtest.h>

#include "support/PrivateBus.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                             "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "NOVRA_SOCIAL_TEST_ORIGIN",
                             "http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY"})
        ::unsetenv(name);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    novra::test::TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    // The session bus of this process: the launcher's notifications and single instance use it.
    std::unique_ptr<novra::test::PrivateBus> bus;
    if (!GTEST_FLAG_GET(list_tests)) bus = std::make_unique<novra::test::PrivateBus>();

    QGuiApplication application(argc, argv);
    int result = RUN_ALL_TESTS();
    bus.reset();
    return result;
}
