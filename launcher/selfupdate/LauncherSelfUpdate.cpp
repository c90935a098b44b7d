#include "launcher/selfupdate/LauncherSelfUpdate.h"

#include <filesystem>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QPointer>
#include <QQmlEngine>

#include "core/LauncherCore.h"
#include "launcher/library/AppDelegate.h"
#include "launcher/library/Background.h"
#include "launcher/library/LibraryModel.h"
#include "launcher/library/UserMessage.h"
#include "platform/Detached.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "selfupdate/SelfUpdateCore.h"
#include "selfupdate/UpdateFiles.h"

namespace fs = std::filesystem;

namespace novra {

const QString LauncherSelfUpdate::kUpToDate = QStringLiteral("Лаунчер обновлён");

namespace {

// The manifest is a few hundred bytes.
constexpr long long kManifestLimit = 32768;
const QString kNotInstalled = QStringLiteral("Обновление не установлено: ");

struct Checked {
    int64_t build = 0;
    LauncherUpdate update;
};

void removeQuietly(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

// The check's blocking part: the running build, then the manifest, downloaded into a temporary
// file in the library (always removed), decoded and validated.
Checked fetchManifest(const Settings& settings, const std::optional<std::string>& bundle) {
    Checked checked;
    checked.build = bundle ? SelfUpdateCore::build(*bundle) : 0;
    LauncherCore::checkStorage(settings, 0);
    const std::string temporary =
        LauncherCore::joinPath(settings.library, ".launcher-check-" + platform::uuidText());
    try {
        OperationControl control;
        LauncherCore::download(settings, "launcher-update.json", temporary, kManifestLimit, control, {});
        checked.update = LauncherUpdate::fromJSON(platform::readRegularFile(temporary, kManifestLimit));
        checked.update.validate();
    } catch (...) {
        removeQuietly(temporary);
        throw;
    }
    removeQuietly(temporary);
    return checked;
}

// The install's blocking part: storage check, download of the package into the library, the
// core's install as "launcher-self-update", the new bundle prepared beside the running one (the
// package file is always removed), then the hand-over: the plan (its owner's alone: the updater
// accepts no other), the empty log, and UpdateRelay of the running bundle started with the plan and
// `pid`, its output going to the log.
void installUpdate(const LauncherUpdate& update, const Settings& settings,
                   const std::optional<std::string>& bundle, qint64 pid) {
    require(bundle.has_value(), "Неверный путь установленного лаунчера");
    const Release& release = update.release;
    // The sizes are bounded by the release's validation: the sum cannot overflow.
    LauncherCore::checkStorage(settings, release.bytes + 2 * release.expandedBytes);
    const std::string archive = LauncherCore::joinPath(
        settings.library, std::string(SelfUpdateCore::kUpdateFilePrefix) + platform::uuidText() + ".tar.gz");
    LauncherUpdatePlan plan;
    try {
        // Nothing cancels the launcher's own install.
        OperationControl control;
        LauncherCore::download(settings, release.archive, archive, release.bytes, control, {});
        Game game;
        game.id = std::string(SelfUpdateCore::kLibraryID);
        game.title = "NOVRA Launcher";
        game.symbol = "arrow.down";
        game.release = release;
        const Installed record = LauncherCore::install(archive, game, settings, control);
        plan =
            SelfUpdateCore::prepare(LauncherCore::appURL(game.id, record, settings.library), *bundle, update);
    } catch (...) {
        removeQuietly(archive);
        throw;
    }
    removeQuietly(archive);

    const std::string planFile =
        LauncherCore::joinPath(settings.library, SelfUpdateCore::planFileName(platform::uuidText()));
    LauncherCore::atomicJSON(plan.encode(), planFile, 0600);
    const std::string relay = *bundle + "/Contents/MacOS/UpdateRelay";
    const std::vector<std::string> arguments{planFile, std::to_string(pid)};
    platform::File log = platform::File::createForWriting(planFile + ".log");
    platform::startDetached(relay, arguments, log.descriptor());
}

} // namespace

LauncherSelfUpdate& LauncherSelfUpdate::shared() {
    // Lives as long as the process, like the library model it works with.
    static LauncherSelfUpdate* instance = [] {
        std::optional<std::string> bundle;
        try {
            bundle = platform::runningBundle();
        } catch (const std::exception&) {
            // Not known: treated as outside a bundle.
        }
        LibraryModel& library = LibraryModel::shared();
        auto* created = new LauncherSelfUpdate(library, bundle);
        library.setUpdateCheck([created](Settings settings) { return created->check(std::move(settings)); });
        created->finishPrevious();
        return created;
    }();
    return *instance;
}

LauncherSelfUpdate* LauncherSelfUpdate::create(QQmlEngine*, QJSEngine*) {
    QQmlEngine::setObjectOwnership(&shared(), QQmlEngine::CppOwnership);
    return &shared();
}

LauncherSelfUpdate::LauncherSelfUpdate(LibraryModel& library, std::optional<std::string> bundle,
                                       QObject* parent)
    : QObject(parent), library_(library), bundle_(std::move(bundle)) {}

QVariant LauncherSelfUpdate::availableValue() const {
    if (!available_) return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(available_->encode().dump())).toVariant();
}

QCoro::Task<void> LauncherSelfUpdate::check(Settings settings) {
    if (checking_ || installing_) co_return;
    checking_ = true;
    QPointer<LauncherSelfUpdate> self(this);
    std::optional<Checked> checked;
    QString failure;
    try {
        auto work = [settings, bundle = bundle_] { return fetchManifest(settings, bundle); };
        QCoro::Task<Checked> task = inBackground(std::move(work));
        checked = co_await task;
    } catch (...) {
        failure = userMessage(std::current_exception());
    }
    if (!self) co_return;
    if (checked) {
        source_ = settings;
        const bool newer = checked->update.isNewer(checked->build);
        const QString version = QString::fromStdString(checked->update.release.version);
        setAvailable(newer ? std::optional<LauncherUpdate>(checked->update) : std::nullopt);
        setMessage(newer ? QStringLiteral("Доступен лаунчер ") + version : kUpToDate);
    } else {
        setAvailable(std::nullopt);
        source_.reset();
        setMessage(QStringLiteral("Проверка обновлений лаунчера недоступна: ") + failure);
    }
    checking_ = false;
}

void LauncherSelfUpdate::install() {
    if (installing_ || !available_ || !source_ || !library_.busy().isEmpty() || library_.checking() ||
        finishing_)
        return;
    setInstalling(true);
    library_.setBusy(LibraryModel::kSelfUpdate);
    setFailure(QString());
    setMessage(QStringLiteral("Загрузка обновления лаунчера…"));
    runInstall(*available_, *source_);
}

QCoro::Task<void> LauncherSelfUpdate::runInstall(LauncherUpdate update, Settings settings) {
    QPointer<LauncherSelfUpdate> self(this);
    QString failure;
    try {
        const qint64 pid = QCoreApplication::applicationPid();
        auto work = [update, settings, bundle = bundle_, pid] {
            installUpdate(update, settings, bundle, pid);
        };
        QCoro::Task<void> task = inBackground(std::move(work));
        co_await task;
    } catch (...) {
        failure = userMessage(std::current_exception());
        // An error without a text of its own still says that the launcher was not updated.
        if (failure.isEmpty()) failure = QStringLiteral("Неизвестная ошибка");
    }
    if (!self) co_return;
    if (failure.isEmpty()) {
        // The updater waits for this process to end; `installing` and the busy marker stay.
        setMessage(QStringLiteral("Перезапуск лаунчера…"));
        AppDelegate::shared().terminate();
        co_return;
    }
    setMessage(kNotInstalled + failure);
    setFailure(kNotInstalled + failure);
    setInstalling(false);
    library_.setBusy(QString());
}

QCoro::Task<void> LauncherSelfUpdate::finishPrevious() {
    if (finishing_) co_return;
    if (!bundle_) {
        // Outside a bundle no update was ever applied. Told from the event loop, as after the work,
        // so that whoever created the model hears it.
        QMetaObject::invokeMethod(this, &LauncherSelfUpdate::finishedPrevious, Qt::QueuedConnection);
        co_return;
    }
    finishing_ = true;
    QPointer<LauncherSelfUpdate> self(this);
    SelfUpdateCore::Aftermath aftermath;
    try {
        auto work = [library = library_.settings().library, bundle = *bundle_] {
            return SelfUpdateCore::finishUpdates(library, bundle);
        };
        QCoro::Task<SelfUpdateCore::Aftermath> task = inBackground(std::move(work));
        aftermath = co_await task;
    } catch (...) {
        // finishUpdates throws nothing; a worker that could not run leaves the files for next time.
    }
    if (!self) co_return;
    finishing_ = false;
    if (aftermath.failure) {
        const QString text = kNotInstalled + QString::fromStdString(*aftermath.failure);
        setMessage(text);
        setFailure(text);
    }
    emit finishedPrevious();
}

void LauncherSelfUpdate::setAvailable(std::optional<LauncherUpdate> update) {
    if (update == available_) return;
    available_ = std::move(update);
    emit availableChanged();
}

void LauncherSelfUpdate::setInstalling(bool installing) {
    if (installing == installing_) return;
    installing_ = installing;
    emit installingChanged();
}

void LauncherSelfUpdate::setMessage(const QString& message) {
    if (message == message_) return;
    message_ = message;
    emit messageChanged();
}

void LauncherSelfUpdate::setFailure(const QString& failure) {
    if (failure == failure_) return;
    failure_ = failure;
    emit failureChanged();
}

} // namespace novra
