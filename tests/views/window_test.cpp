// The library window with the real library model, brought into each state through the model's
// own operations against a local build source: what a person sees in each of them. Every state is
// also a picture under pictures/.
#include <algorithm>

#include <QAccessible>
#include <QMenu>
#include <QQuickWindow>
#include <QTest>

#include "WindowTest.h"
#include "launcher/desktop/LauncherMenuBarView.h"
#include "launcher/desktop/Windows.h"
#include "launcher/library/LauncherLifecycle.h"
#include "launcher/views/FileSize.h"
#include "support/TestSupport.h"
#include "support/qt/QtAwait.h"
#include "support/social/SocialModelSupport.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;

namespace {

using LibraryWindow = WindowTest;

QString section(QObject* view) { return view->property("section").toString(); }
QString filter(QObject* view) { return view->property("filter").toString(); }
QString search(QObject* view) { return view->property("search").toString(); }

// The game as the model publishes it to the views.
QVariant gameEntry(const QString& id) {
    for (const QVariant& game : LibraryModel::shared().gameList())
        if (game.toMap().value(QStringLiteral("id")) == id) return game;
    return {};
}

} // namespace

// Why no game is shown, in every combination the window can be in.
TEST_F(LibraryWindow, EmptyStatesSayWhyNoGameIsShown) {
    struct Row {
        const char* section;
        const char* filter;
        const char* search;
        const char* symbol;
        const char* title;
        const char* text;
        const char* picture;
    };
    auto check = [&](const Row& row) {
        SCOPED_TRACE(std::string(row.section) + " / " + row.filter + " / " + row.search);
        click("section-" + QString::fromUtf8(row.section));
        view()->setProperty("filter", QString::fromUtf8(row.filter));
        view()->setProperty("search", QString::fromUtf8(row.search));
        EXPECT_TRUE(shown("emptyState"));
        EXPECT_FALSE(shown("hero"));
        EXPECT_EQ(property("emptySymbol", "symbol").toString(), row.symbol);
        EXPECT_EQ(text("emptyTitle"), row.title);
        EXPECT_EQ(text("emptyText"), row.text);
        if (*row.picture) picture(row.picture);
    };
    // The built-in catalog publishes nothing: an empty library.
    show();
    for (const Row& row : {
             Row{"library", "Все игры", "", "square.stack", "Здесь пока нет игр",
                 "Доступные сборки появятся здесь автоматически.", "library-empty"},
             Row{"demos", "Все игры", "", "square.stack", "Здесь пока нет демосцен",
                 "Доступные сборки появятся здесь автоматически.", ""},
         })
        check(row);

    publishAndRefresh({"ember-run", "frost-signal"});
    for (const Row& row : {
             Row{"library", "Все игры", "нет такой", "square.stack", "Здесь пока нет игр", "Попробуй другое название.",
                 "library-search-none"},
             Row{"demos", "Установлено", "", "square.stack", "Здесь пока нет демосцен",
                 "Доступные сборки появятся здесь автоматически.", ""},
             Row{"library", "Обновления", "", "checkmark.circle", "Всё обновлено", "Доступных обновлений нет.",
                 "library-updates-none"},
             Row{"demos", "Обновления", "мороз", "checkmark.circle", "Всё обновлено", "Попробуй другое название.", ""},
         })
        check(row);
}

