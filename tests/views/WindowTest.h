#pragma once
// The launcher's window as the application opens it (the real QML and the real models), in a
// test's own surroundings: a throw-away home and state folder and a local HTTPS build source.
// Items are found by object name; clicks and keys go through the window like a person's.
#include <memory>

#include <QKeySequence>
#include <QQuickItem>
#include <QString>
#include <QVariant>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/social/model/SocialModel.h"
#include "tools/social-service/SocialService.h"

class QQmlApplicationEngine;
class QQuickWindow;

namespace novra::test {

class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    // Loads the window; not shown yet. The settings of env are written when the test starts.
    void load();
    // Shows it as the application does and waits until its first refresh has ended.
    void show();

    QQuickWindow* window() const { return window_; }
    LibraryModel& model() const { return LibraryModel::shared(); }
    SocialModel& social() const { return SocialModel::shared(); }

    // The local social service with the accounts of `seed`, and a private keyring for the session:
    // the social model the window creates talks to them. Call before load().
    void startSocialService(const std::string& seed);
    // The same with the demo cast (support/social/DemoCast.h).
    void startDemoCast();
    // Signs the social model in and waits for its first snapshot.
    void signIn(const QString& username, const QString& password);
    // The library view, whose state (section, filter, search, showSettings) the tests read.
    QObject* view() const;

    // The first item (or other object) with this object name, visible or not; fails the test when
    // there is none.
    QObject* object(const QString& name) const;
    QQuickItem* item(const QString& name) const;
    // Whether the item is on screen: it and every item above it visible, and it inside the window.
    bool shown(const QString& name) const;
    QString text(const QString& name) const;
    QVariant property(const QString& name, const char* property) const;

    void click(const QString& name);
    void click(QQuickItem* item);
    void press(const QKeySequence& keys);
    // Types the text into the item that has the keyboard focus.
    void type(const QString& text);
    // Runs a method of the QML object named `name` (or the view when empty).
    QVariant call(const QString& name, const char* method, const QVariant& argument = {});

    // Publishes a release of the game whose package is large enough (half a megabyte that does not
    // compress) for its download to show progress before it ends.
    void publishLarge(const std::string& id, const std::string& version);
    // Publishes releases of the games and lets the model see them.
    void publishAndRefresh(std::initializer_list<const char*> ids);
    void refresh() { test::refresh(model()); }
    void install(const QString& id) { test::install(model(), id.toStdString()); }

    // The whole window as pictures/NAME.png.
    void picture(const QString& name);

    LauncherEnvironment env;
    tools::SocialService service;

private:
    std::unique_ptr<QQmlApplicationEngine> engine_;
    QQuickWindow* window_ = nullptr;
};

} // namespace novra::test
