#include "launcher/social/SocialAPI.h"

#include <algorithm>
#include <string_view>

#include <QCoroNetworkReply>
#include <QDateTime>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "launcher/social/SessionKeychain.h"

namespace novra {
namespace {

constexpr const char* kCookieName = "factory_player";

bool isLoopback(const QString& origin) {
    QString host = QUrl(origin).host();
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost");
}

// The host as the URL text spells it (the URL parser lower-cases and normalises it).
QString writtenHost(const QString& text) {
    qsizetype start = text.indexOf(QLatin1String("://"));
    if (start < 0) return {};
    start += 3;
    qsizetype end = start;
    while (end < text.size() && text[end] != u'/' && text[end] != u'?' && text[end] != u'#') ++end;
    QString authority = text.mid(start, end - start);
    qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) authority = authority.mid(at + 1);
    qsizetype colon = authority.indexOf(u':');
    return colon < 0 ? authority : authority.left(colon);
}

// An id becomes one path segment; one that would add segments, a query or a fragment is refused.
std::string segment(const std::string& id) {
    bool shaped = id.empty() || id == "." || id == ".." || id.find_first_of("/?#%") != std::string::npos;
    if (shaped) throw SocialFailure::badAddress();
    return id;
}

// A session value as it may travel in the Cookie field and rest in the secret store: printable
// ASCII without space, '"', ',', ';' and '\\', at most 4 KiB. Anything else could split or add
// header fields, or be cut short on the way.
bool acceptableSession(std::string_view value) {
    return value.size() <= 4096 && std::all_of(value.begin(), value.end(), [](char c) {
               return c > ' ' && c < '\x7f' && c != '"' && c != ',' && c != ';' && c != '\\';
           });
}

// Whether a cookie's Domain attribute allows the request's host: no attribute, the host itself, or
// a parent domain of a host name (never of an address).
bool domainAllows(const QNetworkCookie& cookie, const QUrl& url) {
    QString domain = cookie.domain().toLower();
    if (domain.startsWith(u'.')) domain.remove(0, 1);
    const QString host = url.host().toLower();
    if (domain.isEmpty() || domain == host) return true;
    return QHostAddress(host).isNull() && host.endsWith(u'.' + domain);
}

// The session that the answer's Set-Cookie fields set for `url`, parsed by Qt's parser: the value of
// the first "factory_player" cookie for this host whose value is acceptable, "" when that cookie has
// already expired (the session ends), none when there is no such cookie.
std::optional<std::string> sessionCookie(const QNetworkReply& reply, const QUrl& url) {
    for (const auto& [name, value] : reply.rawHeaderPairs()) {
        if (name.compare("Set-Cookie", Qt::CaseInsensitive) != 0) continue;
        for (const QNetworkCookie& cookie : QNetworkCookie::parseCookies(value)) {
            std::string session = cookie.value().toStdString();
            if (cookie.name() != kCookieName || !domainAllows(cookie, url) || !acceptableSession(session))
                continue;
            bool expired =
                !cookie.isSessionCookie() && cookie.expirationDate() <= QDateTime::currentDateTimeUtc();
            return expired ? std::string() : session;
        }
    }
    return std::nullopt;
}

// The errors that Qt derives from an HTTP status of a complete answer.
bool reportsStatus(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError) ||
           error == QNetworkReply::ProxyAuthenticationRequiredError;
}

// The transport failure as the user reads it: a Russian text for the usual cases, Qt's own text
// (which Qt does not translate) for the rest.
TransportError transportError(QNetworkReply::NetworkError code, const QString& qtText) {
    switch (code) {
    case QNetworkReply::ConnectionRefusedError:
        return TransportError(code, "Не удалось подключиться к серверу");
    case QNetworkReply::HostNotFoundError:
        return TransportError(code, "Сервер не найден");
    case QNetworkReply::TimeoutError:
        return TransportError(code, "Сервер не ответил вовремя");
    case QNetworkReply::RemoteHostClosedError:
        return TransportError(code, "Сервер закрыл соединение");
    case QNetworkReply::SslHandshakeFailedError:
        return TransportError(code, "Не удалось установить защищённое соединение");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return TransportError(code, "Нет подключения к сети");
    default:
        // A content error that no failed status explains: the answer itself was broken (for example
        // a body that does not decompress).
        if (code >= QNetworkReply::ContentAccessDenied && code <= QNetworkReply::UnknownContentError)
            return TransportError(code, "Сервер прислал повреждённый ответ");
        return TransportError(code, qtText.toStdString());
    }
}

} // namespace

