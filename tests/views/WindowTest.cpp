#include "WindowTest.h"

#include <QKeyEvent>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QSet>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include "Pictures.h"
#include "support/social/DemoCast.h"
#include "support/social/SocialModelSupport.h"
#include "support/social/SocialTestSupport.h"
#include "launcher/social/SocialAPI.h"
#include "launcher/desktop/Windows.h"
#include "support/qt/QtAwait.h"

namespace novra::test {

namespace {

// Searches the object tree and, for items, the visual tree (delegates and popups hang there).
QObject* find(QObject* root, const QString& name) {
    QList<QObject*> queue{root};
    QSet<QObject*> seen;
    while (!queue.isEmpty()) {
        QObject* next = queue.takeFirst();
        if (!next || seen.contains(next)) continue;
        seen.insert(next);
        if (next->objectName() == name) return next;
        queue.append(next->children());
        if (auto* item = qobject_cast<QQuickItem*>(next))
            for (QQuickItem* child : item->childItems()) queue.append(child);
        if (auto* window = qobject_cast<QQuickWindow*>(next)) queue.append(window->contentItem());
    }
    return nullptr;
}

} // namespace

// Tests that want other settings write theirs before the model is first used.
WindowTest::WindowTest() { env.writeSettings(); }
WindowTest::~WindowTest() {
    service.stop();
    qunsetenv(SocialAPI::kTestOriginVariable);
}

void WindowTest::startSocialService(const std::string& seed) {
    ASSERT_TRUE(useSecretStore(SecretStore::Keyring));
    service.loadSeed(seed);
    service.start();
    qputenv(SocialAPI::kTestOriginVariable, QByteArray::fromStdString(service.origin()));
}

void WindowTest::startDemoCast() {
    ASSERT_TRUE(useSecretStore(SecretStore::Keyring));
    startWithDemoCast(service);
    qputenv(SocialAPI::kTestOriginVariable, QByteArray::fromStdString(service.origin()));
}

void WindowTest::signIn(const QString& username, const QString& password) {
    ASSERT_TRUE(await(social().authenticate(username, password, false)));
    settle(social());
}

void WindowTest::load() {
    engine_ = std::make_unique<QQmlApplicationEngine>();
    engine_->addImportPath(QStringLiteral("qrc:/"));
    engine_->load(QUrl(QStringLiteral("qrc:/Novra/Launcher/LibraryWindow.qml")));
    window_ = qobject_cast<QQuickWindow*>(libraryWindow());
    ASSERT_NE(window_, nullptr);
}

void WindowTest::show() {
    if (!window_) load();
    refreshBy(model(), [&] {
        window_->show();
        window_->requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    });
}

QObject* WindowTest::view() const { return object(QStringLiteral("libraryView")); }

QObject* WindowTest::object(const QString& name) const {
    QObject* found = find(window_, name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

QQuickItem* WindowTest::item(const QString& name) const {
    auto* found = qobject_cast<QQuickItem*>(object(name));
    EXPECT_NE(found, nullptr) << name.toStdString() << " is an item";
    return found;
}

bool WindowTest::shown(const QString& name) const {
    QObject* found = find(window_, name);
    auto* item = qobject_cast<QQuickItem*>(found);
    if (!item) return false;
    if (!item->isVisible() || item->width() <= 0 || item->height() <= 0) return false;
    const QRectF area = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    return area.intersects(QRectF(0, 0, window_->width(), window_->height()));
}

QString WindowTest::text(const QString& name) const { return property(name, "text").toString(); }

QVariant WindowTest::property(const QString& name, const char* property) const {
    QObject* found = object(name);
    return found ? found->property(property) : QVariant();
}

void WindowTest::click(const QString& name) { click(item(name)); }

void WindowTest::click(QQuickItem* item) {
    ASSERT_NE(item, nullptr);
    // Where the person sees it: after the layouts the last change started.
    ASSERT_TRUE(QQuickTest::qWaitForPolish(window_));
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(window_, Qt::LeftButton, {}, centre.toPoint());
    QCoreApplication::processEvents();
}

void WindowTest::press(const QKeySequence& keys) {
    QTest::keySequence(window_, keys);
    QCoreApplication::processEvents();
}

void WindowTest::type(const QString& text) {
    for (QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(window_, &press);
        QCoreApplication::sendEvent(window_, &release);
    }
    QCoreApplication::processEvents();
}

QVariant WindowTest::call(const QString& name, const char* method, const QVariant& argument) {
    QObject* target = name.isEmpty() ? view() : object(name);
    QVariant result;
    if (!target) return result;
    const bool called = argument.isValid()
                            ? QMetaObject::invokeMethod(target, method, Q_RETURN_ARG(QVariant, result),
                                                        Q_ARG(QVariant, argument))
                            : QMetaObject::invokeMethod(target, method, Q_RETURN_ARG(QVariant, result));
    EXPECT_TRUE(called) << method;
    return result;
}

void WindowTest::publishLarge(const std::string& id, const std::string& version) {
    env.publish(id, version, {{"Contents/Resources/noise.bin", randomBytes(512 * 1024)}});
}

void WindowTest::publishAndRefresh(std::initializer_list<const char*> ids) {
    for (const char* id : ids) env.publish(id, std::string(id) + "-1.0");
    refresh();
}

void WindowTest::picture(const QString& name) {
    // Without the pointer on a control; hover and selection changes fade for a quarter of a second.
    QTest::mouseMove(window_, QPoint(window_->width() - 1, window_->height() - 1));
    runFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(savePicture(window_->contentItem(), name)) << name.toStdString();
}

} // namespace novra::test