// The library with games: the hero of the selected game, the screenshots of the one that has
// them, the count and the grid in columns at least 350 points wide, 18 apart; the sidebar's
// collection with the update marker; the search ignoring case.
TEST_F(LibraryWindow, GamesFillTheHeroTheGridAndTheCollection) {
    load();
    env.publish("night-ferry", "ferry-1.0");
    env.publish("salt-and-iron", "salt-1.0");
    show();
    install(QStringLiteral("night-ferry"));
    install(QStringLiteral("salt-and-iron"));
    publishAndRefresh({"ember-run", "paper-kings", "orbit-post", "glass-garden", "frost-signal"});
    env.publish("salt-and-iron", "salt-2.0");
    refresh();
    model().setSelected(QStringLiteral("night-ferry"));
    QCoreApplication::processEvents();

    EXPECT_EQ(text("heroTitle"), "Ночной паром");
    EXPECT_TRUE(shown("screenshots-night-ferry"));
    EXPECT_EQ(text("libraryCount"), "6");
    EXPECT_TRUE(shown("collection-salt-and-iron"));
    EXPECT_FALSE(shown("collection-frost-signal"));
    EXPECT_TRUE(property("collection-salt-and-iron", "updateAvailable").toBool());
    EXPECT_FALSE(property("collection-night-ferry", "updateAvailable").toBool());
    EXPECT_TRUE(property("collection-night-ferry", "selected").toBool());
    EXPECT_EQ(text("statusText"), "Библиотека обновлена");
    picture("library");

    for (int width : {1280, 1060}) {
        window()->resize(width, 820);
        QCoreApplication::processEvents();
        QQuickItem* first = item("card-ember-run");
        QQuickItem* second = item("card-paper-kings");
        ASSERT_TRUE(first && second);
        EXPECT_GE(first->width(), 350) << width;
        const QPointF left = first->mapToScene({0, 0}), right = second->mapToScene({0, 0});
        EXPECT_EQ(right.y(), left.y()) << "two columns at " << width;
        EXPECT_EQ(right.x() - (left.x() + first->width()), 18) << width;
    }
    picture("library-narrow");

    // A card selects its game and brings the hero back into view; a game without screenshots has
    // no strip.
    QQuickItem* grid = item("games");
    QMetaObject::invokeMethod(grid, "positionViewAtEnd");
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown("hero"));
    click("card-ember-run");
    EXPECT_EQ(model().selected(), "ember-run");
    EXPECT_EQ(text("heroTitle"), "Угольный забег");
    EXPECT_FALSE(shown("screenshots-ember-run"));
    EXPECT_TRUE(waitUntil([&] { return item("hero")->mapToScene({0, 0}).y() == grid->mapToScene({0, 0}).y(); }));

    view()->setProperty("search", QStringLiteral("БУМАЖ"));
    EXPECT_EQ(text("libraryCount"), "1");
    EXPECT_EQ(text("heroTitle"), "Бумажные короли");
    EXPECT_EQ(model().selected(), "ember-run");
}

// A section change starts the library over: every game, no search.
TEST_F(LibraryWindow, ASectionSwitchResetsTheFilterAndTheSearch) {
    show();
    view()->setProperty("filter", QStringLiteral("Обновления"));
    item("searchField")->forceActiveFocus();
    type(QStringLiteral("ферр"));

    click("section-demos");
    EXPECT_EQ(filter(view()), "Все игры");
    EXPECT_EQ(search(view()), "");
    EXPECT_EQ(text("searchField"), "");
    EXPECT_EQ(text("filter-0"), "Все демосцены");
    EXPECT_EQ(property("searchField", "placeholderText").toString(), "Найти демосцену");
    EXPECT_TRUE(property("filter-0", "active").toBool());

    click("filter-1");
    EXPECT_EQ(filter(view()), "Установлено");
    click("section-library");
    EXPECT_EQ(filter(view()), "Все игры");
    EXPECT_EQ(text("filter-0"), "Все игры");
}

// The hero shows the first visible game when the filter hides the selected one; the model keeps
// its selection, which comes back with the filter.
TEST_F(LibraryWindow, AHiddenSelectedGameGivesWayToTheFirstVisible) {
    load();
    env.publish("ember-run", "ember-1.0");
    env.publish("paper-kings", "kings-1.0");
    show();
    install(QStringLiteral("paper-kings"));
    model().setSelected(QStringLiteral("ember-run"));
    QCoreApplication::processEvents();
    EXPECT_EQ(text("heroTitle"), "Угольный забег");

    click("filter-1");
    EXPECT_EQ(text("heroTitle"), "Бумажные короли");
    EXPECT_EQ(model().selected(), "ember-run");
    EXPECT_TRUE(property("collection-paper-kings", "selected").toBool());
    EXPECT_FALSE(shown("card-ember-run"));
    click("filter-0");
    EXPECT_EQ(text("heroTitle"), "Угольный забег");
}

