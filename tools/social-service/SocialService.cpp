#include "tools/social-service/SocialService.h"

#include <httplib.h>

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

#include "core/Json.h"
#include "core/LauncherError.h"
#include "platform/Files.h"
#include "tools/http/LocalServer.h"

namespace novra::tools {
namespace {

using Clock = std::chrono::steady_clock;
using Pair = std::pair<std::string, std::string>;

constexpr const char* kApiRoot = "/player/api/";
constexpr const char* kCookie = "factory_player";
constexpr int kDefaultLimit = 50;
constexpr int kMaximumLimit = 100;
constexpr size_t kMaximumBodyBytes = 16000;

// An answer that ends the handling of a request: a status with {"error": message}.
struct Refusal {
    int status;
    std::string message;
};

struct Account {
    std::string id;
    std::string username;
    std::string password;
    bool online = false;
    std::optional<std::string> game;
    std::optional<int64_t> lastSeen;
    int64_t lastReport = 0;
};

struct Session {
    std::string guestID;                // the id shown while no account is bound
    std::optional<std::string> account; // the registered account signed in with this session
};

struct Message {
    int64_t id = 0;
    std::string from;
    std::string to;
    std::string clientID;
    std::string body;
    int64_t created = 0;
};

Pair unordered(const std::string& a, const std::string& b) { return a < b ? Pair{a, b} : Pair{b, a}; }

std::vector<std::string> split(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos) return parts;
        start = slash + 1;
    }
}

bool isUUID(const std::string& text) {
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

bool validUsername(const std::string& name) {
    if (name.size() < 3 || name.size() > 32) return false;
    return std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '.' || c == '-';
    });
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<std::string> cookieValue(const httplib::Request& request, const std::string& name) {
    for (size_t i = 0; i < request.get_header_value_count("Cookie"); ++i) {
        std::string header = request.get_header_value("Cookie", i);
        size_t start = 0;
        while (start < header.size()) {
            size_t end = header.find(';', start);
            std::string pair = header.substr(start, end == std::string::npos ? std::string::npos : end - start);
            size_t first = pair.find_first_not_of(' ');
            if (first != std::string::npos) pair = pair.substr(first);
            size_t equals = pair.find('=');
            if (equals != std::string::npos && pair.substr(0, equals) == name) return pair.substr(equals + 1);
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    return std::nullopt;
}

// A query parameter that must be a whole number within [min, max] when present.
std::optional<int64_t> integerParameter(const httplib::Request& request, const char* name, int64_t min, int64_t max) {
    if (!request.has_param(name)) return std::nullopt;
    std::string text = request.get_param_value(name);
    size_t used = 0;
    int64_t value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || value < min || value > max)
        throw Refusal{400, std::string("Неверный параметр ") + name};
    return value;
}

} // namespace

struct SocialService::Impl {
    mutable std::mutex mutex;
    std::map<std::string, Account> accounts; // by id
    std::map<std::string, Session> sessions; // by token
    std::set<Pair> friends;                  // ordered pairs of ids
    std::map<Pair, int64_t> requests;        // (from, to) -> created
    std::map<Pair, int64_t> blocks;          // (by, blocked) -> created
    std::vector<Message> messages;           // in id order
    int64_t nextMessage = 1;
    std::map<Pair, int64_t> readThrough; // (reader, friend) -> newest id read
    std::map<Pair, Injection> injections; // (method, path)
    std::deque<LoggedRequest> log; // the newest logSize requests
    size_t logSize = kRequestLogSize;
    uint64_t logged = 0; // requests logged since the start, the dropped ones included
    bool keepBodies = false;
    std::function<int64_t()> clock;
    std::chrono::seconds presenceTimeout{60};
    std::mt19937_64 random{std::random_device{}()};

    httplib::Server server;
    std::thread thread;
    int port = 0;

    // --- helpers; the caller holds the mutex ---

    int64_t now() const {
        if (clock) return clock();
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    }

    std::string randomHex(size_t digits) {
        static const char* hex = "0123456789abcdef";
        std::string text;
        for (size_t i = 0; i < digits; ++i) text += hex[random() % 16];
        return text;
    }

    const Account* byName(const std::string& username) const {
        for (const auto& [id, account] : accounts)
            if (account.username == username) return &account;
        return nullptr;
    }

    Account& account(const std::string& id) {
        auto it = accounts.find(id);
        if (it == accounts.end()) throw Refusal{404, "Игрок не найден"};
        return it->second;
    }

