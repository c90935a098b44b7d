#pragma once
// The launcher's whole social state and the only user of the social service client: the account
// (restored at start, signing in and out), the friends snapshot polled every 20 seconds while the
// player's presence is reported, friend and block actions, desktop notifications for new friend
// requests, friends starting games and new messages, the open conversation (pages, read marks,
// sending) and the two preferences of the social layer.
//
// Lives on the main thread; one shared instance for the application. Every operation that waits for
// the service records the session's epoch first and drops its answer when the session changed
// meanwhile.
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include <QCoroQmlTask>
#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include "launcher/library/SocialLink.h"
#include "launcher/social/SocialTypes.h"
#include "launcher/social/model/SocialHost.h"
#include "launcher/social/model/SocialLists.h"

class QAbstractListModel;
class QJSEngine;
class QQmlEngine;
class QTimer;

namespace novra {

class SocialAPI;

class SocialModel : public QObject, public SocialLink {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    // The signed-in account as {id, username, registered}, or null when signed out.
    Q_PROPERTY(QVariant account READ accountValue NOTIFY accountChanged)
    // Friends (roles id, username, unread, online, currentGame, lastSeen) in the snapshot's order.
    Q_PROPERTY(QAbstractListModel* friends READ friendList CONSTANT)
    // Requests and blocked accounts (roles id, username, created).
    Q_PROPERTY(QAbstractListModel* incoming READ incomingList CONSTANT)
    Q_PROPERTY(QAbstractListModel* outgoing READ outgoingList CONSTANT)
    Q_PROPERTY(QAbstractListModel* blocked READ blockedList CONSTANT)
    // The friend id of the open conversation, "" when none is open.
    Q_PROPERTY(QString selectedFriend READ selectedFriendText NOTIFY selectedFriendChanged)
    // The open conversation, oldest first (roles id, senderId, recipientId, clientId, body, created).
    Q_PROPERTY(QAbstractListModel* messages READ messageList CONSTANT)
    // The cursor of the next older page, null when there is none.
    Q_PROPERTY(QVariant nextBefore READ nextBeforeValue NOTIFY nextBeforeChanged)
    // The last error shown to the user, "" when none.
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool sending READ sending NOTIFY sendingChanged)
    Q_PROPERTY(bool connected READ connected NOTIFY connectedChanged)
    // The catalog id of the game reported as presence, "" when none.
    Q_PROPERTY(QString currentGame READ currentGameText NOTIFY currentGameChanged)
    // Whether the running game is shown to friends; the view calls presenceChanged() after a change.
    Q_PROPERTY(bool sharePresence READ sharePresence WRITE setSharePresence NOTIFY sharePresenceChanged)
    // Assigning false switches notifications off and stores that; enableNotifications() turns them on.
    Q_PROPERTY(bool notificationsEnabled READ notificationsEnabled WRITE setNotificationsEnabled NOTIFY
                   notificationsEnabledChanged)
    // Whether the friends panel is on screen: read marks, conversation refreshes and the silence of
    // notifications for the open conversation follow it.
    Q_PROPERTY(bool chatVisible READ chatVisible WRITE setChatVisible NOTIFY chatVisibleChanged)
    Q_PROPERTY(int unreadCount READ unreadCount NOTIFY unreadCountChanged)
    Q_PROPERTY(int onlineFriends READ onlineFriends NOTIFY onlineFriendsChanged)
    Q_PROPERTY(bool isTestServer READ isTestServer CONSTANT)

public:
    // Conversation pages hold at most this many messages; a message at most this many characters.
    static constexpr int kPageSize = 50;
    static constexpr size_t kMessageLimit = 4000;

    // Reads the preferences, creates the client and the 20-second poll timer, and starts restoring
    // the stored session.
    explicit SocialModel(SocialHost host, QObject* parent = nullptr);
    ~SocialModel() override;

