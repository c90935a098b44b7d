// The social tests run on a Qt event loop. Nothing of the desktop they run on may reach them: no
// session bus, display or keyring of the user; tests start their own (SocialTestSupport.h).
#include <sys/stat.h>

#include <cstdlib>

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "SocialTestSupport.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                             "DESKTOP_SESSION", "KDE_FULL_SESSION", "KDE_SESSION_VERSION", "GNOME_DESKTOP_SESSION_ID",
                             "GNOME_KEYRING_CONTROL", "NOVRA_SOCIAL_TEST_ORIGIN", "http_proxy", "HTTP_PROXY"})
        ::unsetenv(name);
    // A runtime folder of our own, so that no bus socket of the user's session is found there.
    novra::test::TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);

    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    novra::test::stopSecretStore();
    return result;
}
