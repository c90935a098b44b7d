#include "tools/demo-studio/DemoCast.h"

#include <chrono>
#include <iostream>
#include <optional>
#include <vector>

#include "core/Json.h"
#include "platform/Files.h"
#include "tools/social-service/SocialService.h"

namespace novra::demo {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kDemo = "p-demo";
constexpr const char* kAnya = "p-anya";
constexpr const char* kBoris = "p-boris";
constexpr const char* kEgor = "p-egor";

// Who is online from the start, and in which game ("" for none).
const std::map<std::string, std::string> kOnline = {
    {kAnya, "ember-run"}, {"p-dina", "polar-bloom"}, {"p-vera", ""}, {kBoris, ""}};
// The games Борис takes turns with.
const char* const kBorisGames[] = {"copper-hills", "lantern-keep", "paper-kings"};
const char* const kAnyaReplies[] = {
    "Ха, точно! Я как раз в игре, так что отвечаю коротко.",
    "Давай вечером сыграем вместе?",
    "Согласна. Кстати, вышло обновление «Угольного забега», попробуй.",
    "Сейчас доиграю уровень и напишу подробнее.",
    "Поняла, до связи!",
};

constexpr auto kTick = 250ms;
constexpr auto kPresenceEvery = 20s;  // well inside the service's 60 seconds
constexpr auto kRequestAfter = 15s;   // Егор's friend request
constexpr auto kBorisIdle = 30s;      // between two of Борис's games
constexpr auto kBorisPlays = 60s;     // one game of Борис
constexpr auto kReplyAfter = 1500ms;  // Аня's answer
constexpr auto kCommentAfter = 3s;    // Аня noticing the demo player's game

Json presenceBody(const std::string& game) {
    return game.empty() ? Json::object() : Json{{"current_game", game}};
}

struct Outgoing {
    Clock::time_point due;
    std::string to;
    std::string body;
};

} // namespace

std::string demoSeed() {
    const int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    Json accounts = Json::array({Json{{"id", kDemo}, {"username", kDemoUsername}, {"password", kDemoPassword}}});
    const std::pair<const char*, const char*> friends[] = {
        {kAnya, "Аня"}, {kBoris, "Борис"}, {"p-vera", "Вера"}, {"p-gleb", "Глеб"}, {"p-dina", "Дина"}, {kEgor, "Егор"}};
    Json pairs = Json::array();
    for (const auto& [id, name] : friends) {
        accounts.push_back(Json{{"id", id}, {"username", name}, {"password", platform::uuidText()}});
        if (std::string(id) != kEgor) pairs.push_back(Json::array({kDemo, id}));
    }
    Json presence = Json::array();
    for (const auto& [id, game] : kOnline) {
        Json entry{{"id", id}};
        if (!game.empty()) entry["current_game"] = game;
        presence.push_back(entry);
    }
    Json messages = Json::array({
        Json{{"from", kAnya}, {"to", kDemo}, {"created", now - 5400},
             {"body", "Привет! Вечером заходи в «Угольный забег», я нашла короткий путь по крышам."}},
        Json{{"from", kDemo}, {"to", kAnya}, {"created", now - 5300}, {"body", "Договорились!"}},
        Json{{"from", "p-dina"}, {"to", kDemo}, {"created", now - 1200},
             {"body", "Посмотри новую сборку «Полярного цветения» — узоры каждый раз другие."}},
    });
    // The first two messages have been read on both sides; Дина's is new.
    Json read = Json::array({Json{{"reader", kDemo}, {"friend", kAnya}, {"through", 2}},
                             Json{{"reader", kAnya}, {"friend", kDemo}, {"through", 2}}});
    return Json{{"accounts", accounts}, {"friends", pairs}, {"presence", presence}, {"messages", messages},
                {"read", read}}
        .dump();
}

DemoCast::DemoCast(tools::SocialService& service, std::map<std::string, std::string> titles)
    : service_(service), titles_(std::move(titles)) {}

DemoCast::~DemoCast() { stop(); }

void DemoCast::start() { thread_ = std::thread([this] { run(); }); }