    bool areFriends(const std::string& a, const std::string& b) const { return friends.count(unordered(a, b)) > 0; }

    bool blockedEitherWay(const std::string& a, const std::string& b) const {
        return blocks.count({a, b}) > 0 || blocks.count({b, a}) > 0;
    }

    std::string newAccount(const std::string& id, const std::string& username, const std::string& password) {
        if (accounts.count(id)) throw std::runtime_error("Повторный id игрока: " + id);
        Account& account = accounts[id];
        account.id = id;
        account.username = username;
        account.password = password;
        return id;
    }

    std::string newSession(std::optional<std::string> accountID) {
        std::string token = randomHex(32);
        sessions[token] = Session{"g-" + randomHex(10), std::move(accountID)};
        return token;
    }

    int64_t newMessage(const std::string& from, const std::string& to, const std::string& clientID,
                       const std::string& body, int64_t created) {
        int64_t id = nextMessage++;
        messages.push_back(Message{id, from, to, clientID, body, created});
        return id;
    }

    void befriend(const std::string& a, const std::string& b) {
        friends.insert(unordered(a, b));
        requests.erase({a, b});
        requests.erase({b, a});
    }

    // --- documents ---

    Json accountJSON(const Session& session) const {
        if (session.account) {
            const Account& a = accounts.at(*session.account);
            return Json{{"id", a.id}, {"username", a.username}, {"registered", true}};
        }
        return Json{{"id", session.guestID}, {"username", nullptr}, {"registered", false}};
    }

    Json presenceJSON(const Account& a) const {
        bool online = a.online && now() - a.lastReport <= presenceTimeout.count();
        Json presence{{"online", online}};
        if (online && a.game) presence["current_game"] = *a.game;
        if (a.lastSeen) presence["last_seen"] = *a.lastSeen;
        return presence;
    }

    Json messageJSON(const Message& m) const {
        return Json{{"id", m.id},           {"sender_id", m.from}, {"recipient_id", m.to},
                    {"client_id", m.clientID}, {"body", m.body},      {"created", m.created}};
    }

    Json entryJSON(const std::string& id, int64_t created) const {
        return Json{{"id", id}, {"username", accounts.at(id).username}, {"created", created}};
    }

    int64_t unread(const std::string& reader, const std::string& from) const {
        auto mark = readThrough.find({reader, from});
        int64_t through = mark == readThrough.end() ? 0 : mark->second;
        return std::count_if(messages.begin(), messages.end(), [&](const Message& m) {
            return m.from == from && m.to == reader && m.id > through;
        });
    }

    Json snapshotJSON(const std::string& me) const {
        std::vector<const Account*> mine;
        for (const auto& [a, b] : friends) {
            if (a == me) mine.push_back(&accounts.at(b));
            if (b == me) mine.push_back(&accounts.at(a));
        }
        std::sort(mine.begin(), mine.end(), [](const Account* x, const Account* y) { return x->username < y->username; });
        Json list = Json::array();
        for (const Account* f : mine)
            list.push_back(Json{{"id", f->id},
                                {"username", f->username},
                                {"unread", unread(me, f->id)},
                                {"presence", presenceJSON(*f)}});
        Json incoming = Json::array(), outgoing = Json::array(), blocked = Json::array();
        for (const auto& [pair, created] : requests) {
            if (pair.second == me) incoming.push_back(entryJSON(pair.first, created));
            if (pair.first == me) outgoing.push_back(entryJSON(pair.second, created));
        }
        for (const auto& [pair, created] : blocks)
            if (pair.first == me) blocked.push_back(entryJSON(pair.second, created));
        return Json{{"friends", list}, {"incoming_requests", incoming}, {"outgoing_requests", outgoing},
                    {"blocked", blocked}};
    }

    // --- requests ---

    std::string setCookie(const std::string& token) const {
        if (token.empty()) return std::string(kCookie) + "=; Path=/; Max-Age=0; HttpOnly";
        return std::string(kCookie) + "=" + token + "; Path=/; HttpOnly; SameSite=Lax";
    }

    std::pair<std::string, Session*> session(const httplib::Request& request) {
        std::optional<std::string> token = cookieValue(request, kCookie);
        if (!token) return {"", nullptr};
        auto it = sessions.find(*token);
        return it == sessions.end() ? std::pair<std::string, Session*>{"", nullptr} : std::pair{it->first, &it->second};
    }