// Holds the turn for the rest of a scope and releases it on every way out.
class SocialAPI::Turn {
public:
    explicit Turn(SocialAPI& api) : api_(api) {}
    ~Turn() { api_.release(); }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

private:
    SocialAPI& api_;
};

class SocialAPI::TurnAwaiter {
public:
    explicit TurnAwaiter(SocialAPI& api) : api_(api) {}
    bool await_ready() const noexcept {
        if (api_.requesting_) return false;
        api_.requesting_ = true;
        return true;
    }
    // Resumed by release(), already holding the turn.
    void await_suspend(std::coroutine_handle<> waiting) { api_.waiting_.push_back(waiting); }
    void await_resume() const noexcept {}

private:
    SocialAPI& api_;
};

SocialAPI::SocialAPI(QObject* parent)
    : QObject(parent), origin_(originFor(testOriginRequested() ? std::optional(qEnvironmentVariable(kTestOriginVariable))
                                                               : std::nullopt)),
      session_(new QNetworkAccessManager(this)) {
    // Nothing is cached or kept on disk, redirects come back as they are, and cookies are handled
    // here rather than by a jar.
    session_->setCache(nullptr);
    session_->setCookieJar(nullptr);
    session_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    session_->setStrictTransportSecurityEnabled(false);
    if (isLoopback(origin_)) session_->setProxy(QNetworkProxy::NoProxy);
}

SocialAPI::~SocialAPI() = default;

QString SocialAPI::studioOrigin() { return QStringLiteral("https://" NOVRA_STUDIO_HOST); }

QString SocialAPI::originFor(const std::optional<QString>& testValue) {
    if (!testValue) return studioOrigin();
    const QString& text = *testValue;
    QUrl url(text, QUrl::StrictMode);
    // The scheme and host must be written exactly so; the parser would accept "HTTP" or "LOCALHOST".
    bool accepted = url.isValid() && text.startsWith(QLatin1String("http://")) &&
                    (writtenHost(text) == QLatin1String("127.0.0.1") || writtenHost(text) == QLatin1String("localhost"));
    return accepted ? text : studioOrigin();
}

bool SocialAPI::testOriginRequested() { return qEnvironmentVariableIsSet(kTestOriginVariable); }

SocialAPI::TurnAwaiter SocialAPI::acquire() { return TurnAwaiter(*this); }

void SocialAPI::release() {
    if (waiting_.empty()) {
        requesting_ = false;
        return;
    }
    // The turn passes directly; the next caller continues from the event loop, after the current one
    // has finished with its answer.
    std::coroutine_handle<> next = waiting_.front();
    waiting_.pop_front();
    QTimer::singleShot(0, this, [next] { next.resume(); });
}

std::optional<QUrl> SocialAPI::address(const std::string& path) const {
    // Joined as text, unchanged: an origin written with a trailing slash gives "//player/api/". (Qt's
    // HTTP stack normalises the path segments of the request line, so that still reaches the API.)
    QUrl url(origin_ + QStringLiteral("/player/api/") + QString::fromStdString(path), QUrl::StrictMode);
    if (!url.isValid()) return std::nullopt;
    return url;
}

QCoro::Task<bool> SocialAPI::hasSession() {
    co_await acquire();
    Turn turn(*this);
    if (!sessionLoaded_) {
        cookie_ = co_await SessionKeychain::read(origin_);
        // A stored value that could not have been captured is no session.
        if (cookie_ && (cookie_->empty() || !acceptableSession(*cookie_))) cookie_.reset();
        sessionLoaded_ = true;
    }
    co_return cookie_.has_value();
}

