#pragma once
// The launcher's own updates: after every catalog refresh it fetches the build source's
// "launcher-update.json" and offers a newer build; on the user's request it installs the package
// into the library (as "launcher-self-update"), prepares the new bundle beside the running one,
// writes the plan, starts the running bundle's UpdateRelay with the plan and its own process id,
// and quits through the application's termination sequence. At start it looks at what the last
// update left in the library: after a successful exchange it removes the former bundle and the
// update's files, after a failed one it reports the updater's failure once.
//
// Lives on the main thread; the transfers, the install and the preparation run on worker threads.
// Files in the library folder: ".launcher-check-UUID" during a check and
// ".launcher-update-UUID.tar.gz" during an install (both always removed), the plan
// ".launcher-update-UUID.json" and its ".log" (kept for the updater).
#include <optional>
#include <string>

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include "core/Settings.h"
#include "selfupdate/LauncherUpdate.h"

class QQmlEngine;
class QJSEngine;

namespace novra {

class LibraryModel;

class LauncherSelfUpdate : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    // The manifest of a newer launcher found by the last successful check, in its JSON form
    // (available.release.version is the version to show); null when none is offered.
    Q_PROPERTY(QVariant available READ availableValue NOTIFY availableChanged)
    // An install runs, or the launcher is about to quit for the update.
    Q_PROPERTY(bool installing READ installing NOTIFY installingChanged)
    // The last status line of a check or an install.
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    // Why the last install, or the updater after the last start, did not update the launcher;
    // empty when nothing failed. Cleared when an install starts.
    Q_PROPERTY(QString failure READ failure NOTIFY failureChanged)

public:
    static const QString kUpToDate; // "Лаунчер обновлён"

    // The application's one instance, created on first use: the library model awaits its check
    // after every refresh, and it starts looking at what the last update left behind.
    static LauncherSelfUpdate& shared();
    static LauncherSelfUpdate* create(QQmlEngine*, QJSEngine*);

    // `bundle` is the launcher bundle that runs (none outside a bundle: its build counts as 0 and
    // an install fails).
    LauncherSelfUpdate(LibraryModel& library, std::optional<std::string> bundle, QObject* parent = nullptr);

    const std::optional<LauncherUpdate>& available() const { return available_; }
    bool installing() const { return installing_; }
    const QString& message() const { return message_; }
    const QString& failure() const { return failure_; }

    // Fetches the manifest from the source of `settings` and publishes what it found. Does nothing
    // while a check or an install runs. Never throws.
    QCoro::Task<void> check(Settings settings);
    // Starts installing the offered launcher; does nothing unless one is offered by a check that
    // succeeded, no install runs, and the library is neither busy nor checking.
    Q_INVOKABLE void install();
    // Removes what an update to this launcher left behind, or reports the updater's failure once
    // (in `message` and `failure`). Ends with finishedPrevious(). The application runs it once at
    // start; installs wait for it.
    QCoro::Task<void> finishPrevious();

    QVariant availableValue() const;

signals:
    void availableChanged();
    void installingChanged();
    void messageChanged();
    void failureChanged();
    void finishedPrevious();

private:
    QCoro::Task<void> runInstall(LauncherUpdate update, Settings settings);
    void setAvailable(std::optional<LauncherUpdate> update);
    void setInstalling(bool installing);
    void setMessage(const QString& message);
    void setFailure(const QString& failure);

    LibraryModel& library_;
    std::optional<std::string> bundle_;
    std::optional<LauncherUpdate> available_;
    bool installing_ = false;
    QString message_;
    QString failure_;
    bool checking_ = false;
    bool finishing_ = false;
    std::optional<Settings> source_;
};

} // namespace novra