    std::pair<std::string, Session*> requireSession(const httplib::Request& request) {
        auto found = session(request);
        if (!found.second) throw Refusal{401, "Сеанс не найден"};
        return found;
    }

    std::string requirePlayer(const httplib::Request& request) {
        Session* s = requireSession(request).second;
        if (!s->account) throw Refusal{403, "Войдите в аккаунт"};
        return *s->account;
    }

    Json body(const httplib::Request& request) const {
        std::string type = request.get_header_value("Content-Type");
        if (type.rfind("application/json", 0) != 0) throw Refusal{415, "Нужен Content-Type: application/json"};
        try {
            Json document = parseJson(request.body);
            if (!document.is_object()) throw Refusal{400, "Тело запроса должно быть объектом JSON"};
            return document;
        } catch (const DecodingError& e) {
            throw Refusal{400, e.what()};
        }
    }

    void signIn(httplib::Response& response, const std::string& oldToken, const std::string& accountID) {
        sessions.erase(oldToken);
        std::string token = newSession(accountID);
        response.set_header("Set-Cookie", setCookie(token));
        response.set_content(accountJSON(sessions.at(token)).dump(), "application/json");
    }

    // Handles one API request; `path` is the part after the API root. The caller holds the mutex.
    void handle(const std::string& method, const std::string& path, const httplib::Request& request,
                httplib::Response& response) {
        std::vector<std::string> parts = split(path);
        auto expect = [&](const char* wanted) {
            if (method != wanted) throw Refusal{405, "Метод не поддерживается"};
        };
        auto ok = [&](const Json& document) { response.set_content(document.dump(), "application/json"); };

        try {
            if (path == "session") {
                if (method == "GET") return ok(accountJSON(*requireSession(request).second));
                expect("POST");
                body(request);
                auto [token, existing] = session(request);
                if (existing) return ok(accountJSON(*existing));
                std::string fresh = newSession(std::nullopt);
                response.set_header("Set-Cookie", setCookie(fresh));
                return ok(accountJSON(sessions.at(fresh)));
            }
            if (path == "login" || path == "register") {
                expect("POST");
                Json document = body(request);
                JsonObject fields(document, "");
                std::string username = fields.string("username"), password = fields.string("password");
                std::string token = requireSession(request).first;
                if (path == "login") {
                    const Account* a = byName(username);
                    if (!a || a->password != password) throw Refusal{403, "Неверное имя пользователя или пароль"};
                    return signIn(response, token, a->id);
                }
                if (!validUsername(username))
                    throw Refusal{400, "Имя: от 3 до 32 латинских букв, цифр, точек, дефисов или подчёркиваний"};
                if (password.size() < 8) throw Refusal{400, "Пароль должен быть не короче 8 символов"};
                for (const auto& [id, a] : accounts)
                    if (lower(a.username) == lower(username)) throw Refusal{409, "Это имя уже занято"};
                return signIn(response, token, newAccount("p-" + randomHex(10), username, password));
            }
            if (path == "logout") {
                expect("POST");
                body(request);
                sessions.erase(requireSession(request).first);
                response.set_header("Set-Cookie", setCookie(""));
                return ok(Json::object());
            }
            if (parts[0] != "social") throw Refusal{404, ""};
            std::string me = requirePlayer(request);
            if (path == "social") {
                expect("GET");
                return ok(snapshotJSON(me));
            }
            if (path == "social/presence" || path == "social/presence/offline") {
                expect("POST");
                Json document = body(request);
                JsonObject fields(document, "");
                Account& a = accounts.at(me);
                a.lastSeen = now();
                if (path == "social/presence") {
                    a.online = true;
                    a.game = fields.optionalString("current_game");
                    a.lastReport = now();
                    return ok(Json::object());
                }
                a.online = false;
                a.game.reset();
                return ok(nullptr);
            }
            if (path == "social/friends/request") {
                expect("POST");
                std::string username = JsonObject(body(request), "").string("username");
                const Account* target = byName(username);
                if (!target) throw Refusal{404, "Игрок с таким именем не найден"};
                if (target->id == me) throw Refusal{400, "Нельзя добавить в друзья самого себя"};
                if (blockedEitherWay(me, target->id)) throw Refusal{403, "Этот игрок недоступен"};
                if (areFriends(me, target->id)) throw Refusal{409, "Вы уже друзья"};
                if (requests.count({target->id, me})) {
                    befriend(me, target->id);
                } else {
                    requests.emplace(Pair{me, target->id}, now());
                }
                return ok(Json::object());
            }
            if (parts.size() == 4 && parts[1] == "friends") {
                expect("POST");
                body(request);
                const std::string& other = parts[2];
                if (parts[3] == "accept") {
                    if (!requests.count({other, me})) throw Refusal{404, "Запрос в друзья не найден"};
                    befriend(me, other);
                    return ok(Json::object());
                }
                if (parts[3] == "decline") {
                    if (!requests.erase({other, me}) && !requests.erase({me, other}))
                        throw Refusal{404, "Запрос в друзья не найден"};
                    return ok(Json::object());
                }
                if (parts[3] == "remove") {
                    if (!friends.erase(unordered(me, other))) throw Refusal{404, "Этого игрока нет в друзьях"};
                    return ok(Json::object());
                }
            }
            if (parts.size() == 4 && parts[1] == "blocks") {
                expect("POST");
                body(request);
                const std::string& other = parts[2];
                if (parts[3] == "block") {
                    account(other);
                    if (other == me) throw Refusal{400, "Нельзя заблокировать самого себя"};
                    blocks.emplace(Pair{me, other}, now());
                    friends.erase(unordered(me, other));
                    requests.erase({me, other});
                    requests.erase({other, me});
                    return ok(Json::object());
                }
                if (parts[3] == "unblock") {
                    blocks.erase({me, other});
                    return ok(Json::object());
                }
            }
            if ((parts.size() == 3 || (parts.size() == 4 && parts[3] == "read")) && parts[1] == "messages") {
                const std::string& other = parts[2];
                account(other);
                if (!areFriends(me, other)) throw Refusal{403, "Переписка доступна только с друзьями"};
                if (parts.size() == 4) {
                    expect("POST");
                    int64_t through = JsonObject(body(request), "").integer("through", 0);
                    int64_t newest = 0;
                    for (const Message& m : messages)
                        if ((m.from == me && m.to == other) || (m.from == other && m.to == me)) newest = m.id;
                    int64_t& mark = readThrough[{me, other}];
                    mark = std::max(mark, std::min(through, newest));
                    return ok(Json::object());
                }
                if (method == "GET") return ok(page(request, me, other));
                expect("POST");
                Json document = body(request);
                JsonObject fields(document, "");
                std::string clientID = fields.string("client_id"), text = fields.string("body");
                if (!isUUID(clientID)) throw Refusal{400, "Неверный client_id"};
                if (text.find_first_not_of(" \t\r\n") == std::string::npos) throw Refusal{400, "Пустое сообщение"};
                if (text.size() > kMaximumBodyBytes) throw Refusal{400, "Сообщение слишком длинное"};
                if (blockedEitherWay(me, other)) throw Refusal{403, "Этот игрок недоступен"};
                // Sending the same message again (same client id) gives the stored one back.
                for (const Message& m : messages) {
                    if (m.from != me || m.clientID != clientID) continue;
                    if (m.to != other) throw Refusal{409, "client_id уже использован"};
                    return ok(Json{{"message", messageJSON(m)}});
                }
                newMessage(me, other, clientID, text, now());
                return ok(Json{{"message", messageJSON(messages.back())}});
            }
            throw Refusal{404, ""};
        } catch (const DecodingError& e) {
            throw Refusal{400, e.what()};
        }
    }