QCoro::Task<void> SocialAPI::forget() {
    cookie_.reset();
    co_await SessionKeychain::remove(origin_);
}

QCoro::Task<std::string> SocialAPI::exchange(std::string path, std::string method, std::optional<Json> body) {
    co_await acquire();
    Turn turn(*this);
    std::string answer = co_await sendUnderTurn(std::move(path), std::move(method), std::move(body));
    co_return answer;
}

QCoro::Task<std::string> SocialAPI::sendUnderTurn(std::string path, std::string method, std::optional<Json> body) {
    std::optional<QUrl> url = address(path);
    if (!url) throw SocialFailure::badAddress();

    QNetworkRequest request(*url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(static_cast<int>(timeouts_.data.count()));
    request.setRawHeader("Origin", origin_.toUtf8());
    request.setRawHeader("Content-Type", "application/json");
    if (cookie_) request.setRawHeader("Cookie", QByteArray(kCookieName) + "=" + QByteArray::fromStdString(*cookie_));

    QByteArray payload;
    if (body) payload = QByteArray::fromStdString(body->dump()); // throws on text that is not UTF-8

    QPointer<QNetworkReply> reply = session_->sendCustomRequest(request, QByteArray::fromStdString(method), payload);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owner(reply.data(), [](QNetworkReply* r) {
        r->deleteLater();
    });
    // The answer is taken as it arrives and given up once it passes the limit, so that no more than
    // that is ever held or decoded. The connections end with `watch`, before the frame does.
    QObject watch;
    QByteArray data;
    bool tooLarge = false;
    auto take = [&data, &tooLarge, reply] {
        QByteArray chunk = reply->readAll();
        if (!tooLarge && data.size() + chunk.size() > kAnswerLimit) {
            tooLarge = true;
            data.clear();
            QMetaObject::invokeMethod(reply.data(), &QNetworkReply::abort, Qt::QueuedConnection);
        }
        if (!tooLarge) data += chunk;
    };
    QObject::connect(reply.data(), &QNetworkReply::readyRead, &watch, take);
    QObject::connect(reply.data(), &QNetworkReply::metaDataChanged, &watch, [&tooLarge, reply] {
        QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (tooLarge || !length.isValid() || length.toLongLong() <= kAnswerLimit) return;
        tooLarge = true;
        QMetaObject::invokeMethod(reply.data(), &QNetworkReply::abort, Qt::QueuedConnection);
    });

    bool exchangeTimedOut = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, reply.data(), [&exchangeTimedOut, reply] {
        exchangeTimedOut = true;
        reply->abort();
    });
    limit.start(timeouts_.exchange);
    co_await reply.data();
    limit.stop();

    take(); // what is left after the last readyRead
    QNetworkReply::NetworkError error = reply->error();
    QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    int status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;
    if (tooLarge) {
        // A 401 ends the session whatever its body.
        if (status == 401) co_await forget();
        throw SocialFailure::tooLarge();
    }
    // Nothing else aborts a reply: a cancelled one ran out of time, by the data time-out (Qt 6.4
    // reports that as cancelled) or by the exchange's.
    if (exchangeTimedOut || error == QNetworkReply::OperationCanceledError) error = QNetworkReply::TimeoutError;
    // An error that merely reports a failed status (400 and above) is handled by the status below;
    // any other one (connection, time-out, TLS, a broken answer such as a body that does not
    // decompress, whatever its status) is the transport's.
    bool statusSpeaks = statusAttribute.isValid() && status >= 400 && reportsStatus(error);
    if (error != QNetworkReply::NoError && !statusSpeaks) throw transportError(error, reply->errorString());
    if (!statusAttribute.isValid()) throw SocialFailure::noAnswer();

    if (status != 200) {
        // A 401 ends the session before the failure is raised, whatever the body says.
        if (status == 401) co_await forget();
        throw SocialFailure::forAnswer(status, std::string_view(data.constData(), static_cast<size_t>(data.size())));
    }

    if (std::optional<std::string> session = sessionCookie(*reply, *url)) {
        // An empty value signs the client out here and removes the stored session.
        cookie_ = session->empty() ? std::nullopt : std::move(session);
        co_await SessionKeychain::write(cookie_, origin_);
    }
    co_return data.toStdString();
}