// A game of the sidebar's collection opens in its own section with every game shown.
TEST_F(LibraryWindow, ACollectionClickShowsTheGameInItsSection) {
    load();
    env.publish("ember-run", "ember-1.0");
    env.publish("paper-kings", "kings-1.0");
    env.publish("frost-signal", "frost-1.0");
    env.publish("polar-bloom", "bloom-1.0");
    show();

    // From the friends section (whose list holds the games) back to the games.
    click("section-friends");
    click("collection-paper-kings");
    EXPECT_EQ(section(view()), "library");
    EXPECT_EQ(model().selected(), "paper-kings");
    EXPECT_EQ(text("heroTitle"), "Бумажные короли");

    // A demo, asked for from the games, brings its own section.
    call({}, "showGame", gameEntry(QStringLiteral("polar-bloom")));
    EXPECT_EQ(section(view()), "demos");

    click("filter-2");
    view()->setProperty("search", QStringLiteral("полярн"));
    click("collection-frost-signal");
    EXPECT_EQ(section(view()), "demos");
    EXPECT_EQ(filter(view()), "Все игры");
    EXPECT_EQ(search(view()), "");
    EXPECT_EQ(model().selected(), "frost-signal");
    EXPECT_EQ(property("heroButton", "text").toString(), "Установить");
    picture("library-demos");
}

