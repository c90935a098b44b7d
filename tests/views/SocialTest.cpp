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
#include "support/social/SocialTestSupport.h"
#include "tools/social-service/SocialService.h"

namespace novra::test {
namespace {

// The service's players (SocialTest.h), their conversations of the last half hour at the times %1 to %7.
const char* const kSeed = R"({
  "accounts": [{"id": "p-demo", "username": "demo", "password": "novra-demo"},
               {"id": "p-anya", "username": "Аня", "password": "password1"},
               {"id": "p-boris", "username": "Борис", "password": "password1"},
               {"id": "p-vera", "username": "Вера", "password": "password1"},
               {"id": "p-gleb", "username": "Глеб", "password": "password1"},
               {"id": "p-dina", "username": "Дина", "password": "password1"},
               {"id": "p-egor", "username": "Егор", "password": "password1"},
               {"id": "p-lev", "username": "Лев", "password": "password1"},
               {"id": "p-irina", "username": "Ирина", "password": "password1"},
               {"id": "p-zoya", "username": "zoya", "password": "password1"}],
  "friends": [["p-demo", "p-anya"], ["p-demo", "p-boris"], ["p-demo", "p-vera"], ["p-demo", "p-gleb"],
              ["p-demo", "p-dina"]],
  "requests": [{"from": "p-egor", "to": "p-demo"}, {"from": "p-demo", "to": "p-lev"}],
  "blocks": [{"by": "p-demo", "blocked": "p-irina"}],
  "presence": [{"id": "p-anya", "current_game": "ember-run"}, {"id": "p-boris", "current_game": "polar-bloom"},
               {"id": "p-vera"}, {"id": "p-dina", "current_game": "secret-build"}],
  "messages": [
    {"from": "p-anya", "to": "p-demo", "body": "Привет! Видел, что вышел новый забег?", "created": %1},
    {"from": "p-demo", "to": "p-anya", "body": "Ещё нет. Что там нового?", "created": %2},
    {"from": "p-anya", "to": "p-demo",
     "body": "На третьем уровне угли падают прямо с неба, а трасса меняется после каждого круга. Выглядит невероятно.",
     "created": %3},
    {"from": "p-demo", "to": "p-anya", "body": "Звучит отлично. Позовём Бориса?", "created": %4},
    {"from": "p-anya", "to": "p-demo", "body": "Давай! Я пока разогреюсь.", "created": %5},
    {"from": "p-boris", "to": "p-demo", "body": "Заходи в «Полярное цветение», там новая сцена", "created": %6},
    {"from": "p-boris", "to": "p-demo", "body": "Я в лобби", "created": %7}],
  "read": [{"reader": "p-demo", "friend": "p-anya", "through": 5}]})";

} // namespace

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
    conversationStart_ = QDateTime::currentSecsSinceEpoch() / 60 * 60 - 30 * 60;
    QString seed = QString::fromUtf8(kSeed);
    for (int offset : {0, 60, 120, 240, 300, 900, 960})
        seed = seed.arg(conversationStart_ + offset);
    service_->loadSeed(seed.toStdString());
    service_->keepRequestBodies(true);
    service_->setPresenceTimeout(std::chrono::hours(1));
    service_->start();
    // Вера's long conversation, read by the player.
    const qint64 last = addMessages(QStringLiteral("p-vera"), QStringLiteral("p-demo"), QStringLiteral("Сообщение"), 60);
    service_->actAs("p-demo", "POST", "social/messages/p-vera/read", "{\"through\": " + std::to_string(last) + "}");
    qputenv(SocialAPI::kTestOriginVariable, QByteArray::fromStdString(service_->origin()));
}

QObject* SocialTest::model() {
    if (!service_) setUp();
    return &SocialModel::shared();
}

bool SocialTest::idle() {
    return SocialModel::shared().idle();
}

qint64 SocialTest::addMessages(const QString& from, const QString& to, const QString& body, int count) {
    int64_t last = 0;
    for (int i = 1; i <= count; ++i)
        last = service_->addMessage(from.toStdString(), to.toStdString(),
                                    (count == 1 ? body : body + QLatin1Char(' ') + QString::number(i)).toStdString());
    return last;
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
