#include "launcher/social/SessionKeychain.h"

#include <algorithm>
#include <memory>

#include <QDBusConnection>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QObject>
#include <QStringDecoder>

#include "core/LauncherError.h"

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#define NOVRA_SECRET_SERVICE 1
#include <QCoroDBusPendingCall>
#include <QCoroSignal>
#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#else
#include <QTimer>
#include <qt6keychain/keychain.h>
#endif

namespace novra::SessionKeychain {
namespace detail {

// Learns how a prompt of the Secret Service ended (its "Completed" signal).
class PromptEnd : public QObject {
    Q_OBJECT
public:
    bool completed = false;
    bool dismissed = false;

Q_SIGNALS:
    void ended(bool dismissed);

public Q_SLOTS:
    void complete(bool wasDismissed, const QDBusVariant&) {
        completed = true;
        dismissed = wasDismissed;
        Q_EMIT ended(wasDismissed);
    }
};

} // namespace detail

namespace {

using std::chrono::milliseconds;

// A stored value the launcher takes back: text in UTF-8.
std::optional<std::string> text(const QByteArray& data) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(data);
    Q_UNUSED(decoded);
    if (utf8.hasError()) return std::nullopt;
    return data.toStdString();
}

#ifdef NOVRA_SECRET_SERVICE
// The Secret Service, spoken to directly over D-Bus. Every call carries its own time-out and none
// waits behind another, so a call the store never answers (an unlock prompt nobody answers) costs
// only the operation that made it; a late answer is dropped by the bus.
//
// Items are filed as earlier builds of the launcher filed them through the keychain library, so
// that their sessions are still found: schema "org.qt.keychain", the service as "server", the
// origin as "user", "type" "plaintext", labelled with the service, in the default collection.
// Secrets travel "plain" over the user's own session bus.

const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kServicePath = QStringLiteral("/org/freedesktop/secrets");
const QString kServiceInterface = QStringLiteral("org.freedesktop.Secret.Service");
const QString kCollectionInterface = QStringLiteral("org.freedesktop.Secret.Collection");
const QString kItemInterface = QStringLiteral("org.freedesktop.Secret.Item");
const QString kSessionInterface = QStringLiteral("org.freedesktop.Secret.Session");
const QString kPromptInterface = QStringLiteral("org.freedesktop.Secret.Prompt");
const QString kIsLocked = QStringLiteral("org.freedesktop.Secret.Error.IsLocked");
const QString kNoPrompt = QStringLiteral("/");

using Attributes = QMap<QString, QString>;

// The attributes that identify the item of an origin, whatever the form of its value.
Attributes filedAs(const QString& origin) {
    return {{QStringLiteral("xdg:schema"), QStringLiteral("org.qt.keychain")},
            {QStringLiteral("server"), QString::fromLatin1(kService)},
            {QStringLiteral("user"), origin}};
}

// ... and of the item as the launcher stores it: the value as plain text.
Attributes storedAs(const QString& origin) {
    Attributes attributes = filedAs(origin);
    attributes.insert(QStringLiteral("type"), QStringLiteral("plaintext"));
    return attributes;
}

// 0 for an answer; kTimedOut when the store did not answer in time; kFailed otherwise.
int statusOf(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ReplyMessage) return 0;
    QDBusError::ErrorType error = QDBusError(reply).type();
    return error == QDBusError::NoReply || error == QDBusError::Timeout ? kTimedOut : kFailed;
}

QDBusObjectPath pathAt(const QDBusMessage& reply, int index) {
    return qdbus_cast<QDBusObjectPath>(reply.arguments().value(index));
}

QList<QDBusObjectPath> pathsAt(const QDBusMessage& reply, int index) {
    return qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().value(index));
}