// The download bar follows the install: the game, the phase, the percent, and "Отменить".
TEST_F(LibraryWindow, TheDownloadBarFollowsTheInstallAndCancelsIt) {
    load();
    publishLarge("night-ferry", "ferry-1.0");
    show();
    EXPECT_FALSE(shown("downloadBar"));

    const std::string package = readFile(env.source() + "/packages/ferry-1.0.tar.gz");
    env.server().stall("/packages/ferry-1.0.tar.gz", package.substr(0, package.size() * 37 / 100));
    model().setSelected(QStringLiteral("night-ferry"));
    model().install(QStringLiteral("night-ferry"));
    ASSERT_TRUE(waitUntil([&] { return model().progress() > 0.3; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown("downloadBar"));
    EXPECT_EQ(text("downloadTitle"), "Ночной паром");
    EXPECT_EQ(text("downloadPhase"), "Скачивание");
    EXPECT_EQ(text("downloadPercent"), percentText(model().progress()));
    EXPECT_FALSE(property("refreshButton", "enabled").toBool());
    EXPECT_TRUE(shown("heroProgress"));
    picture("library-download");

    click("downloadCancel");
    ASSERT_TRUE(waitUntil([&] { return model().busy().isEmpty(); }));
    EXPECT_FALSE(shown("downloadBar"));
    EXPECT_FALSE(shown("alertTitle"));
    EXPECT_TRUE(property("refreshButton", "enabled").toBool());
}

// The launcher's own update matches no game: "Загрузка".
TEST_F(LibraryWindow, TheLaunchersOwnUpdateIsALoad) {
    publishAndRefresh({"ember-run"});
    show();
    model().setBusy(LibraryModel::kSelfUpdate);
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown("downloadBar"));
    EXPECT_EQ(text("downloadTitle"), "Загрузка");
    EXPECT_EQ(text("downloadPercent"), "0%");
    EXPECT_FALSE(property("heroButton", "enabled").toBool());
    picture("library-self-update");
}

// The alert of a failed action; closing it by its button or by Escape clears the error.
TEST_F(LibraryWindow, TheErrorAlertClearsTheErrorHoweverItCloses) {
    show();
    for (bool escape : {false, true}) {
        model().setError(QStringLiteral("Подключите диск: /Volumes/NOVRACache"));
        QCoreApplication::processEvents();
        EXPECT_TRUE(shown("alertTitle"));
        EXPECT_EQ(text("alertTitle"), "Не получилось завершить действие");
        EXPECT_EQ(text("alertMessage"), "Подключите диск: /Volumes/NOVRACache");
        if (!escape) picture("library-alert");
        escape ? press(QKeySequence(Qt::Key_Escape)) : click("alertDismiss");
        ASSERT_TRUE(waitUntil([&] { return !shown("alertTitle"); }));
        EXPECT_EQ(model().error(), "") << escape;
    }
}

// The window's first appearance and every later one check the library; a later one starts the
// view anew. The friends request shows the friends section.
TEST_F(LibraryWindow, EachAppearanceRefreshesAndStartsTheViewAnew) {
    publishAndRefresh({"ember-run"});
    const int before = env.server().requests("/catalog.json");
    show();
    EXPECT_EQ(env.server().requests("/catalog.json"), before + 1);

    click("section-demos");
    view()->setProperty("search", QStringLiteral("мороз"));
    press(QKeySequence(QStringLiteral("Ctrl+W")));
    EXPECT_FALSE(window()->isVisible());
    ASSERT_TRUE(bringLibraryWindowToFront());
    ASSERT_TRUE(waitUntil([&] { return env.server().requests("/catalog.json") == before + 2 && !model().checking(); }));
    EXPECT_EQ(section(view()), "library");
    EXPECT_EQ(search(view()), "");

    emit LauncherLifecycle::shared().openFriends();
    EXPECT_EQ(section(view()), "friends");
    EXPECT_FALSE(shown("games"));
    EXPECT_FALSE(shown("emptyState"));
    picture("library-friends-section");
}

// The friends section holds the friends panel over the application's social model, with the
// library's games naming what friends play (the panel's own rules are its QML tests'). The panel is
// made once and keeps what was typed; the social model counts it as on screen only while the section
// is shown.
TEST_F(LibraryWindow, TheFriendsSectionHostsTheFriendsPanel) {
    startDemoCast();
    publishAndRefresh({"ember-run", "paper-kings", "night-ferry", "glass-garden", "polar-bloom"});
    show();
    EXPECT_FALSE(social().chatVisible());
    click("section-friends");
    ASSERT_TRUE(shown("socialView"));
    EXPECT_TRUE(social().chatVisible());

    signIn(QStringLiteral("demo"), QStringLiteral("novra-demo"));
    EXPECT_EQ(text("accountName"), "demo");
    auto* presence = object(QStringLiteral("friend-p-anya"))->findChild<QObject*>(QStringLiteral("rowDetail"));
    ASSERT_NE(presence, nullptr);
    EXPECT_EQ(presence->property("text").toString(), "Угольный забег");

    click("friend-p-boris");
    settle(social());
    click("messageField");
    type(QStringLiteral("Уже иду"));
    picture("friends");

    click("section-library");
    EXPECT_FALSE(social().chatVisible());
    EXPECT_FALSE(shown("socialView"));
    click("section-friends");
    EXPECT_TRUE(social().chatVisible());
    EXPECT_EQ(text("messageField"), "Уже иду");
}

// The keyboard of a desktop application.
TEST_F(LibraryWindow, KeyboardShortcuts) {
    show();
    click("section-friends");
    press(QKeySequence(QStringLiteral("Ctrl+F")));
    EXPECT_EQ(section(view()), "library");
    EXPECT_TRUE(property("searchField", "activeFocus").toBool());

    const int before = env.server().requests("/catalog.json");
    for (const char* keys : {"Ctrl+R", "F5"}) {
        press(QKeySequence(QString::fromUtf8(keys)));
        ASSERT_TRUE(waitUntil([&] { return !model().checking(); }));
    }
    EXPECT_EQ(env.server().requests("/catalog.json"), before + 2);

    press(QKeySequence(QStringLiteral("Ctrl+,")));
    ASSERT_TRUE(waitUntil([&] { return shown("saveSettings"); }));
    press(QKeySequence(Qt::Key_Escape));
    ASSERT_TRUE(waitUntil([&] { return !shown("saveSettings"); }));
    EXPECT_FALSE(view()->property("showSettings").toBool());
}

namespace {

// The accessibility tree below `node`: "ROLE NAME" for every control a person can operate.
void controls(QAccessibleInterface* node, QStringList& found, QStringList& unnamed) {
    if (!node || node->state().invisible) return;
    static const QSet<QAccessible::Role> operable{QAccessible::Button, QAccessible::PushButton, QAccessible::PageTab,
                                                  QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::EditableText,
                                                  QAccessible::ComboBox, QAccessible::Slider};
    if (operable.contains(node->role())) {
        const QString name = node->text(QAccessible::Name);
        (name.trimmed().isEmpty() ? unnamed : found).append(QString::number(node->role(), 16) + u' ' + name);
    }
    for (int i = 0; i < node->childCount(); ++i) controls(node->child(i), found, unnamed);
}

} // namespace

// Every control of the window, the sheet and the alert has a name a screen reader can say.
TEST_F(LibraryWindow, EveryControlHasAnAccessibleName) {
    publishAndRefresh({"night-ferry", "ember-run", "frost-signal"});
    model().setSelected(QStringLiteral("night-ferry"));
    show();
    QStringList found, unnamed;
    controls(QAccessible::queryAccessibleInterface(window()), found, unnamed);
    view()->setProperty("showSettings", true);
    ASSERT_TRUE(waitUntil([&] { return shown("saveSettings"); }));
    click("connectionGroup");
    click("siteSwitch");
    controls(QAccessible::queryAccessibleInterface(window()), found, unnamed);
    EXPECT_EQ(unnamed, QStringList{});
    for (const char* name : {"Игры", "Демосцены", "Друзья", "Ночной паром", "Настройки", "Все игры", "Установлено",
                             "Обновления", "Найти игру", "Проверить обновления", "Установить",
                             "Открыть кадр: Причал перед отплытием", "Выбрать…", "Подключение к серверу сборок",
                             "Загружать с сайта NOVRA", "SSH", "Каталог", "Отмена", "Сохранить"})
        EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                                [&](const QString& entry) { return entry.endsWith(u' ' + QString::fromUtf8(name)); }))
            << name;
}