    // The newest `limit` messages of the conversation older than `before`, newest first.
    Json page(const httplib::Request& request, const std::string& me, const std::string& other) const {
        int64_t limit = integerParameter(request, "limit", 1, kMaximumLimit).value_or(kDefaultLimit);
        std::optional<int64_t> before = integerParameter(request, "before", 1, INT64_MAX);
        std::vector<const Message*> older;
        for (const Message& m : messages) {
            bool between = (m.from == me && m.to == other) || (m.from == other && m.to == me);
            if (between && (!before || m.id < *before)) older.push_back(&m);
        }
        Json list = Json::array();
        size_t count = std::min<size_t>(older.size(), static_cast<size_t>(limit));
        for (size_t i = 0; i < count; ++i) list.push_back(messageJSON(*older[older.size() - 1 - i]));
        auto mark = readThrough.find({me, other});
        Json document{{"messages", list}, {"read_through", mark == readThrough.end() ? 0 : mark->second}};
        if (older.size() > count) document["next_before"] = older[older.size() - count]->id;
        return document;
    }

    // Answers an API request: the handler's document, or the status and message of its refusal.
    // The caller holds the mutex.
    void respond(const std::string& relative, const httplib::Request& request, httplib::Response& response) {
        try {
            response.status = 200;
            handle(request.method, relative, request, response);
        } catch (const Refusal& refusal) {
            response.headers.erase("Set-Cookie");
            response.status = refusal.status;
            if (refusal.message.empty()) {
                response.set_content("Not Found", "text/plain");
            } else {
                response.set_content(Json{{"error", refusal.message}}.dump(), "application/json");
            }
        }
    }