// One call, answered or failed by the deadline.
QCoro::Task<QDBusMessage> call(QString path, QString interface, QString method, QVariantList arguments,
                               QDeadlineTimer deadline) {
    static const QMetaType registered = qDBusRegisterMetaType<Attributes>();
    Q_UNUSED(registered);
    QDBusMessage message = QDBusMessage::createMethodCall(kSecrets, path, interface, method);
    message.setArguments(arguments);
    qint64 left = deadline.remainingTime();
    if (left <= 0) co_return message.createErrorReply(QDBusError::NoReply, QStringLiteral("no time left"));
    QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(message, static_cast<int>(left));
    co_await pending;
    co_return pending.reply();
}

// Sends a call whose answer nobody waits for.
void post(const QString& path, const QString& interface, const QString& method) {
    QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(kSecrets, path, interface, method));
}

// The items filed under `attributes`: the answer's arguments are the unlocked and the locked ones.
QCoro::Task<QDBusMessage> search(Attributes attributes, QDeadlineTimer deadline) {
    QVariantList arguments{QVariant::fromValue(attributes)};
    co_return co_await call(kServicePath, kServiceInterface, QStringLiteral("SearchItems"), arguments,
                            deadline);
}

// A session for carrying secrets; the answer's second argument is its path.
QCoro::Task<QDBusMessage> openSession(QDeadlineTimer deadline) {
    QVariantList arguments{QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))};
    co_return co_await call(kServicePath, kServiceInterface, QStringLiteral("OpenSession"), arguments,
                            deadline);
}

// Shows a prompt of the store (an unlock dialog) and waits for its end until the deadline. A prompt
// still open then stays open: the user may still answer it, and an unlocked store serves the next
// operation. (Dismissing it while the desktop's prompter has not answered brings gnome-keyring 42
// down.)
QCoro::Task<int> prompt(QDBusObjectPath path, QDeadlineTimer deadline) {
    detail::PromptEnd end;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString completed = QStringLiteral("Completed");
    bus.connect(kSecrets, path.path(), kPromptInterface, completed, &end, SLOT(complete(bool, QDBusVariant)));
    QVariantList arguments{QString()}; // no window to attach it to
    int status =
        statusOf(co_await call(path.path(), kPromptInterface, QStringLiteral("Prompt"), arguments, deadline));
    if (status == 0 && !end.completed) {
        milliseconds left(std::max<qint64>(deadline.remainingTime(), 0));
        if (!co_await qCoro(&end, &detail::PromptEnd::ended, left)) status = kTimedOut;
    }
    bus.disconnect(kSecrets, path.path(), kPromptInterface, completed, &end,
                   SLOT(complete(bool, QDBusVariant)));
    if (status != 0) co_return status;
    co_return end.dismissed ? kDeclined : 0;
}

// Unlocks `objects`, through a prompt when the store needs the user.
QCoro::Task<int> unlock(QList<QDBusObjectPath> objects, QDeadlineTimer deadline) {
    QVariantList arguments{QVariant::fromValue(objects)};
    QDBusMessage answer =
        co_await call(kServicePath, kServiceInterface, QStringLiteral("Unlock"), arguments, deadline);
    if (int status = statusOf(answer)) co_return status;
    QDBusObjectPath next = pathAt(answer, 1);
    if (next.path() == kNoPrompt) co_return 0;
    co_return co_await prompt(next, deadline);
}

