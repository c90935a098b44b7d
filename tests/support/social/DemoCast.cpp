#include "DemoCast.h"

#include <chrono>

#include <QDateTime>
#include <QString>

#include "tools/social-service/SocialService.h"

namespace novra::test {
namespace {

// The players (DemoCast.h), their conversations of the last half hour at the times %1 to %7.
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

int64_t startWithDemoCast(tools::SocialService& service) {
    const int64_t start = QDateTime::currentSecsSinceEpoch() / 60 * 60 - 30 * 60;
    QString seed = QString::fromUtf8(kSeed);
    for (int offset : {0, 60, 120, 240, 300, 900, 960}) seed = seed.arg(start + offset);
    service.loadSeed(seed.toStdString());
    service.setPresenceTimeout(std::chrono::hours(1));
    service.start();
    // Вера's long conversation, read by the player.
    int64_t last = 0;
    for (int i = 1; i <= 60; ++i) last = service.addMessage("p-vera", "p-demo", "Сообщение " + std::to_string(i));
    service.actAs("p-demo", "POST", "social/messages/p-vera/read", "{\"through\": " + std::to_string(last) + "}");
    return start;
}

} // namespace novra::test
