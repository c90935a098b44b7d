// The window tests run the launcher's window offscreen, each case in a process of its own (the
// models are one per process). Nothing of the desktop they run on may reach them: no session bus,
// display or keyring of the user; a test that needs a keyring starts its own.
#include <memory>

#include <QApplication>
#include <QQuickStyle>
#include <gtest/gtest.h>

#include "support/social/SocialTestSupport.h"
#include "launcher/desktop/IconTheme.h"
#include "launcher/desktop/QtTexts.h"
#include "support/TestSupport.h"

int main(int argc, char** argv) {
    std::unique_ptr<novra::test::TempDir> runtime = novra::test::leaveTheDesktop();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);

    // As the launcher sets itself up: its names (its own settings file in the test's home), Qt's
    // texts in Russian, the symbols' icon theme, the Basic style. Widgets for the tray's menu.
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("NOVRA"));
    QCoreApplication::setApplicationName(QStringLiteral("NOVRA Launcher"));
    novra::desktop::useRussianQtTexts();
    novra::desktop::useSymbolTheme();
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    const int result = RUN_ALL_TESTS();
    novra::test::stopSecretStore();
    return result;
}
