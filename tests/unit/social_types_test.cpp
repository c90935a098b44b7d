// The social service's documents: strict decoding.
#include <gtest/gtest.h>

#include "core/LauncherError.h"
#include "launcher/social/SocialTypes.h"

using namespace novra;

namespace {

// The text of the decoding failure, or "" when the body decodes.
template <class T> std::string decodingFailure(const std::string& body) {
    try {
        decodeSocial<T>(body);
        return "";
    } catch (const DecodingError& e) {
        return e.what();
    }
}

const char* kMessage = R"({"id": 7, "sender_id": "p-1", "recipient_id": "p-2",
    "client_id": "0F4C1C9E-3A5B-4B8E-9D0C-6E2F1A7B8C9D", "body": "привет", "created": 1700000000})";

} // namespace

TEST(SocialTypes, AccountUsernameMayBeAbsentOrNull) {
    EXPECT_EQ(decodeSocial<PlayerAccount>(R"({"id": "g-1", "registered": false})"),
              (PlayerAccount{"g-1", std::nullopt, false}));
    EXPECT_EQ(decodeSocial<PlayerAccount>(R"({"id": "g-1", "username": null, "registered": false})"),
              (PlayerAccount{"g-1", std::nullopt, false}));
    EXPECT_EQ(decodeSocial<PlayerAccount>(R"({"id": "p-1", "username": "anna", "registered": true, "extra": [1]})"),
              (PlayerAccount{"p-1", "anna", true}));
}

TEST(SocialTypes, RequiredKeysMustBePresentNotNullAndTyped) {
    struct Case {
        const char* body;
        const char* key; // named in the failure
    };
    const Case cases[] = {
        // Null, wrong types and other documents fail as every decoded document does (Decoding).
        {R"({"username": "anna", "registered": true})", "«id»"},
        {R"({"id": "p-1"})", "«registered»"},
        {R"({"id": "p-1", "username": 3, "registered": true})", "«username»"},
    };
    for (const Case& c : cases) {
        std::string failure = decodingFailure<PlayerAccount>(c.body);
        EXPECT_NE(failure.find(c.key), std::string::npos) << c.body << " -> " << failure;
    }
}

TEST(SocialTypes, PresenceOfAnOfflineFriend) {
    EXPECT_EQ(decodeSocial<FriendPresence>(R"({"online": false})"), (FriendPresence{false, std::nullopt, std::nullopt}));
    EXPECT_EQ(decodeSocial<FriendPresence>(R"({"online": true, "current_game": "orbit", "last_seen": 1700000000})"),
              (FriendPresence{true, "orbit", 1700000000}));
    EXPECT_NE(decodingFailure<FriendPresence>(R"({"current_game": "orbit"})"), "");
}

TEST(SocialTypes, SnapshotNeedsAllFourLists) {
    const std::string friendJSON =
        R"({"id": "p-2", "username": "boris", "unread": 3, "presence": {"online": true, "current_game": "orbit"}})";
    const std::string entry = R"({"id": "p-3", "username": "vera", "created": 1700000000})";
    SocialSnapshot snapshot = decodeSocial<SocialSnapshot>(R"({"friends": [)" + friendJSON +
                                                           R"(], "incoming_requests": [)" + entry +
                                                           R"(], "outgoing_requests": [], "blocked": []})");
    ASSERT_EQ(snapshot.friends.size(), 1u);
    EXPECT_EQ(snapshot.friends[0], (SocialFriend{"p-2", "boris", 3, {true, "orbit", std::nullopt}}));
    EXPECT_EQ(snapshot.incoming_requests, (std::vector<FriendRequest>{{"p-3", "vera", 1700000000}}));

    for (const char* missing : {"friends", "incoming_requests", "outgoing_requests", "blocked"}) {
        Json document = {{"friends", Json::array()},
                         {"incoming_requests", Json::array()},
                         {"outgoing_requests", Json::array()},
                         {"blocked", Json::array()}};
        document.erase(missing);
        std::string failure = decodingFailure<SocialSnapshot>(document.dump());
        EXPECT_NE(failure.find(missing), std::string::npos) << failure;
    }
    // One bad element fails the whole snapshot, naming where it is.
    std::string failure = decodingFailure<SocialSnapshot>(
        R"({"friends": [{"id": "p-2", "username": "boris", "unread": 1}], "incoming_requests": [],
            "outgoing_requests": [], "blocked": []})");
    EXPECT_NE(failure.find("friends[0].presence"), std::string::npos) << failure;
}

TEST(SocialTypes, MessagesAndPages) {
    DirectMessage message = decodeSocial<DirectMessage>(kMessage);
    EXPECT_EQ(message, (DirectMessage{7, "p-1", "p-2", "0F4C1C9E-3A5B-4B8E-9D0C-6E2F1A7B8C9D", "привет", 1700000000}));
    EXPECT_EQ(decodeSocial<SentMessage>(std::string(R"({"message": )") + kMessage + "}").message, message);

    MessagePage page = decodeSocial<MessagePage>(std::string(R"({"messages": [)") + kMessage + R"(], "read_through": 5})");
    EXPECT_EQ(page.messages.size(), 1u);
    EXPECT_EQ(page.next_before, std::nullopt);
    EXPECT_EQ(page.read_through, 5);
    EXPECT_EQ(decodeSocial<MessagePage>(R"({"messages": [], "next_before": 41, "read_through": 0})").next_before, 41);
    EXPECT_NE(decodingFailure<MessagePage>(R"({"messages": []})").find("read_through"), std::string::npos);
}

TEST(SocialTypes, MessageIdsAreSigned64BitIntegers) {
    auto withID = [](const std::string& id) {
        std::string text = kMessage;
        return text.replace(text.find("7,"), 1, id);
    };
    // Beyond the exact range of a double: the integer is kept exactly.
    EXPECT_EQ(decodeSocial<DirectMessage>(withID("9007199254740993")).id, 9007199254740993LL);
    EXPECT_EQ(decodeSocial<DirectMessage>(withID("9223372036854775807")).id, INT64_MAX);
    for (const char* bad : {R"("7")", "9223372036854775808", "7.5", "true", "null"})
        EXPECT_NE(decodingFailure<DirectMessage>(withID(bad)).find("«id»"), std::string::npos) << bad;
}

TEST(SocialTypes, APIResultTakesAnyDocumentButNoBytes) {
    for (const char* body : {"{}", "[]", R"({"ok": true})", "0", "null"})
        EXPECT_EQ(decodingFailure<APIResult>(body), "") << body;
    EXPECT_NE(decodingFailure<APIResult>(""), "");
    EXPECT_NE(decodingFailure<APIResult>("{"), "");

    EXPECT_EQ(decodeSocial<std::optional<APIResult>>("null"), std::nullopt);
    EXPECT_EQ(decodeSocial<std::optional<APIResult>>("{}"), APIResult{});
    EXPECT_NE(decodingFailure<std::optional<APIResult>>(""), "");
    // An optional document is none only for null; anything else must still decode.
    EXPECT_EQ(decodeSocial<std::optional<PlayerAccount>>("null"), std::nullopt);
    EXPECT_NE(decodingFailure<std::optional<PlayerAccount>>("{}"), "");
}
