#include "launcher/social/model/SocialModel.h"

#include <algorithm>
#include <map>
#include <unordered_set>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJSEngine>
#include <QPointer>
#include <QSettings>
#include <QTimer>

#include "core/Text.h"
#include "launcher/library/LauncherLifecycle.h"
#include "launcher/library/PublishedField.h"
#include "launcher/social/SocialAPI.h"
#include "platform/Files.h"

namespace novra {
namespace {

constexpr std::chrono::seconds kPollInterval{20};
constexpr const char* kSharePresenceKey = "sharePresence";
constexpr const char* kNotificationsKey = "notificationsEnabled";

const char* const kLimitMessage = "В сообщении может быть до 4000 символов";
const char* const kPermissionMessage =
    "Разрешите уведомления NOVRA Launcher в настройках системы → Уведомления.";

QSettings preferences() {
    return QSettings(QStringLiteral("NOVRA"), QStringLiteral("NOVRA Launcher"));
}

// A stored preference when it holds a boolean, else `fallback`.
bool storedBoolean(const QSettings& settings, const char* key, bool fallback) {
    QVariant value = settings.value(QLatin1String(key));
    if (value.typeId() == QMetaType::Bool) return value.toBool();
    // Settings files keep booleans as the words "true" and "false".
    if (value.typeId() == QMetaType::QString) {
        if (value.toString() == QLatin1String("true")) return true;
        if (value.toString() == QLatin1String("false")) return false;
    }
    return fallback;
}

std::optional<std::string> utf8(const std::optional<QString>& text) {
    return text ? std::optional(text->toStdString()) : std::nullopt;
}

// Splits "friends/ID/accept" into the id and the verb; none unless `path` has that prefix and a
// verb after the last slash. The id is checked by the endpoint that puts it into a path.
std::optional<std::pair<std::string, std::string>> idAndVerb(const std::string& path,
                                                             const std::string& prefix) {
    if (path.rfind(prefix, 0) != 0) return std::nullopt;
    size_t slash = path.rfind('/');
    if (slash < prefix.size()) return std::nullopt;
    return std::pair(path.substr(prefix.size(), slash - prefix.size()), path.substr(slash + 1));
}

} // namespace

// Counts an operation while it waits for the service, and tells it whether the model still exists
// when it resumes.
class SocialModel::Running {
public:
    explicit Running(SocialModel* model) : model_(model) {
        if (model_->running_++ == 0) emit model_->idleChanged();
    }
    ~Running() {
        if (model_ && --model_->running_ == 0) emit model_->idleChanged();
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    explicit operator bool() const { return !model_.isNull(); }

private:
    QPointer<SocialModel> model_;
};

SocialModel::SocialModel(SocialHost host, QObject* parent)
    : QObject(parent), host_(std::move(host)), friends_(new SocialList<SocialFriend>(this)),
      incoming_(new SocialList<FriendRequest>(this)), outgoing_(new SocialList<FriendRequest>(this)),
      blocked_(new SocialList<FriendRequest>(this)), messages_(new SocialList<DirectMessage>(this)),
      api_(new SocialAPI(this)), timer_(new QTimer(this)) {
    QSettings settings = preferences();
    sharePresence_ = storedBoolean(settings, kSharePresenceKey, true);
    notificationsEnabled_ = storedBoolean(settings, kNotificationsKey, false);

    // Qt's timers keep firing while a menu is open, as the run loop's common modes do.
    timer_->setInterval(kPollInterval);
    connect(timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_->start();
    restore();
}

SocialModel::~SocialModel() = default;

SocialModel& SocialModel::shared() {
    static SocialModel* instance = [] {
        auto* model = new SocialModel(SocialHost::application(), QCoreApplication::instance());
        // The lifecycle reports the running game, opens conversations from notifications and takes
        // the player offline at quit through this.
        LauncherLifecycle::shared().setSocial(model);
        return model;
    }();
    return *instance;
}

SocialModel* SocialModel::create(QQmlEngine*, QJSEngine*) {
    SocialModel* model = &shared();
    QJSEngine::setObjectOwnership(model, QJSEngine::CppOwnership);
    return model;
}

bool SocialModel::isTestServer() const {
    return SocialAPI::testOriginRequested();
}

// --- published values -------------------------------------------------------------------------

QVariant SocialModel::accountValue() const {
    if (!account_) return {};
    return QVariantMap{
        {QStringLiteral("id"), QString::fromStdString(account_->id)},
        {QStringLiteral("username"),
         account_->username ? QVariant(QString::fromStdString(*account_->username)) : QVariant()},
        {QStringLiteral("registered"), account_->registered}};
}

QString SocialModel::selectedFriendText() const {
    return selectedFriend_ ? QString::fromStdString(*selectedFriend_) : QString();
}

QVariant SocialModel::nextBeforeValue() const {
    return nextBefore_ ? QVariant::fromValue<qint64>(*nextBefore_) : QVariant();
}

QString SocialModel::gameTitle(const QString& gameId) const {
    if (host_.games) {
        std::string id = gameId.toStdString();
        for (const Game& game : host_.games())
            if (game.id == id) return QString::fromStdString(game.title);
    }
    return gameId;
}

QVariantMap SocialModel::friendEntry(const QString& friendId) const {
    const std::vector<SocialFriend>& list = friends_->values();
    std::string id = friendId.toStdString();
    auto found = std::find_if(list.begin(), list.end(), [&](const SocialFriend& f) { return f.id == id; });
    if (found == list.end()) return {};
    QVariantMap entry;
    QModelIndex row = friends_->index(static_cast<int>(found - list.begin()));
    const QHash<int, QByteArray> roles = friends_->roleNames();
    for (auto role = roles.begin(); role != roles.end(); ++role)
        entry.insert(QString::fromLatin1(role.value()), friends_->data(row, role.key()));
    return entry;
}

void SocialModel::setAccount(std::optional<PlayerAccount> account) {
    assignPublished(this, account_, std::move(account), &SocialModel::accountChanged);
}

void SocialModel::setSelectedFriend(std::optional<std::string> friendId) {
    assignPublished(this, selectedFriend_, std::move(friendId), &SocialModel::selectedFriendChanged);
}

void SocialModel::setNextBefore(std::optional<int64_t> cursor) {
    assignPublished(this, nextBefore_, cursor, &SocialModel::nextBeforeChanged);
}

void SocialModel::setError(std::optional<QString> text) {
    assignPublished(this, error_, std::move(text), &SocialModel::errorChanged);
}

void SocialModel::setBusy(bool busy) {
    assignPublished(this, busy_, busy, &SocialModel::busyChanged);
}

void SocialModel::setSending(bool sending) {
    assignPublished(this, sending_, sending, &SocialModel::sendingChanged);
}

void SocialModel::setConnected(bool connected) {
    if (assignPublished(this, connected_, connected, &SocialModel::connectedChanged)) refreshCounts();
}

void SocialModel::setSharePresence(bool share) {
    assignPublished(this, sharePresence_, share, &SocialModel::sharePresenceChanged);
}

void SocialModel::setNotificationsEnabled(bool enabled) {
    storePreference(kNotificationsKey, enabled);
    assignPublished(this, notificationsEnabled_, enabled, &SocialModel::notificationsEnabledChanged);
}

void SocialModel::setChatVisible(bool visible) {
    assignPublished(this, chatVisible_, visible, &SocialModel::chatVisibleChanged);
}

void SocialModel::refreshCounts() {
    int unread = 0, online = 0;
    for (const SocialFriend& f : friends_->values()) {
        unread += static_cast<int>(f.unread);
        if (f.presence.online) ++online;
    }
    assignPublished(this, unreadCount_, unread, &SocialModel::unreadCountChanged);
    assignPublished(this, onlineFriends_, connected_ ? online : 0, &SocialModel::onlineFriendsChanged);
}

void SocialModel::storePreference(const char* key, bool value) {
    preferences().setValue(QLatin1String(key), value);
}

bool SocialModel::pollable() const {
    return account_ && account_->registered && !suspendingPresence_;
}

bool SocialModel::applicationActive() const {
    return host_.applicationActive && host_.applicationActive();
}

// --- failures and the end of a session -----------------------------------------------------------

void SocialModel::handle(std::exception_ptr failure) {
    std::optional<int> status;
    QString text;
    try {
        std::rethrow_exception(failure);
    } catch (const SocialFailure& refused) {
        status = refused.status();
        text = QString::fromStdString(refused.message());
    } catch (const std::exception& other) {
        text = QString::fromUtf8(other.what());
    } catch (...) {
        text = QStringLiteral("Неизвестная ошибка");
    }
    setError(text);
    // A refusal by a service that answered keeps the connection state.
    bool refusal = status && *status != 0 && *status != 401 && *status < 500;
    if (!refusal) setConnected(false);
    if (status == 401) {
        ++epoch_;
        clearSession();
    }
}

void SocialModel::clearSession() {
    setAccount(std::nullopt);
    friends_->assign({});
    incoming_->assign({});
    outgoing_->assign({});
    blocked_->assign({});
    closeConversation();
    baseline_.reset();
    refreshCounts();
}

void SocialModel::closeConversation() {
    setSelectedFriend(std::nullopt);
    messages_->assign({});
    setNextBefore(std::nullopt);
}

// --- session -------------------------------------------------------------------------------------

QCoro::Task<void> SocialModel::restore() {
    if (busy_) co_return;
    Running running(this);
    setBusy(true);
    const uint64_t epoch = epoch_;
    std::optional<PlayerAccount> answer;
    std::exception_ptr failure;
    try {
        if (co_await api_->hasSession()) answer = co_await api_->currentSession();
    } catch (...) {
        failure = std::current_exception();
    }
    if (!running) co_return;
    if (answer && epoch_ == epoch && answer->registered) {
        setAccount(std::move(answer));
        co_await poll();
        if (!running) co_return;
    } else if (failure && epoch_ == epoch) {
        handle(failure);
    }
    setBusy(false);
}

QCoro::Task<bool> SocialModel::authenticate(QString username, QString password, bool registering) {
    if (busy_) co_return false;
    Running running(this);
    setBusy(true);
    PlayerAccount answer;
    std::exception_ptr failure;
    try {
        co_await api_->openSession();
        if (registering) {
            answer = co_await api_->registerAccount(username.toStdString(), password.toStdString());
        } else {
            answer = co_await api_->login(username.toStdString(), password.toStdString());
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (!running) co_return false;
    if (failure) {
        handle(failure);
        setBusy(false);
        co_return false;
    }
    setAccount(std::move(answer));
    setError(std::nullopt);
    ++epoch_;
    suspendingPresence_ = false;
    co_await poll();
    if (!running) co_return false;
    setBusy(false);
    co_return true;
}

QCoro::Task<void> SocialModel::signOut() {
    if (busy_) co_return;
    Running running(this);
    setBusy(true);
    ++epoch_;
    suspendingPresence_ = true;
    std::exception_ptr failure;
    try {
        co_await api_->goOffline();
    } catch (...) {
        // Going offline is a courtesy to friends; signing out goes on without it.
    }
    if (!running) co_return;
    try {
        co_await api_->logout();
        co_await api_->forget();
    } catch (...) {
        failure = std::current_exception();
    }
    if (!running) co_return;
    if (failure) {
        handle(failure);
    } else {
        clearSession();
        setConnected(false);
        pendingSend_.reset();
        setError(std::nullopt);
    }
    setBusy(false);
}

QCoro::Task<void> SocialModel::offline() {
    Running running(this);
    suspendingPresence_ = true;
    try {
        co_await api_->goOffline();
    } catch (...) {
        // The application quits whatever the service answers.
    }
}

// --- snapshot rounds -----------------------------------------------------------------------------

QCoro::Task<void> SocialModel::poll() {
    if (!pollable()) co_return;
    if (polling_) {
        pollAgain_ = true;
        co_return;
    }
    Running running(this);
    polling_ = true;
    do {
        pollAgain_ = false;
        if (!pollable()) break;
        const uint64_t epoch = epoch_;
        std::optional<SocialSnapshot> snapshot;
        std::exception_ptr failure;
        try {
            if (sharePresence_) co_await api_->reportPresence(utf8(currentGame_));
            snapshot = co_await api_->snapshot();
        } catch (...) {
            failure = std::current_exception();
        }
        if (!running) co_return;
        // An answer of an earlier session changes nothing; a round asked for meanwhile still runs.
        if (epoch_ != epoch) continue;
        if (failure) {
            setConnected(false);
            handle(failure);
            continue;
        }
        raiseNotifications(*snapshot);
        applySnapshot(std::move(*snapshot));
        if (selectedFriend_ && chatVisible_) {
            co_await loadMessages(QString::fromStdString(*selectedFriend_), false);
            if (!running) co_return;
        }
    } while (pollAgain_);
    polling_ = false;
}

void SocialModel::raiseNotifications(const SocialSnapshot& snapshot) {
    if (!notificationsEnabled_ || !baseline_ || !host_.notify) return;
    std::unordered_set<std::string> known;
    for (const FriendRequest& request : incoming_->values())
        known.insert(request.id);
    for (const FriendRequest& request : snapshot.incoming_requests)
        if (!known.count(request.id))
            host_.notify(QStringLiteral("Запрос в друзья"), QString::fromStdString(request.username),
                         QString::fromStdString(request.id));

    for (const SocialFriend& now : snapshot.friends) {
        auto found = baseline_->find(now.id);
        if (found == baseline_->end()) continue;
        const SocialFriend& before = found->second;
        const QString id = QString::fromStdString(now.id), name = QString::fromStdString(now.username);
        const FriendPresence &was = before.presence, &is = now.presence;
        if (is.online && is.current_game && !(was.online && was.current_game == is.current_game))
            host_.notify(name + QStringLiteral(" запускает игру"),
                         gameTitle(QString::fromStdString(*is.current_game)), id);
        bool seen = chatVisible_ && selectedFriend_ == now.id && applicationActive();
        if (now.unread > before.unread && !seen)
            host_.notify(name, QStringLiteral("Новое сообщение в NOVRA"), id);
    }
}

void SocialModel::applySnapshot(SocialSnapshot snapshot) {
    std::unordered_map<std::string, SocialFriend> byId;
    byId.reserve(snapshot.friends.size());
    for (const SocialFriend& f : snapshot.friends)
        byId.emplace(f.id, f);
    baseline_ = std::move(byId);
    if (selectedFriend_ && !baseline_->count(*selectedFriend_)) closeConversation();
    friends_->assign(std::move(snapshot.friends));
    incoming_->assign(std::move(snapshot.incoming_requests));
    outgoing_->assign(std::move(snapshot.outgoing_requests));
    blocked_->assign(std::move(snapshot.blocked));
    setConnected(true);
    refreshCounts();
    setError(std::nullopt);
}

void SocialModel::setGame(std::optional<QString> game) {
    if (currentGame_ != game) {
        currentGame_ = std::move(game);
        emit currentGameChanged();
    }
    poll();
}

void SocialModel::presenceChanged() {
    storePreference(kSharePresenceKey, sharePresence_);
    withdrawThenPoll(sharePresence_);
}

QCoro::Task<void> SocialModel::withdrawThenPoll(bool shared) {
    Running running(this);
    if (!shared) {
        try {
            co_await api_->goOffline();
        } catch (...) {
            // Friends see the player go offline at the latest when the service stops hearing from them.
        }
        if (!running) co_return;
    }
    if (sharePresence_) co_await poll();
}

void SocialModel::enableNotifications() {
    askForNotifications();
}

QCoro::Task<void> SocialModel::askForNotifications() {
    Running running(this);
    bool granted = false;
    if (host_.requestNotifications) granted = co_await host_.requestNotifications();
    if (!running) co_return;
    setNotificationsEnabled(granted);
    if (!granted) setError(QString::fromUtf8(kPermissionMessage));
}

// --- friends and blocks --------------------------------------------------------------------------

QCoro::Task<APIResult> SocialModel::post(const std::string& path, const QVariantMap& body) {
    if (path == "friends/request")
        return api_->requestFriend(body.value(QStringLiteral("username")).toString().toStdString());
    if (auto target = idAndVerb(path, "friends/")) {
        auto& [id, verb] = *target;
        if (verb == "accept") return api_->acceptFriend(id);
        if (verb == "decline") return api_->declineFriend(id);
        if (verb == "remove") return api_->removeFriend(id);
    }
    if (auto target = idAndVerb(path, "blocks/")) {
        auto& [id, verb] = *target;
        if (verb == "block") return api_->block(id);
        if (verb == "unblock") return api_->unblock(id);
    }
    throw SocialFailure::badAddress();
}

QCoro::Task<void> SocialModel::action(QString path, QVariantMap body) {
    if (busy_) co_return;
    Running running(this);
    setBusy(true);
    const uint64_t epoch = epoch_;
    std::exception_ptr failure;
    try {
        co_await post(path.toStdString(), body);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!running) co_return;
    if (!failure && epoch_ == epoch) {
        setError(std::nullopt);
        co_await poll();
        if (!running) co_return;
    } else if (failure && epoch_ == epoch) {
        handle(failure);
    }
    setBusy(false);
}

QCoro::Task<void> SocialModel::add(QString username) {
    QVariantMap body{{QStringLiteral("username"), username}};
    co_await action(QStringLiteral("friends/request"), body);
}

// --- conversation --------------------------------------------------------------------------------

void SocialModel::select(const QString& friendId) {
    messages_->assign({});
    setNextBefore(std::nullopt);
    if (friendId.isEmpty()) return setSelectedFriend(std::nullopt);
    setSelectedFriend(friendId.toStdString());
    loadMessages(friendId, false);
}

void SocialModel::mergeMessages(const std::vector<DirectMessage>& page) {
    std::map<int64_t, DirectMessage> byId;
    for (const DirectMessage& message : messages_->values())
        byId.emplace(message.id, message);
    // A message of the page replaces the loaded one with the same id.
    for (const DirectMessage& message : page)
        byId.insert_or_assign(message.id, message);
    std::vector<DirectMessage> merged;
    merged.reserve(byId.size());
    for (auto& entry : byId)
        merged.push_back(std::move(entry.second));
    messages_->assign(std::move(merged));
}

QCoro::Task<void> SocialModel::loadMessages(QString friendId, bool earlier) {
    const std::string id = friendId.toStdString();
    if (selectedFriend_ != id || !account_) co_return;
    Running running(this);
    const uint64_t epoch = epoch_;
    // Whether an answer still belongs to what the player looks at.
    auto current = [this, &id, epoch] { return epoch_ == epoch && selectedFriend_ == id; };
    std::optional<int64_t> before;
    if (earlier) before = nextBefore_.value_or(0);
    MessagePage page;
    try {
        page = co_await api_->messages(id, before);
    } catch (...) {
        if (running && current()) handle(std::current_exception());
        co_return;
    }
    if (!running || !current()) co_return;

    const bool wasEmpty = messages_->empty();
    mergeMessages(page.messages);
    // A refresh of the newest page keeps the cursor of a conversation already paged back.
    if (earlier || wasEmpty) setNextBefore(page.next_before);

    if (!chatVisible_ || !applicationActive()) co_return;
    // Read through the newest message of the page addressed to the player (the page comes in any order).
    std::optional<int64_t> newest;
    for (const DirectMessage& message : page.messages)
        if (message.recipient_id == account_->id && (!newest || message.id > *newest)) newest = message.id;
    if (!newest || *newest <= page.read_through) co_return;
    std::exception_ptr failure;
    try {
        co_await api_->markRead(id, *newest);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!running || !current()) co_return;
    if (failure) {
        handle(failure);
        co_return;
    }
    // The friend has nothing unread now: the next round compares with that, so that a message which
    // comes after this one is new again (not hidden behind the count the last round saw).
    if (baseline_) {
        if (auto found = baseline_->find(id); found != baseline_->end()) found->second.unread = 0;
    }
}

QCoro::Task<bool> SocialModel::send(QString text) {
    const std::string body = text.toStdString();
    std::optional<std::string_view> content = text::trimmed(body);
    if (!selectedFriend_ || sending_ || !content || content->empty()) co_return false;
    // Counted as the player sees characters, before trimming.
    if (text::characterPrefix(body, kMessageLimit) < body.size()) {
        setError(QString::fromUtf8(kLimitMessage));
        co_return false;
    }
    Running running(this);
    setSending(true);
    const std::string friendId = *selectedFriend_;
    // The same text to the same friend after a failure is the same message to the service.
    if (!pendingSend_ || pendingSend_->friendId != friendId || pendingSend_->body != body)
        pendingSend_ = PendingSend{friendId, body, platform::uuidText()};
    const std::string clientId = pendingSend_->clientId;
    const uint64_t epoch = epoch_;
    std::optional<SentMessage> sent;
    std::exception_ptr failure;
    try {
        sent = co_await api_->sendMessage(friendId, clientId, body);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!running) co_return false;
    if (failure || epoch_ != epoch) {
        if (failure && epoch_ == epoch) handle(failure);
        setSending(false);
        co_return false;
    }
    const std::vector<DirectMessage>& list = messages_->values();
    bool listed = std::any_of(list.begin(), list.end(),
                              [&](const DirectMessage& m) { return m.id == sent->message.id; });
    if (selectedFriend_ == friendId && !listed) mergeMessages({sent->message});
    pendingSend_.reset();
    setError(std::nullopt);
    setSending(false);
    co_return true;
}

// --- for views -----------------------------------------------------------------------------------

QCoro::QmlTask SocialModel::startAuthenticate(const QString& username, const QString& password,
                                              bool registering) {
    return authenticate(username, password, registering);
}
QCoro::QmlTask SocialModel::startSignOut() {
    return signOut();
}
QCoro::QmlTask SocialModel::startPoll() {
    return poll();
}
QCoro::QmlTask SocialModel::startAction(const QString& path, const QVariantMap& body) {
    return action(path, body);
}
QCoro::QmlTask SocialModel::startAdd(const QString& username) {
    return add(username);
}
QCoro::QmlTask SocialModel::startLoadMessages(const QString& friendId, bool earlier) {
    return loadMessages(friendId, earlier);
}
QCoro::QmlTask SocialModel::startSend(const QString& text) {
    return send(text);
}

} // namespace novra