    void serve(const httplib::Request& request, httplib::Response& response) {
        std::string path = request.path;
        bool api = path.rfind(kApiRoot, 0) == 0;
        std::string relative = api ? path.substr(std::string(kApiRoot).size()) : path;
        uint64_t entry;
        std::optional<Injection> injection;
        {
            std::lock_guard lock(mutex);
            entry = logged++;
            log.push_back(LoggedRequest{request.method, request.target, request.get_header_value("Cookie"),
                                        request.get_header_value("Origin"), request.get_header_value("Content-Type"),
                                        keepBodies ? request.body : std::string(), Clock::now(), {}});
            if (log.size() > logSize) log.pop_front();
            auto it = injections.find({request.method, relative});
            if (it == injections.end()) it = injections.find({"", relative});
            if (it != injections.end()) injection = it->second;
        }
        if (injection && injection->delay.count() > 0) std::this_thread::sleep_for(injection->delay);

        std::lock_guard lock(mutex);
        if (injection && injection->status) {
            response.status = *injection->status;
            for (const auto& [name, value] : injection->headers) response.set_header(name, value);
            if (!injection->body.empty()) response.set_content(injection->body, "application/json");
        } else if (!api) {
            response.status = 404;
            response.set_content("Not Found", "text/plain");
        } else {
            respond(relative, request, response);
        }
        // The entry may have been dropped from the log (or the log cleared) meanwhile.
        uint64_t first = logged - log.size();
        if (entry >= first) log[entry - first].answered = Clock::now();
    }
};

SocialService::SocialService(size_t requestLogSize) : impl_(std::make_unique<Impl>()) {
    impl_->logSize = std::max<size_t>(requestLogSize, 1);
    auto serve = [this](const httplib::Request& request, httplib::Response& response) { impl_->serve(request, response); };
    // Every path goes through one handler, which routes by itself after logging the request.
    impl_->server.Get(".*", serve);
    impl_->server.Post(".*", serve);
    impl_->server.Put(".*", serve);
    impl_->server.Patch(".*", serve);
    impl_->server.Delete(".*", serve);
    impl_->server.Options(".*", serve);
    impl_->server.set_keep_alive_timeout(1);
}

SocialService::~SocialService() { stop(); }

void SocialService::loadSeed(const std::string& json) {
    Json document = parseJson(json);
    JsonObject seed(document, "");
    std::lock_guard lock(impl_->mutex);
    Impl& s = *impl_;
    auto known = [&](const std::string& id) {
        if (!s.accounts.count(id)) throw std::runtime_error("Неизвестный игрок в начальных данных: " + id);
        return id;
    };
    auto list = [&](const char* key) {
        return seed.json().contains(key) ? seed.array(key) : std::vector<std::pair<const Json*, std::string>>{};
    };
    for (const auto& [element, path] : list("accounts")) {
        JsonObject a(*element, path);
        std::string username = a.string("username");
        if (s.byName(username)) throw std::runtime_error("Повторное имя игрока: " + username);
        s.newAccount(a.optionalString("id").value_or("p-" + s.randomHex(10)), username, a.string("password"));
    }
    for (const auto& [element, path] : list("friends")) {
        if (!element->is_array() || element->size() != 2) throw std::runtime_error(path + ": нужна пара id");
        s.befriend(known(JsonObject::asString((*element)[0], path)), known(JsonObject::asString((*element)[1], path)));
    }
    for (const auto& [element, path] : list("requests")) {
        JsonObject r(*element, path);
        s.requests[{known(r.string("from")), known(r.string("to"))}] = r.optionalInteger("created").value_or(s.now());
    }
    for (const auto& [element, path] : list("blocks")) {
        JsonObject b(*element, path);
        s.blocks[{known(b.string("by")), known(b.string("blocked"))}] = b.optionalInteger("created").value_or(s.now());
    }
    for (const auto& [element, path] : list("presence")) {
        JsonObject p(*element, path);
        Account& a = s.accounts.at(known(p.string("id")));
        a.online = true;
        a.game = p.optionalString("current_game");
        a.lastReport = s.now();
        a.lastSeen = s.now();
    }
    for (const auto& [element, path] : list("messages")) {
        JsonObject m(*element, path);
        std::string from = known(m.string("from")), to = known(m.string("to"));
        std::string clientID = m.optionalString("client_id").value_or(platform::uuidText());
        s.newMessage(from, to, clientID, m.string("body"), m.optionalInteger("created").value_or(s.now()));
    }
    for (const auto& [element, path] : list("read")) {
        JsonObject r(*element, path);
        s.readThrough[{known(r.string("reader")), known(r.string("friend"))}] = r.integer("through", 0);
    }
}

