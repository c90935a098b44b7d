// The social tests run on a Qt event loop. Nothing of the desktop they run on may reach them: no
// session bus, display or keyring of the user; tests start their own (SocialTestSupport.h).
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "support/social/SocialTestSupport.h"

int main(int argc, char** argv) {
    std::unique_ptr<novra::test::TempDir> runtime = novra::test::leaveTheDesktop();

    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    novra::test::stopSecretStore();
    return result;
}