// The friends item of the sidebar and the tray's friends entry count the unread messages, from 1.
TEST_F(LibraryWindow, TheFriendsBadgeAndTheTrayCountUnreadMessages) {
    startSocialService(R"({"accounts": [{"id": "p-anna", "username": "anna", "password": "password1"},
                                        {"id": "p-boris", "username": "boris", "password": "password1"}],
                           "friends": [["p-anna", "p-boris"]]})");
    publishAndRefresh({"ember-run"});
    show();
    signIn(QStringLiteral("anna"), QStringLiteral("password1"));
    LauncherMenuBarView tray(model(), social());
    auto friendsEntry = [&] { return tray.menu()->actions().at(6)->text(); };
    ASSERT_EQ(social().unreadCount(), 0);
    EXPECT_FALSE(shown("section-friends-badge"));
    EXPECT_EQ(friendsEntry(), "Друзья и чат");

    service.addMessage("p-boris", "p-anna", "Привет! Сыграем вечером?");
    await(social().poll());
    ASSERT_EQ(social().unreadCount(), 1);
    EXPECT_TRUE(shown("section-friends-badge"));
    EXPECT_EQ(text("section-friends-badge-count"), "1");
    EXPECT_EQ(friendsEntry(), "Друзья и чат · 1");
    picture("library-friends-badge");
}
