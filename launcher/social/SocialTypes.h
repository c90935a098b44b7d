#pragma once
// The documents of the studio's social service as the launcher reads them, the failure that the
// service client raises, and the request bodies it sends.
//
// Decoding is strict: a required key must be present, not null and of the right JSON type, or the
// whole answer fails with DecodingError naming the key; optional keys may be absent or null; unknown
// keys are ignored; times are signed 64-bit Unix seconds. Member names are the wire keys.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/Json.h"

namespace novra {

// The account bound to the current session. Only a registered account counts as signed in.
struct PlayerAccount {
    std::string id;
    std::optional<std::string> username; // none for an unregistered session
    bool registered = false;

    static PlayerAccount decode(const JsonObject& object);
    bool operator==(const PlayerAccount&) const = default;
};

// What a friend shares about themselves.
struct FriendPresence {
    bool online = false;
    std::optional<std::string> current_game; // catalog id of the running game
    std::optional<int64_t> last_seen;

    static FriendPresence decode(const JsonObject& object);
    bool operator==(const FriendPresence&) const = default;
};

struct SocialFriend {
    std::string id;
    std::string username;
    int64_t unread = 0; // messages from this friend not yet read by the signed-in player
    FriendPresence presence;

    static SocialFriend decode(const JsonObject& object);
    bool operator==(const SocialFriend&) const = default;
};

// A pending request (incoming or outgoing), and also an entry of the blocked list.
struct FriendRequest {
    std::string id; // the other account
    std::string username;
    int64_t created = 0;

    static FriendRequest decode(const JsonObject& object);
    bool operator==(const FriendRequest&) const = default;
};

struct SocialSnapshot {
    std::vector<SocialFriend> friends;
    std::vector<FriendRequest> incoming_requests;
    std::vector<FriendRequest> outgoing_requests;
    std::vector<FriendRequest> blocked;

    static SocialSnapshot decode(const JsonObject& object);
    bool operator==(const SocialSnapshot&) const = default;
};

struct DirectMessage {
    int64_t id = 0; // assigned by the service; conversations are ordered by it
    std::string sender_id;
    std::string recipient_id;
    std::string client_id; // chosen by the sending client, reused when the same message is sent again
    std::string body;
    int64_t created = 0;

    static DirectMessage decode(const JsonObject& object);
    bool operator==(const DirectMessage&) const = default;
};

// One page of a conversation, in any order.
struct MessagePage {
    std::vector<DirectMessage> messages;
    std::optional<int64_t> next_before; // present when older messages exist: the next "before"
    int64_t read_through = 0;           // newest message id the signed-in player has marked read

    static MessagePage decode(const JsonObject& object);
    bool operator==(const MessagePage&) const = default;
};

struct SentMessage {
    DirectMessage message;

    static SentMessage decode(const JsonObject& object);
    bool operator==(const SentMessage&) const = default;
};

// The answer of a request whose body the launcher ignores: any JSON document. Asked for as
// std::optional<APIResult>, a literal null gives none.
struct APIResult {
    static APIResult decode(const Json& document);
    bool operator==(const APIResult&) const = default;
};

// A failed answer of the social service: the HTTP status (0 when none was known) and the text
// shown to the user, which is also what() exactly.
class SocialFailure : public std::runtime_error {
public:
    SocialFailure(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }
    std::string message() const { return what(); }

    // The request address could not be formed.
    static SocialFailure badAddress();
    // The answer was not an HTTP answer.
    static SocialFailure noAnswer();
    // The answer carried more bytes than the client reads.
    static SocialFailure tooLarge();
    // A non-200 answer: the body's "error" string when the body is a JSON object carrying one,
    // otherwise the text for the status.
    static SocialFailure forAnswer(int status, std::string_view body);

private:
    int status_;
};

namespace detail {
template <class T> struct SocialDecoder {
    static T decode(const Json& document) { return T::decode(JsonObject(document, "")); }
};
template <> struct SocialDecoder<APIResult> {
    static APIResult decode(const Json& document) { return APIResult::decode(document); }
};
template <class T> struct SocialDecoder<std::optional<T>> {
    static std::optional<T> decode(const Json& document) {
        if (document.is_null()) return std::nullopt;
        return SocialDecoder<T>::decode(document);
    }
};
} // namespace detail

// Decodes an answer body as T: one of the documents above, APIResult, or std::optional of one (where
// null gives none). An empty body is not JSON and fails like any other syntax error.
template <class T> T decodeSocial(std::string_view body) {
    return detail::SocialDecoder<T>::decode(parseJson(body));
}

// The request bodies the launcher sends, as JSON objects.
namespace SocialBody {
Json empty();
Json credentials(const std::string& username, const std::string& password);
// "current_game": the running game's catalog id, or null when none runs.
Json presence(const std::optional<std::string>& currentGame);
Json friendRequest(const std::string& username);
Json message(const std::string& clientID, const std::string& body);
Json markRead(int64_t through);
} // namespace SocialBody

} // namespace novra
