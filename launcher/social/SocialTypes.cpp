#include "launcher/social/SocialTypes.h"

namespace novra {
namespace {

template <class T> std::vector<T> decodeArray(const JsonObject& object, const char* key) {
    std::vector<T> items;
    for (const auto& [element, path] : object.array(key)) items.push_back(T::decode(JsonObject(*element, path)));
    return items;
}

} // namespace

PlayerAccount PlayerAccount::decode(const JsonObject& o) {
    return {o.string("id"), o.optionalString("username"), o.boolean("registered")};
}

FriendPresence FriendPresence::decode(const JsonObject& o) {
    return {o.boolean("online"), o.optionalString("current_game"), o.optionalInteger("last_seen")};
}

SocialFriend SocialFriend::decode(const JsonObject& o) {
    return {o.string("id"), o.string("username"), o.integer("unread"), FriendPresence::decode(o.object("presence"))};
}

FriendRequest FriendRequest::decode(const JsonObject& o) {
    return {o.string("id"), o.string("username"), o.integer("created")};
}

SocialSnapshot SocialSnapshot::decode(const JsonObject& o) {
    return {decodeArray<SocialFriend>(o, "friends"), decodeArray<FriendRequest>(o, "incoming_requests"),
            decodeArray<FriendRequest>(o, "outgoing_requests"), decodeArray<FriendRequest>(o, "blocked")};
}

DirectMessage DirectMessage::decode(const JsonObject& o) {
    return {o.integer("id"),        o.string("sender_id"), o.string("recipient_id"),
            o.string("client_id"), o.string("body"),      o.integer("created")};
}

MessagePage MessagePage::decode(const JsonObject& o) {
    return {decodeArray<DirectMessage>(o, "messages"), o.optionalInteger("next_before"), o.integer("read_through")};
}

SentMessage SentMessage::decode(const JsonObject& o) { return {DirectMessage::decode(o.object("message"))}; }

APIResult APIResult::decode(const Json&) { return {}; }

SocialFailure SocialFailure::badAddress() { return SocialFailure(0, "Неверный адрес"); }

SocialFailure SocialFailure::noAnswer() { return SocialFailure(0, "Сервер не ответил"); }

SocialFailure SocialFailure::tooLarge() {
    return SocialFailure(0, "Ответ сервера слишком велик");
}

SocialFailure SocialFailure::forAnswer(int status, std::string_view body) {
    std::string message = status == 404 ? "Социальная часть NOVRA ещё не включена на сервере"
                                        : "Сервис недоступен (" + std::to_string(status) + ")";
    // A body that is not a JSON object is no error of its own: the status text stands.
    Json document = Json::parse(body.begin(), body.end(), nullptr, false);
    if (document.is_object()) {
        auto it = document.find("error");
        if (it != document.end() && it->is_string()) message = it->get<std::string>();
    }
    return SocialFailure(status, message);
}

namespace SocialBody {

Json empty() { return Json::object(); }

Json credentials(const std::string& username, const std::string& password) {
    return Json{{"username", username}, {"password", password}};
}

Json presence(const std::optional<std::string>& currentGame) {
    Json body = Json::object();
    body["current_game"] = currentGame ? Json(*currentGame) : Json(nullptr);
    return body;
}

Json friendRequest(const std::string& username) { return Json{{"username", username}}; }

Json message(const std::string& clientID, const std::string& body) {
    return Json{{"client_id", clientID}, {"body", body}};
}

Json markRead(int64_t through) { return Json{{"through", through}}; }

} // namespace SocialBody
} // namespace novra
