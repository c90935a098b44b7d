// The application tests run on a Qt event loop (offscreen windows) with a D-Bus session of their
// own. Nothing of the desktop they run on may reach them: no session bus, display or keyring of
// the user.
#include <cstdlib>
#include <memory>

#include <QGuiApplication>
#include <gtest/gtest.h>

#include "support/PrivateBus.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
    std::unique_ptr<novra::test::TempDir> runtime = novra::test::leaveTheDesktop();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    // The session bus of this process: the launcher's notifications and single instance use it.
    std::unique_ptr<novra::test::PrivateBus> bus;
    if (!GTEST_FLAG_GET(list_tests)) bus = std::make_unique<novra::test::PrivateBus>();

    QGuiApplication application(argc, argv);
    int result = RUN_ALL_TESTS();
    bus.reset();
    return result;
}
