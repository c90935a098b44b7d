#include "SocialTest.h"

#include <chrono>

#include <QAccessible>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QSettings>
#include <QtQuickTest/quicktest.h>

#include "launcher/social/SocialAPI.h"
#include "launcher/social/model/SocialModel.h"
#include "support/TestSupport.h"
#include "support/social/DemoCast.h"
#include "support/social/SocialTestSupport.h"
#include "tools/social-service/SocialService.h"

namespace novra::test {

SocialTest::SocialTest(QObject* parent) : QObject(parent) {}

SocialTest::~SocialTest() {
    if (service_) service_->stop();
    stopSecretStore();
}

void SocialTest::setUp() {
    runtime_ = leaveTheDesktop();
    if (!useSecretStore(SecretStore::Keyring)) qFatal("the keyring did not start");
    settings_ = std::make_unique<TempDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings_->path()));

    service_ = std::make_unique<tools::SocialService>();
    service_->keepRequestBodies(true);
    conversationStart_ = startWithDemoCast(*service_);
    qputenv(SocialAPI::kTestOriginVariable, QByteArray::fromStdString(service_->origin()));
}

QObject* SocialTest::model() {
    if (!service_) setUp();
    return &SocialModel::shared();
}

bool SocialTest::idle() {
    return SocialModel::shared().idle();
}

void SocialTest::addMessage(const QString& from, const QString& to, const QString& body) {
    service_->addMessage(from.toStdString(), to.toStdString(), body.toStdString());
}

void SocialTest::fail(const QString& method, const QString& path, int status, const QString& text, int delayMs) {
    tools::SocialService::Injection injection;
    if (status != 0) {
        injection.status = status;
        injection.body = QJsonDocument(QJsonObject{{QStringLiteral("error"), text}}).toJson().toStdString();
    }
    injection.delay = std::chrono::milliseconds(delayMs);
    service_->inject(method.toStdString(), path.toStdString(), injection);
}

void SocialTest::heal() {
    service_->clearInjections();
}

QStringList SocialTest::sent(const QString& method, const QString& path) const {
    QStringList bodies;
    const std::string target = "/player/api/" + path.toStdString();
    for (const auto& request : service_->requests())
        if (request.method == method.toStdString() && request.target == target)
            bodies.append(QString::fromStdString(request.body));
    return bodies;
}

bool SocialTest::laidOut(QQuickItem* item) const {
    return item && item->window() && QQuickTest::qWaitForPolish(item->window(), 5000);
}

QStringList SocialTest::unnamedControls(QObject* root) const {
    QStringList unnamed;
    auto* item = qobject_cast<QQuickItem*>(root);
    if (!item || !item->isVisible()) return unnamed;
    const bool control = item->inherits("QQuickAbstractButton") || item->inherits("QQuickTextInput") ||
                         item->inherits("QQuickTextEdit");
    if (control) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(item);
        if (!accessible || accessible->text(QAccessible::Name).isEmpty())
            unnamed.append(item->objectName().isEmpty() ? QString::fromLatin1(item->metaObject()->className())
                                                        : item->objectName());
    }
    for (QQuickItem* child : item->childItems())
        unnamed.append(unnamedControls(child));
    return unnamed;
}

} // namespace novra::test
