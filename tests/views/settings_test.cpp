// The settings sheet over the library window, with the real library model.

#include <QUrl>

#include "WindowTest.h"
#include "support/qt/QtAwait.h"

using namespace novra;
using namespace novra::test;
using namespace std::chrono_literals;

namespace {

class SettingsSheet : public WindowTest {
protected:
    void open() {
        view()->setProperty("showSettings", true);
        ASSERT_TRUE(waitUntil([&] { return shown("saveSettings"); }));
    }
    QObject* sheet() const { return object("settingsSheet"); }
    QVariant draft(const char* field) const { return sheet()->property(field); }
};

} // namespace

// The folder chooser's answer: a library on the studio's cache disk needs both of the studio's
// disks; the disk's own folder is not on it. Saving hands the draft to the model.
TEST_F(SettingsSheet, AChosenFolderBringsTheDisksItNeeds) {
    show();
    publishAndRefresh({"night-ferry", "ember-run", "paper-kings", "glass-garden"});
    const std::optional<std::string> source = env.settings().sourceURL;
    env.stopServer();
    refresh();
    struct Row {
        const char* folder;
        QStringList volumes;
    };
    for (const Row& row : {Row{"/Volumes/NOVRACache/Games", {"/Volumes/NOVRACache", "/Volumes/archive_ssd"}},
                           Row{"/Volumes/NOVRACache", {}}, Row{"/Volumes/NOVRACacheOld/Games", {}},
                           Row{"/home/player/Games", {}}}) {
        open();
        call(QStringLiteral("settingsSheet"), "chooseFolder", QUrl::fromLocalFile(QString::fromUtf8(row.folder)));
        EXPECT_EQ(text("libraryPath"), row.folder);
        EXPECT_EQ(draft("draftVolumes").toStringList(), row.volumes) << row.folder;
        click("cancelSettings");
    }

    // "Выбрать…" opens the folder chooser.
    open();
    click("chooseFolder");
    ASSERT_TRUE(waitUntil([&] {
        auto* chooser = property("folderChooser", "item").value<QObject*>();
        return chooser && chooser->property("visible").toBool();
    }));
    picture("settings-folder-chooser");
    QMetaObject::invokeMethod(property("folderChooser", "item").value<QObject*>(), "reject");

    // A folder the chooser cannot name as a path changes nothing.
    const QString library = text("libraryPath");
    call(QStringLiteral("settingsSheet"), "chooseFolder", QUrl(QStringLiteral("https://127.0.0.1/x")));
    EXPECT_EQ(text("libraryPath"), library);

    const std::string chosen = env.library() + "-moved";
    call(QStringLiteral("settingsSheet"), "chooseFolder", QUrl::fromLocalFile(QString::fromStdString(chosen)));
    picture("settings");
    click("saveSettings");
    EXPECT_FALSE(shown("saveSettings"));
    EXPECT_EQ(model().settings().library, chosen);
    EXPECT_EQ(model().settings().sourceURL, source);
    EXPECT_TRUE(model().settings().requiredVolumes.empty());
}

// The site switch: off shows the SSH fields, on again gives the studio's default address, not the
// custom one the settings had. Closing without saving drops the draft.
TEST_F(SettingsSheet, TheSiteSwitchRestoresTheDefaultAddress) {
    show();
    open();
    EXPECT_FALSE(shown("siteSwitch"));
    click("connectionGroup");
    ASSERT_TRUE(shown("siteSwitch"));
    EXPECT_TRUE(property("siteSwitch", "checked").toBool());
    EXPECT_EQ(draft("draftSourceURL").toString().toStdString(), *env.settings().sourceURL);

    click("siteSwitch");
    EXPECT_EQ(draft("draftSourceURL").toString(), "");
    EXPECT_TRUE(shown("sshField"));
    EXPECT_TRUE(shown("remoteRootField"));
    EXPECT_FALSE(shown("siteHost"));
    EXPECT_EQ(property("sshField", "placeholderText").toString().toStdString(), Settings::defaultHost());
    EXPECT_EQ(property("remoteRootField", "placeholderText").toString(), "Абсолютный путь");
    picture("settings-ssh");

    click("siteSwitch");
    const QString site = QString::fromStdString(Settings::defaultSourceURL());
    EXPECT_EQ(draft("draftSourceURL").toString(), site);
    EXPECT_TRUE(shown("siteHost"));
    EXPECT_EQ(text("siteHost"), QUrl(site).host());
    EXPECT_FALSE(shown("sshField"));

    press(QKeySequence(Qt::Key_Escape));
    ASSERT_TRUE(waitUntil([&] { return !shown("saveSettings"); }));
    EXPECT_EQ(model().settings().sourceURL, env.settings().sourceURL);
    open();
    EXPECT_EQ(draft("draftSourceURL").toString().toStdString(), *env.settings().sourceURL);
}

// "СОСТОЯНИЕ" says why the source is unreachable, and goes as soon as the library is online.
TEST_F(SettingsSheet, TheStateSectionFollowsTheConnection) {
    Settings unreachable = env.settings();
    unreachable.sourceURL = "https://127.0.0.1:9";
    env.writeSettings(unreachable);
    load();
    open();
    EXPECT_TRUE(shown("stateSection"));
    EXPECT_EQ(text("connectionDetail"), "Каталог сборок на выбранном источнике пока недоступен.");
    view()->setProperty("showSettings", false);

    show();
    EXPECT_FALSE(model().online());
    open();
    EXPECT_TRUE(shown("stateSection"));
    EXPECT_EQ(text("connectionDetail"), model().connectionDetail());
    EXPECT_NE(model().connectionDetail(), "");
    picture("settings-offline");

    env.publish("ember-run", "ember-1.0");
    model().saveSettings(env.settings());
    ASSERT_TRUE(waitUntil([&] { return model().online(); }));
    EXPECT_FALSE(shown("stateSection"));
}

// Saving waits while the library installs (the launcher's own update included) or checks.
TEST_F(SettingsSheet, SaveWaitsWhileTheLibraryIsBusyOrChecking) {
    show();
    open();
    EXPECT_TRUE(property("saveSettings", "enabled").toBool());
    for (const QString& busy : {QStringLiteral("ember-run"), LibraryModel::kSelfUpdate}) {
        model().setBusy(busy);
        EXPECT_FALSE(property("saveSettings", "enabled").toBool()) << busy.toStdString();
        model().setBusy(QString());
        EXPECT_TRUE(property("saveSettings", "enabled").toBool());
    }
    env.server().stall("/catalog.json", "{");
    model().refresh();
    ASSERT_TRUE(model().checking());
    EXPECT_FALSE(property("saveSettings", "enabled").toBool());
    picture("settings-checking");
}