    // The application's one instance, created on first use and registered with the lifecycle.
    static SocialModel& shared();
    // The QML singleton: the shared instance, owned by C++.
    static SocialModel* create(QQmlEngine*, QJSEngine*);

    // --- state ---
    const std::optional<PlayerAccount>& account() const { return account_; }
    const std::vector<SocialFriend>& friends() const { return friends_->values(); }
    const std::vector<FriendRequest>& incoming() const { return incoming_->values(); }
    const std::vector<FriendRequest>& outgoing() const { return outgoing_->values(); }
    const std::vector<FriendRequest>& blocked() const { return blocked_->values(); }
    const std::optional<std::string>& selectedFriend() const { return selectedFriend_; }
    const std::vector<DirectMessage>& messages() const { return messages_->values(); }
    std::optional<int64_t> nextBefore() const { return nextBefore_; }
    const std::optional<QString>& error() const { return error_; }
    bool busy() const { return busy_; }
    bool sending() const { return sending_; }
    bool connected() const { return connected_; }
    bool sharePresence() const { return sharePresence_; }
    bool notificationsEnabled() const { return notificationsEnabled_; }
    bool chatVisible() const { return chatVisible_; }
    int unreadCount() const { return unreadCount_; }
    int onlineFriends() const { return onlineFriends_; }
    bool isTestServer() const;
    // No operation of the model is waiting for the service.
    bool idle() const { return running_ == 0; }

    void setSharePresence(bool share);
    void setNotificationsEnabled(bool enabled);
    void setChatVisible(bool visible);

    // A friend's game as the player reads it: the title of the library's first game with that id,
    // else the id itself.
    Q_INVOKABLE QString gameTitle(const QString& gameId) const;
    // The friend with that id as a row of `friends` ({id, username, unread, online, currentGame,
    // lastSeen}), or an empty map when no current friend has it.
    Q_INVOKABLE QVariantMap friendEntry(const QString& friendId) const;

    // --- session ---
    // Resumes the stored session; signs in only a registered account.
    QCoro::Task<void> restore();
    // Logs in, or creates an account when `registering`; true on success.
    QCoro::Task<bool> authenticate(QString username, QString password, bool registering);
    QCoro::Task<void> signOut();
    // Withdraws the player's presence before the application quits; polling stops, the account stays.
    QCoro::Task<void> offline() override;

    // --- snapshot and presence ---
    // One snapshot round, and one more for every trigger that came while it ran.
    QCoro::Task<void> poll();
    std::optional<QString> currentGame() const override { return currentGame_; }
    // Reports the running game (or none) at once.
    void setGame(std::optional<QString> game) override;
    bool signedIn() const override { return account_.has_value(); }
    // Stores sharePresence; withdraws presence when it is off, polls when it is on.
    Q_INVOKABLE void presenceChanged();
    // Asks the desktop for permission and stores the answer.
    Q_INVOKABLE void enableNotifications();

    // --- friends and blocks ---
    // "friends/request" with {"username": name}; "friends/ID/accept", "friends/ID/decline",
    // "friends/ID/remove", "blocks/ID/block", "blocks/ID/unblock". Any other path fails with
    // "Неверный адрес", as does an id that would change the request's path.
    QCoro::Task<void> action(QString path, QVariantMap body = {});
    QCoro::Task<void> add(QString username);

    // --- conversation ---
    // Opens the conversation with a friend and loads its newest page; "" closes it.
    Q_INVOKABLE void select(const QString& friendId) override;
    // The newest page, or the page before the cursor when `earlier`.
    QCoro::Task<void> loadMessages(QString friendId, bool earlier);
    // Sends a message to the open conversation; true when it was sent within the same session.
    QCoro::Task<bool> send(QString text);