int SocialService::start(int port) {
    Impl& s = *impl_;
    if (s.thread.joinable()) throw std::runtime_error("Сервис уже запущен");
    s.port = listenOnLoopback(s.server, port, s.thread);
    return s.port;
}

void SocialService::stop() {
    if (!impl_->thread.joinable()) return;
    impl_->server.stop();
    impl_->thread.join();
}

int SocialService::port() const { return impl_->port; }

std::string SocialService::origin() const { return "http://127.0.0.1:" + std::to_string(impl_->port); }

void SocialService::inject(const std::string& method, const std::string& path, Injection injection) {
    std::lock_guard lock(impl_->mutex);
    impl_->injections[{method, path}] = std::move(injection);
}

void SocialService::clearInjections() {
    std::lock_guard lock(impl_->mutex);
    impl_->injections.clear();
}

std::vector<SocialService::LoggedRequest> SocialService::requests() const {
    std::lock_guard lock(impl_->mutex);
    return {impl_->log.begin(), impl_->log.end()};
}

void SocialService::keepRequestBodies(bool keep) {
    std::lock_guard lock(impl_->mutex);
    impl_->keepBodies = keep;
}

void SocialService::clearRequests() {
    std::lock_guard lock(impl_->mutex);
    impl_->log.clear();
}

std::string SocialService::addAccount(const std::string& username, const std::string& password) {
    std::lock_guard lock(impl_->mutex);
    if (impl_->byName(username)) throw std::runtime_error("Повторное имя игрока: " + username);
    return impl_->newAccount("p-" + impl_->randomHex(10), username, password);
}

void SocialService::makeFriends(const std::string& a, const std::string& b) {
    std::lock_guard lock(impl_->mutex);
    impl_->befriend(a, b);
}

void SocialService::addRequest(const std::string& from, const std::string& to) {
    std::lock_guard lock(impl_->mutex);
    impl_->requests[{from, to}] = impl_->now();
}

std::string SocialService::sessionFor(const std::string& accountID) {
    std::lock_guard lock(impl_->mutex);
    impl_->account(accountID);
    return impl_->newSession(accountID);
}

void SocialService::setPresence(const std::string& accountID, std::optional<std::string> currentGame) {
    std::lock_guard lock(impl_->mutex);
    Account& a = impl_->account(accountID);
    a.online = true;
    a.game = std::move(currentGame);
    a.lastReport = impl_->now();
    a.lastSeen = a.lastReport;
}

int64_t SocialService::addMessage(const std::string& from, const std::string& to, const std::string& body) {
    std::lock_guard lock(impl_->mutex);
    impl_->account(from);
    impl_->account(to);
    return impl_->newMessage(from, to, platform::uuidText(), body, impl_->now());
}

std::pair<int, std::string> SocialService::actAs(const std::string& accountID, const std::string& method,
                                                const std::string& path, const std::string& body) {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->accounts.count(accountID)) throw std::runtime_error("Игрок не найден: " + accountID);
    std::string token = impl_->newSession(accountID);
    httplib::Request request;
    request.method = method;
    request.path = kApiRoot + path;
    request.body = body;
    request.set_header("Cookie", std::string(kCookie) + "=" + token);
    request.set_header("Content-Type", "application/json");
    httplib::Response response;
    impl_->respond(path, request, response);
    impl_->sessions.erase(token);
    return {response.status, response.body};
}

void SocialService::setClock(std::function<int64_t()> now) {
    std::lock_guard lock(impl_->mutex);
    impl_->clock = std::move(now);
}

void SocialService::setPresenceTimeout(std::chrono::seconds timeout) {
    std::lock_guard lock(impl_->mutex);
    impl_->presenceTimeout = timeout;
}

} // namespace novra::tools
