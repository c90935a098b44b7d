#include "launcher/social/model/SocialLists.h"

#include <QString>

namespace novra {
namespace {

QVariant text(const std::string& value) {
    return QString::fromStdString(value);
}

QVariant optionalText(const std::optional<std::string>& value) {
    return value ? text(*value) : QVariant();
}

QVariant optionalTime(const std::optional<int64_t>& value) {
    return value ? QVariant::fromValue<qint64>(*value) : QVariant();
}

} // namespace

QHash<int, QByteArray> SocialRows<SocialFriend>::names() {
    return {{Id, "id"},         {Username, "username"},       {Unread, "unread"},
            {Online, "online"}, {CurrentGame, "currentGame"}, {LastSeen, "lastSeen"}};
}

QVariant SocialRows<SocialFriend>::data(const SocialFriend& row, int role) {
    switch (role) {
    case Id:
        return text(row.id);
    case Username:
        return text(row.username);
    case Unread:
        return QVariant::fromValue<qint64>(row.unread);
    case Online:
        return row.presence.online;
    case CurrentGame:
        return optionalText(row.presence.current_game);
    case LastSeen:
        return optionalTime(row.presence.last_seen);
    default:
        return {};
    }
}

QHash<int, QByteArray> SocialRows<FriendRequest>::names() {
    return {{Id, "id"}, {Username, "username"}, {Created, "created"}};
}

QVariant SocialRows<FriendRequest>::data(const FriendRequest& row, int role) {
    switch (role) {
    case Id:
        return text(row.id);
    case Username:
        return text(row.username);
    case Created:
        return QVariant::fromValue<qint64>(row.created);
    default:
        return {};
    }
}

QHash<int, QByteArray> SocialRows<DirectMessage>::names() {
    return {{Id, "id"},     {SenderId, "senderId"}, {RecipientId, "recipientId"}, {ClientId, "clientId"},
            {Body, "body"}, {Created, "created"}};
}

QVariant SocialRows<DirectMessage>::data(const DirectMessage& row, int role) {
    switch (role) {
    case Id:
        return QVariant::fromValue<qint64>(row.id);
    case SenderId:
        return text(row.sender_id);
    case RecipientId:
        return text(row.recipient_id);
    case ClientId:
        return text(row.client_id);
    case Body:
        return text(row.body);
    case Created:
        return QVariant::fromValue<qint64>(row.created);
    default:
        return {};
    }
}

} // namespace novra