// Files the value in the default collection, replacing the origin's item; unlocks the collection
// first when it is locked. 0 or the failure's status.
QCoro::Task<int> store(std::string value, QString origin, QDeadlineTimer deadline) {
    QVariantList alias{QStringLiteral("default")};
    QDBusMessage found =
        co_await call(kServicePath, kServiceInterface, QStringLiteral("ReadAlias"), alias, deadline);
    if (int status = statusOf(found)) co_return status;
    QDBusObjectPath collection = pathAt(found, 0);
    if (collection.path().isEmpty() || collection.path() == kNoPrompt) co_return kFailed;
    QDBusMessage opened = co_await openSession(deadline);
    if (int status = statusOf(opened)) co_return status;
    QDBusObjectPath session = pathAt(opened, 1);

    QDBusArgument secret; // (session, parameters, value, content type)
    secret.beginStructure();
    secret << session << QByteArray() << QByteArray::fromStdString(value) << QStringLiteral("text/plain");
    secret.endStructure();
    QVariantMap properties{
        {QStringLiteral("org.freedesktop.Secret.Item.Label"), QString::fromLatin1(kService)},
        {QStringLiteral("org.freedesktop.Secret.Item.Attributes"), QVariant::fromValue(storedAs(origin))}};
    QVariantList arguments{properties, QVariant::fromValue(secret), true}; // true: replace the item
    int status = kFailed;
    for (int attempt = 0; attempt < 2; ++attempt) {
        QDBusMessage created = co_await call(collection.path(), kCollectionInterface,
                                             QStringLiteral("CreateItem"), arguments, deadline);
        status = statusOf(created);
        if (status == 0) {
            QDBusObjectPath next = pathAt(created, 1);
            if (next.path() != kNoPrompt) status = co_await prompt(next, deadline);
            break;
        }
        if (attempt > 0 || created.errorName() != kIsLocked) break;
        QList<QDBusObjectPath> locked{collection};
        status = co_await unlock(locked, deadline);
        if (status != 0) break;
    }
    post(session.path(), kSessionInterface, QStringLiteral("Close"));
    co_return status;
}
#else
// Awaits a started job's finished signal for at most `timeout`. Resumes the waiting coroutine once,
// from the event loop, with true when the job finished and false on time-out.
class JobFinished {
public:
    JobFinished(QKeychain::Job* job, milliseconds timeout) : job_(job), timeout_(timeout) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> waiting) {
        auto state = state_;
        auto resumeOnce = [state, waiting](bool finished) {
            if (state->resumed) return;
            state->resumed = true;
            state->finished = finished;
            waiting.resume();
        };
        QObject::connect(job_, &QKeychain::Job::finished, job_, [resumeOnce] { resumeOnce(true); }, Qt::QueuedConnection);
        QTimer::singleShot(timeout_, job_, [resumeOnce] { resumeOnce(false); });
        job_->start();
    }

    bool await_resume() const noexcept { return state_->finished; }

private:
    struct State {
        bool resumed = false;
        bool finished = false;
    };
    QKeychain::Job* job_;
    milliseconds timeout_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Owns a job until it has finished. A job that timed out is released to delete itself once it
// finishes: its backend's pending call still refers to it.
class JobHandle {
public:
    template <class JobType> static JobHandle make() {
        auto* job = new JobType(QString::fromLatin1(kService));
        job->setAutoDelete(false);
        job->setInsecureFallback(false);
        return JobHandle(job);
    }
    ~JobHandle() {
        if (!job_) return;
        if (finished_) {
            job_->deleteLater();
        } else {
            QObject::connect(job_, &QKeychain::Job::finished, job_, &QObject::deleteLater);
        }
    }
    JobHandle(JobHandle&& other) noexcept : job_(std::exchange(other.job_, nullptr)), finished_(other.finished_) {}
    JobHandle(const JobHandle&) = delete;
    JobHandle& operator=(const JobHandle&) = delete;

    template <class JobType> JobType* as() const { return static_cast<JobType*>(job_); }

    // The job's error code once it has finished, or none when it did not finish within `timeout`.
    QCoro::Task<std::optional<int>> run(QString key, milliseconds timeout) {
        job_->setKey(key);
        finished_ = co_await JobFinished(job_, timeout);
        if (!finished_) co_return std::nullopt;
        co_return static_cast<int>(job_->error());
    }

private:
    explicit JobHandle(QKeychain::Job* job) : job_(job) {}
    QKeychain::Job* job_;
    bool finished_ = false;
};
#endif

} // namespace