// The endpoints are coroutines of their own, so that a refused id fails when awaited, like every
// other failure.
QCoro::Task<PlayerAccount> SocialAPI::currentSession() { co_return co_await request<PlayerAccount>("session", "GET"); }

QCoro::Task<PlayerAccount> SocialAPI::openSession() {
    co_return co_await request<PlayerAccount>("session", "POST", SocialBody::empty());
}

QCoro::Task<PlayerAccount> SocialAPI::login(std::string username, std::string password) {
    co_return co_await request<PlayerAccount>("login", "POST", SocialBody::credentials(username, password));
}

QCoro::Task<PlayerAccount> SocialAPI::registerAccount(std::string username, std::string password) {
    co_return co_await request<PlayerAccount>("register", "POST", SocialBody::credentials(username, password));
}

QCoro::Task<APIResult> SocialAPI::logout() {
    co_return co_await request<APIResult>("logout", "POST", SocialBody::empty());
}

QCoro::Task<SocialSnapshot> SocialAPI::snapshot() { co_return co_await request<SocialSnapshot>("social", "GET"); }

QCoro::Task<APIResult> SocialAPI::reportPresence(std::optional<std::string> currentGame) {
    co_return co_await request<APIResult>("social/presence", "POST", SocialBody::presence(currentGame));
}

QCoro::Task<std::optional<APIResult>> SocialAPI::goOffline() {
    co_return co_await request<std::optional<APIResult>>("social/presence/offline", "POST", SocialBody::empty());
}

QCoro::Task<APIResult> SocialAPI::requestFriend(std::string username) {
    co_return co_await request<APIResult>("social/friends/request", "POST", SocialBody::friendRequest(username));
}

QCoro::Task<APIResult> SocialAPI::acceptFriend(std::string id) {
    std::string path = "social/friends/" + segment(id) + "/accept";
    co_return co_await request<APIResult>(path, "POST", SocialBody::empty());
}

QCoro::Task<APIResult> SocialAPI::declineFriend(std::string id) {
    std::string path = "social/friends/" + segment(id) + "/decline";
    co_return co_await request<APIResult>(path, "POST", SocialBody::empty());
}

QCoro::Task<APIResult> SocialAPI::removeFriend(std::string id) {
    std::string path = "social/friends/" + segment(id) + "/remove";
    co_return co_await request<APIResult>(path, "POST", SocialBody::empty());
}

QCoro::Task<APIResult> SocialAPI::block(std::string id) {
    std::string path = "social/blocks/" + segment(id) + "/block";
    co_return co_await request<APIResult>(path, "POST", SocialBody::empty());
}

QCoro::Task<APIResult> SocialAPI::unblock(std::string id) {
    std::string path = "social/blocks/" + segment(id) + "/unblock";
    co_return co_await request<APIResult>(path, "POST", SocialBody::empty());
}

QCoro::Task<MessagePage> SocialAPI::messages(std::string friendID, std::optional<int64_t> before) {
    std::string path = "social/messages/" + segment(friendID) + "?limit=50";
    if (before) path += "&before=" + std::to_string(*before);
    co_return co_await request<MessagePage>(path, "GET");
}

QCoro::Task<SentMessage> SocialAPI::sendMessage(std::string friendID, std::string clientID, std::string body) {
    std::string path = "social/messages/" + segment(friendID);
    co_return co_await request<SentMessage>(path, "POST", SocialBody::message(clientID, body));
}

QCoro::Task<APIResult> SocialAPI::markRead(std::string friendID, int64_t through) {
    std::string path = "social/messages/" + segment(friendID) + "/read";
    co_return co_await request<APIResult>(path, "POST", SocialBody::markRead(through));
}

} // namespace novra
