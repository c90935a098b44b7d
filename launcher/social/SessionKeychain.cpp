#include "launcher/social/SessionKeychain.h"

#include <memory>

#include <QDeadlineTimer>
#include <QStringDecoder>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include "core/LauncherError.h"

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#define NOVRA_SECRET_SERVICE 1
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QCoroDBusPendingCall>
#endif

namespace novra::SessionKeychain {
namespace {

using std::chrono::milliseconds;

milliseconds remaining(const QDeadlineTimer& deadline) { return milliseconds(deadline.remainingTime()); }

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
// finishes: its backend's pending call still refers to it, and the library runs jobs one at a time.
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

#ifdef NOVRA_SECRET_SERVICE
// Whether the Secret Service holds the item only in locked collections. Reading such an item through
// the store would ask the user to unlock it, so it reads as none instead. The attributes are those
// under which the keychain library files its items. False when the service cannot tell.
QCoro::Task<bool> lockedOnly(QString origin, milliseconds timeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || timeout.count() <= 0) co_return false;
    static const QMetaType registered = qDBusRegisterMetaType<QMap<QString, QString>>();
    Q_UNUSED(registered);
    QMap<QString, QString> attributes;
    attributes.insert(QStringLiteral("xdg:schema"), QStringLiteral("org.qt.keychain"));
    attributes.insert(QStringLiteral("server"), QString::fromLatin1(kService));
    attributes.insert(QStringLiteral("user"), origin);
    QDBusMessage search = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
    search << QVariant::fromValue(attributes);
    QDBusPendingCall call = bus.asyncCall(search, static_cast<int>(timeout.count()));
    co_await call;
    QDBusPendingReply<QList<QDBusObjectPath>, QList<QDBusObjectPath>> reply = call;
    if (reply.isError()) co_return false;
    co_return reply.argumentAt<0>().isEmpty() && !reply.argumentAt<1>().isEmpty();
}
#endif

} // namespace

QCoro::Task<std::optional<std::string>> read(QString origin, milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
#ifdef NOVRA_SECRET_SERVICE
    if (co_await lockedOnly(origin, remaining(deadline))) co_return std::nullopt;
#endif
    JobHandle job = JobHandle::make<QKeychain::ReadPasswordJob>();
    std::optional<int> status = co_await job.run(origin, remaining(deadline));
    if (status != QKeychain::NoError) co_return std::nullopt;
    QByteArray data = job.as<QKeychain::ReadPasswordJob>()->binaryData();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError()) co_return std::nullopt;
    Q_UNUSED(text);
    co_return data.toStdString();
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

std::string failureMessage(int status) {
    return "Не удалось сохранить сеанс в Связке ключей macOS (" + std::to_string(status) + ")";
}

} // namespace novra::SessionKeychain