#ifdef NOVRA_SECRET_SERVICE
QCoro::Task<std::optional<std::string>> read(QString origin, milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    QDBusMessage found = co_await search(storedAs(origin), deadline);
    // An item that only a locked collection holds would need the user: it reads as none, unasked.
    QList<QDBusObjectPath> unlocked = pathsAt(found, 0);
    if (statusOf(found) != 0 || unlocked.isEmpty()) co_return std::nullopt;
    QDBusMessage opened = co_await openSession(deadline);
    if (statusOf(opened) != 0) co_return std::nullopt;
    QDBusObjectPath session = pathAt(opened, 1);
    QVariantList arguments{QVariant::fromValue(session)};
    QDBusMessage answer = co_await call(unlocked.first().path(), kItemInterface, QStringLiteral("GetSecret"),
                                        arguments, deadline);
    post(session.path(), kSessionInterface, QStringLiteral("Close"));
    if (statusOf(answer) != 0 || answer.arguments().isEmpty()) co_return std::nullopt;
    QDBusObjectPath carrier;
    QByteArray parameters, value;
    QString contentType;
    const QDBusArgument secret = answer.arguments().first().value<QDBusArgument>();
    secret.beginStructure();
    secret >> carrier >> parameters >> value >> contentType;
    secret.endStructure();
    co_return text(value);
}

QCoro::Task<void> write(std::optional<std::string> value, QString origin, milliseconds timeout) {
    if (!value) {
        co_await remove(origin, timeout);
        co_return;
    }
    int status = co_await store(std::move(*value), origin, QDeadlineTimer(timeout));
    if (status != 0) throw LauncherError(failureMessage(status));
}

QCoro::Task<void> remove(QString origin, milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    QDBusMessage found = co_await search(filedAs(origin), deadline);
    if (statusOf(found) != 0) co_return;
    QList<QDBusObjectPath> items = pathsAt(found, 0);
    QList<QDBusObjectPath> locked = pathsAt(found, 1);
    if (!locked.isEmpty() && co_await unlock(locked, deadline) == 0) items += locked;
    for (const QDBusObjectPath& item : items) {
        QDBusMessage deleted =
            co_await call(item.path(), kItemInterface, QStringLiteral("Delete"), QVariantList(), deadline);
        if (statusOf(deleted) == 0 && pathAt(deleted, 0).path() != kNoPrompt)
            co_await prompt(pathAt(deleted, 0), deadline);
    }
}
#else
QCoro::Task<std::optional<std::string>> read(QString origin, milliseconds timeout) {
    JobHandle job = JobHandle::make<QKeychain::ReadPasswordJob>();
    std::optional<int> status = co_await job.run(origin, timeout);
    if (status != QKeychain::NoError) co_return std::nullopt;
    co_return text(job.as<QKeychain::ReadPasswordJob>()->binaryData());
}

QCoro::Task<void> write(std::optional<std::string> value, QString origin, milliseconds timeout) {
    if (!value) {
        co_await remove(origin, timeout);
        co_return;
    }
    JobHandle job = JobHandle::make<QKeychain::WritePasswordJob>();
    // The store replaces the item with the same service and account, or adds it when there is none.
    job.as<QKeychain::WritePasswordJob>()->setTextData(QString::fromStdString(*value));
    std::optional<int> status = co_await job.run(origin, timeout);
    int final = status.value_or(kTimedOut);
    if (final != QKeychain::NoError) throw LauncherError(failureMessage(final));
}

QCoro::Task<void> remove(QString origin, milliseconds timeout) {
    JobHandle job = JobHandle::make<QKeychain::DeletePasswordJob>();
    co_await job.run(origin, timeout);
}
#endif

std::string failureMessage(int status) {
    return "Не удалось сохранить сеанс в Связке ключей macOS (" + std::to_string(status) + ")";
}

} // namespace novra::SessionKeychain

#include "SessionKeychain.moc"