void DemoCast::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void DemoCast::run() {
    const Clock::time_point started = Clock::now();
    std::map<std::string, std::string> online = kOnline;
    Clock::time_point presenceDue = started;
    bool requestSent = false;
    Clock::time_point borisDue = started + kBorisIdle;
    size_t borisTurn = 0;
    std::optional<std::string> demoGame;
    size_t replyTurn = 0;
    std::vector<Outgoing> outgoing;

    auto act = [this](const char* who, const char* method, const std::string& path, const Json& body) {
        auto [status, answer] = service_.actAs(who, method, path, body.dump());
        if (status != 200) throw std::runtime_error(path + ": HTTP " + std::to_string(status) + " " + answer);
        return answer.empty() ? Json() : parseJson(answer);
    };
    auto title = [this](const std::string& id) {
        auto found = titles_.find(id);
        return found == titles_.end() ? id : found->second;
    };

    std::unique_lock lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        const Clock::time_point now = Clock::now();
        try {
            if (now >= presenceDue) {
                for (const auto& [id, game] : online) act(id.c_str(), "POST", "social/presence", presenceBody(game));
                presenceDue = now + kPresenceEvery;
            }
            if (!requestSent && now >= started + kRequestAfter) {
                requestSent = true;
                // Refused (quietly) when the two are friends already or one blocked the other.
                auto [status, answer] = service_.actAs(kEgor, "POST", "social/friends/request",
                                                       Json{{"username", kDemoUsername}}.dump());
                if (status == 200) std::cerr << "демо: Егор отправил запрос в друзья" << std::endl;
            }
            if (now >= borisDue) {
                std::string& game = online[kBoris];
                game = game.empty() ? kBorisGames[borisTurn++ % std::size(kBorisGames)] : "";
                act(kBoris, "POST", "social/presence", presenceBody(game));
                borisDue = now + (game.empty() ? kBorisIdle : kBorisPlays);
                std::cerr << "демо: Борис " << (game.empty() ? "вышел из игры" : "запустил «" + title(game) + "»") << std::endl;
            }

            // Аня reads what came and answers; she also notices the demo player's game.
            Json snapshot = act(kAnya, "GET", "social", Json::object());
            for (const Json& entry : snapshot.at("friends")) {
                const std::string id = entry.at("id").get<std::string>();
                if (id == kDemo) {
                    const Json& presence = entry.at("presence");
                    std::optional<std::string> game;
                    if (presence.contains("current_game")) game = presence.at("current_game").get<std::string>();
                    if (game && game != demoGame) {
                        std::cerr << "демо: Аня видит, что demo играет в «" << title(*game) << "»" << std::endl;
                        outgoing.push_back({now + kCommentAfter, id,
                                            "Вижу, ты сейчас в игре «" + title(*game) + "»! Как впечатления?"});
                    }
                    demoGame = game;
                }
                if (entry.at("unread").get<int64_t>() == 0) continue;
                Json page = act(kAnya, "GET", "social/messages/" + id, Json::object());
                int64_t newest = 0;
                for (const Json& message : page.at("messages"))
                    if (message.at("sender_id") == id) newest = std::max(newest, message.at("id").get<int64_t>());
                act(kAnya, "POST", "social/messages/" + id + "/read", Json{{"through", newest}});
                outgoing.push_back(
                    {now + kReplyAfter, id, kAnyaReplies[replyTurn++ % std::size(kAnyaReplies)]});
            }
            // Each message is tried once: a refusal (the demo player blocked Аня, say) drops it.
            std::vector<Outgoing> due;
            std::erase_if(outgoing, [&](Outgoing& o) { return o.due <= now && (due.push_back(o), true); });
            for (const Outgoing& o : due)
                act(kAnya, "POST", "social/messages/" + o.to, Json{{"client_id", platform::uuidText()}, {"body", o.body}});
        } catch (const std::exception& e) {
            // Whatever the demo player did (blocking Аня, say), the others carry on.
            std::cerr << "демо: " << e.what() << std::endl;
        }
        lock.lock();
        wake_.wait_for(lock, kTick, [this] { return stopping_; });
    }
}

} // namespace novra::demo
