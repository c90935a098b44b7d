// The tray's menu in each state of the library model, what its entries do,
// and the library window's place on the screen. The offscreen platform has no tray: the menu is
// read as it is built.
#include <QAction>
#include <QMenu>
#include <QQuickWindow>
#include <QSettings>
#include <QWindow>

#include "WindowTest.h"
#include "launcher/desktop/LauncherMenuBarView.h"
#include "launcher/desktop/Windows.h"
#include "launcher/library/AppDelegate.h"
#include "launcher/library/LauncherLifecycle.h"
#include "support/TestSupport.h"
#include "support/qt/QtAwait.h"

using namespace novra;
using namespace novra::test;

namespace {

class TrayMenu : public WindowTest {
protected:
    // The entries as a person sees them: "—" for a divider, "(…)" around a disabled entry.
    QStringList entries() const {
        QStringList shown;
        for (QAction* action : menu.menu()->actions()) {
            if (!action->isVisible()) continue;
            const QString text = action->isSeparator() ? QStringLiteral("—") : action->text();
            shown.append(action->isEnabled() || action->isSeparator() ? text : u'(' + text + u')');
        }
        return shown;
    }
    QAction* entry(const QString& text) const {
        for (QAction* action : menu.menu()->actions())
            if (action->isVisible() && action->text() == text) return action;
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }

    LauncherMenuBarView menu{model(), social()};
};

} // namespace

TEST_F(TrayMenu, EntriesFollowTheModels) {
    const QStringList idle{"Открыть NOVRA", "—", "Друзья и чат", "Проверить обновления", "—", "Завершить NOVRA"};
    EXPECT_EQ(entries(), idle);

    // An update waiting.
    env.publish("ember-run", "ember-1.0");
    refresh();
    install(QStringLiteral("ember-run"));
    publishLarge("ember-run", "ember-2.0");
    refresh();
    EXPECT_EQ(entries(), (QStringList{"Открыть NOVRA", "Обновления: 1", "—", "Друзья и чат", "Проверить обновления",
                                      "—", "Завершить NOVRA"}));

    // The launcher's own update matches no game: no download row, and no check.
    model().setBusy(LibraryModel::kSelfUpdate);
    EXPECT_EQ(entries(), (QStringList{"Открыть NOVRA", "Обновления: 1", "—", "Друзья и чат", "(Проверить обновления)",
                                      "—", "Завершить NOVRA"}));
    model().setBusy(QString());

    // A game installing: its title, phase and percent, cut to a whole number, and its cancel.
    const std::string package = readFile(env.source() + "/packages/ember-2.0.tar.gz");
    env.server().stall("/packages/ember-2.0.tar.gz", package.substr(0, package.size() / 2));
    model().install(QStringLiteral("ember-run"));
    ASSERT_TRUE(waitUntil([&] { return model().progress() > 0.4; }));
    const QString row = QStringLiteral("Угольный забег: Скачивание · ") + QString::number(int(model().progress() * 100)) +
                        u'%';
    EXPECT_EQ(entries(), (QStringList{"Открыть NOVRA", "—", "(" + row + ")", "Отменить загрузку", "Обновления: 1", "—",
                                      "Друзья и чат", "(Проверить обновления)", "—", "Завершить NOVRA"}));
    entry(QStringLiteral("Отменить загрузку"))->trigger();
    ASSERT_TRUE(waitUntil([&] { return model().busy().isEmpty(); }));
    EXPECT_EQ(entries()[3], "Друзья и чат");
}

// "Открыть NOVRA" and "Друзья и чат" bring the window back (the latter in its friends section),
// "Проверить обновления" checks the catalog, "Завершить NOVRA" ends through the termination
// sequence.
TEST_F(TrayMenu, EntriesReachTheWindowTheLibraryAndTheQuit) {
    show();
    // Each return of the window checks the library once.
    int checks = env.server().requests("/catalog.json");
    auto checked = [&] {
        return waitUntil([&] { return env.server().requests("/catalog.json") == checks + 1 && !model().checking(); });
    };
    window()->hide();
    entry(QStringLiteral("Открыть NOVRA"))->trigger();
    EXPECT_TRUE(window()->isVisible());
    ASSERT_TRUE(checked());

    window()->hide();
    checks = env.server().requests("/catalog.json");
    int friends = 0;
    QObject::connect(&LauncherLifecycle::shared(), &LauncherLifecycle::openFriends, window(), [&] { ++friends; });
    entry(QStringLiteral("Друзья и чат"))->trigger();
    EXPECT_TRUE(window()->isVisible());
    EXPECT_EQ(friends, 1);
    ASSERT_TRUE(checked());
    EXPECT_EQ(view()->property("section").toString(), "friends");

    checks = env.server().requests("/catalog.json");
    entry(QStringLiteral("Проверить обновления"))->trigger();
    EXPECT_TRUE(checked());

    int quits = 0;
    QObject::connect(&AppDelegate::shared(), &AppDelegate::readyToQuit, window(), [&] { ++quits; });
    entry(QStringLiteral("Завершить NOVRA"))->trigger();
    EXPECT_TRUE(waitUntil([&] { return quits == 1; }));
}

// The tray's click hides the window in front and brings a hidden one back.
TEST(LibraryWindowPlace, TheTrayClickTogglesTheWindow) {
    QWindow window;
    window.setObjectName(QStringLiteral("library"));
    toggleLibraryWindow();
    EXPECT_TRUE(window.isVisible());
    window.requestActivate();
    ASSERT_TRUE(waitUntil([&] { return window.isActive(); }));
    toggleLibraryWindow();
    EXPECT_FALSE(window.isVisible());
}

// The window comes back with the size and place it had; the first run keeps its own size, and a
// place off every screen is not taken.
TEST(LibraryWindowPlace, TheWindowRemembersItsSizeAndPlace) {
    TempDir home;
    ScopedEnv config("XDG_CONFIG_HOME", home.path());
    QSettings().clear();
    {
        QWindow window;
        window.resize(1280, 820);
        rememberGeometry(&window);
        EXPECT_EQ(window.size(), QSize(1280, 820));
        window.show();
        window.setFramePosition({40, 30});
        window.resize(1100, 760);
        window.hide();
    }
    {
        QWindow window;
        window.setMinimumSize({1060, 700});
        window.resize(1280, 820);
        rememberGeometry(&window);
        EXPECT_EQ(window.size(), QSize(1100, 760));
        EXPECT_EQ(window.framePosition(), QPoint(40, 30));
    }
    QSettings().setValue(QStringLiteral("window/geometry"), QRect(-9000, -9000, 500, 400));
    QWindow window;
    window.setMinimumSize({1060, 700});
    window.setFramePosition({5, 6});
    rememberGeometry(&window);
    EXPECT_EQ(window.size(), QSize(1060, 700));
    EXPECT_EQ(window.framePosition(), QPoint(5, 6));
}