    // The operations for views: each starts the operation and returns a task whose then() gets
    // its result (a boolean for authenticate and send, nothing for the rest).
    Q_INVOKABLE QCoro::QmlTask startAuthenticate(const QString& username, const QString& password,
                                                 bool registering);
    Q_INVOKABLE QCoro::QmlTask startSignOut();
    Q_INVOKABLE QCoro::QmlTask startPoll();
    Q_INVOKABLE QCoro::QmlTask startAction(const QString& path, const QVariantMap& body = {});
    Q_INVOKABLE QCoro::QmlTask startAdd(const QString& username);
    Q_INVOKABLE QCoro::QmlTask startLoadMessages(const QString& friendId, bool earlier);
    Q_INVOKABLE QCoro::QmlTask startSend(const QString& text);

  signals:
    void accountChanged();
    void selectedFriendChanged();
    void nextBeforeChanged();
    void errorChanged();
    void busyChanged();
    void sendingChanged();
    void connectedChanged();
    void currentGameChanged();
    void sharePresenceChanged();
    void notificationsEnabledChanged();
    void chatVisibleChanged();
    void unreadCountChanged();
    void onlineFriendsChanged();
    // The model has become idle() (every operation finished) or stopped being so.
    void idleChanged();

private:
    class Running;
    struct PendingSend {
        std::string friendId;
        std::string body;
        std::string clientId;
    };

    QVariant accountValue() const;
    QAbstractListModel* friendList() const { return friends_; }
    QAbstractListModel* incomingList() const { return incoming_; }
    QAbstractListModel* outgoingList() const { return outgoing_; }
    QAbstractListModel* blockedList() const { return blocked_; }
    QAbstractListModel* messageList() const { return messages_; }
    QString selectedFriendText() const;
    QVariant nextBeforeValue() const;
    QString errorText() const { return error_.value_or(QString()); }
    QString currentGameText() const { return currentGame_.value_or(QString()); }

    bool pollable() const;
    bool applicationActive() const;
    // Applies a failure to the state: its text, the connection state, and the end of the session
    // for a 401.
    void handle(std::exception_ptr failure);
    // Account, lists, conversation and baseline as after the end of a session.
    void clearSession();
    void raiseNotifications(const SocialSnapshot& snapshot);
    void applySnapshot(SocialSnapshot snapshot);
    void closeConversation();
    void mergeMessages(const std::vector<DirectMessage>& page);
    QCoro::Task<APIResult> post(const std::string& path, const QVariantMap& body);
    QCoro::Task<void> withdrawThenPoll(bool shared);
    QCoro::Task<void> askForNotifications();

    void setAccount(std::optional<PlayerAccount> account);
    void setSelectedFriend(std::optional<std::string> friendId);
    void setNextBefore(std::optional<int64_t> cursor);
    void setError(std::optional<QString> text);
    void setBusy(bool busy);
    void setSending(bool sending);
    void setConnected(bool connected);
    void refreshCounts();
    void storePreference(const char* key, bool value);

    SocialHost host_;

    // Published state.
    std::optional<PlayerAccount> account_;
    SocialList<SocialFriend>* friends_;
    SocialList<FriendRequest>* incoming_;
    SocialList<FriendRequest>* outgoing_;
    SocialList<FriendRequest>* blocked_;
    std::optional<std::string> selectedFriend_;
    SocialList<DirectMessage>* messages_;
    std::optional<int64_t> nextBefore_;
    std::optional<QString> error_;
    bool busy_ = false;
    bool sending_ = false;
    bool connected_ = false;
    std::optional<QString> currentGame_;
    bool sharePresence_ = true;
    bool notificationsEnabled_ = false;
    int unreadCount_ = 0;
    int onlineFriends_ = 0;

    // Private state.
    SocialAPI* api_;
    QTimer* timer_;
    bool polling_ = false;
    bool pollAgain_ = false;
    bool suspendingPresence_ = false;
    uint64_t epoch_ = 0;
    std::optional<std::unordered_map<std::string, SocialFriend>> baseline_;
    std::optional<PendingSend> pendingSend_;
    bool chatVisible_ = false;
    int running_ = 0;
};

} // namespace novra
