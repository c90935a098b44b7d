#pragma once
// The launcher's state of the library: the known games (the catalog), the installed and linked
// ones, the settings, and what the launcher is doing (checking the build source, installing a
// game). Every action on a game goes through it. It lives on the main thread and is read and
// written only there; the blocking work (storage checks, transfers, installing, file reads during
// a refresh or an install) runs on worker threads that get copies and post their results back.
//
// The state folder holds "settings.json" (written by saveSettings, and once on a studio build
// machine), "linked.json" (game id -> absolute application path; only read) and "catalog.json"
// (the last catalog fetched, written by refresh). Temporary files live in the library folder:
// ".catalog-UUID.json" during a refresh and ".download-UUID.tar.gz" during an install; both are
// always removed.
//
// Looking after a game (remove, verify, roll back, reclaim) goes the way of an install: the game is
// marked busy with the operation's phase, the core does the work off the main thread under the
// game's install lock, and the outcome is a notice or an error. Removing a linked game forgets its
// link: its entry leaves "linked.json" (the other entries stay as the file has them); a link the
// launcher made itself at start is forgotten for the run.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include "core/Catalog.h"
#include "core/OperationControl.h"
#include "core/Settings.h"
#include "core/Transfer.h"

class QQmlEngine;
class QJSEngine;
class QTimer;

namespace novra {

class LibraryModel : public QObject {
    Q_OBJECT

    // The published fields. QML sees games, settings, linked and installed as plain maps (the
    // documents' JSON form); C++ reads the core's types.
    Q_PROPERTY(QVariantList games READ gameList NOTIFY gamesChanged)
    Q_PROPERTY(QString selected READ selected WRITE setSelected NOTIFY selectedChanged)
    Q_PROPERTY(QVariantMap settings READ settingsMap NOTIFY settingsChanged)
    Q_PROPERTY(QVariantMap linked READ linkedMap NOTIFY linkedChanged)
    Q_PROPERTY(QVariantMap installed READ installedMap NOTIFY installedChanged)
    Q_PROPERTY(QString busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool checking READ checking NOTIFY checkingChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(QString notice READ notice NOTIFY noticeChanged)
    Q_PROPERTY(QDateTime lastCheck READ lastCheck NOTIFY lastCheckChanged)
    Q_PROPERTY(bool online READ online NOTIFY onlineChanged)
    Q_PROPERTY(QString error READ error WRITE setError NOTIFY errorChanged)
    Q_PROPERTY(QString connectionDetail READ connectionDetail NOTIFY connectionDetailChanged)
    // Bytes on disk of each installed game's folder, and the previous version each installed game
    // can return to (its record): both measured off the main thread whenever the library changed.
    Q_PROPERTY(QVariantMap sizes READ sizesMap NOTIFY sizesChanged)
    Q_PROPERTY(QVariantMap previousVersions READ previousVersionsMap NOTIFY previousVersionsChanged)
    // Derived values, computed on each read.
    Q_PROPERTY(QString root READ rootPath NOTIFY settingsChanged)
    Q_PROPERTY(QVariantList libraryGames READ libraryGameList NOTIFY libraryChanged)
    Q_PROPERTY(int updateCount READ updateCount NOTIFY libraryChanged)
    Q_PROPERTY(int installedCount READ installedCount NOTIFY libraryChanged)

public:
    // Awaited with the refresh's settings after every refresh, successful or not: the launcher's
    // own update check.
    using UpdateCheck = std::function<QCoro::Task<void>(Settings)>;

    // Phases of an install, as `phase` shows them.
    static const QString kPreparing;   // "Подготовка"
    static const QString kDownloading; // "Скачивание"
    static const QString kInstalling;  // "Проверка и установка"
    // Phases of looking after a game.
    static const QString kRemoving;    // "Удаление"
    static const QString kVerifying;   // "Проверка файлов"
    static const QString kRollingBack; // "Возврат версии"
    static const QString kReclaiming;  // "Освобождение места"
    // The busy marker of the launcher's own update.
    static const QString kSelfUpdate;  // "launcher-self-update"
    // The disks a studio build machine keeps its library on; both must be mounted for it.
    static const std::vector<std::string> kStudioVolumes;
    static constexpr int kRefreshSeconds = 900;
    static constexpr long long kCatalogLimit = 2'000'000;

    // The application's one model, created on first use.
    static LibraryModel& shared();

    // Reads the state folder ($XDG_DATA_HOME/NOVRA Launcher), the home folder and the bundle's
    // resources as they are now. The application uses shared(); a separate model is for tests.
    explicit LibraryModel(QObject* parent = nullptr);
    ~LibraryModel() override;

    const std::vector<Game>& games() const { return games_; }
    const QString& selected() const { return selected_; }
    void setSelected(const QString& id);
    const Settings& settings() const { return settings_; }
    const std::map<std::string, std::string>& linked() const { return linked_; }
    const std::map<std::string, Installed>& installed() const { return installed_; }
    // The id of the game being installed, or "launcher-self-update"; empty when idle.
    const QString& busy() const { return busy_; }
    // Only for the launcher's own update: marks the library busy with kSelfUpdate, and idle again.
    void setBusy(const QString& marker);
    bool checking() const { return checking_; }
    double progress() const { return progress_; }
    const QString& phase() const { return phase_; }
    const QString& notice() const { return notice_; }
    // Time of the last successful refresh; invalid before the first.
    const QDateTime& lastCheck() const { return lastCheck_; }
    bool online() const { return online_; }
    // Message of the last failed action; empty when there is none. The window clears it.
    const QString& error() const { return error_; }
    void setError(const QString& message);
    const QString& connectionDetail() const { return connectionDetail_; }
    const std::map<std::string, int64_t>& sizes() const { return sizes_; }
    const std::map<std::string, Installed>& previousVersions() const { return previousVersions_; }
    // The state folder this model reads and writes.
    const std::string& stateFolder() const { return state_; }

    std::string root() const { return settings_.library; }
    std::vector<Game> libraryGames() const;
    int updateCount() const;
    int installedCount() const;
    // The known game with this id, or none.
    const Game* game(const std::string& id) const;

    // Starts a catalog refresh unless one runs or the library is busy.
    Q_INVOKABLE void refresh();
    // Starts installing or updating the game; does nothing while busy or checking, for a linked
    // game or for one without a release.
    void install(const Game& game);
    Q_INVOKABLE void install(const QString& id);
    // Cancels the running install, if any. Safe at any time.
    Q_INVOKABLE void cancel();
    // Starts the game's application (linked, else installed) and hands it to play tracking.
    void play(const Game& game);
    Q_INVOKABLE void play(const QString& id);
    // Looking after a game; each does nothing while busy or checking, or for a game it does not
    // apply to. Removes an installed game's folder from the library, or forgets a linked game's link.
    Q_INVOKABLE void remove(const QString& id);
    // Checks the installed version's files against the seal: "Файлы в порядке" or the check's message.
    Q_INVOKABLE void verify(const QString& id);
    // Installs the catalog's release again when it is the installed one.
    Q_INVOKABLE void repair(const QString& id);
    // Makes the previous version current again, and the current one previous.
    Q_INVOKABLE void rollBack(const QString& id);
    // Removes the versions other than the current and the previous one.
    Q_INVOKABLE void reclaim(const QString& id);

    // Validates, stores and applies new settings, then re-reads the installed games and refreshes.
    // Does nothing while busy or checking.
    void saveSettings(const Settings& settings);
    Q_INVOKABLE void saveSettings(const QVariantMap& settings);

    QString status(const Game& game) const;
    Q_INVOKABLE QString status(const QString& id) const;
    bool hasUpdate(const Game& game) const;
    Q_INVOKABLE bool hasUpdate(const QString& id) const;

    // Folds a catalog into the known games: same order, catalog games replace theirs whole, games
    // missing from it lose their release, new ones are appended.
    void merge(const Catalog& catalog);
    // Re-reads the installed versions of the known games from the library folder.
    void reloadInstalled();

    void setUpdateCheck(UpdateCheck check);

    QVariantList gameList() const { return gameList_; }
    QVariantMap settingsMap() const;
    QVariantMap linkedMap() const;
    QVariantMap installedMap() const;
    QString rootPath() const { return QString::fromStdString(root()); }
    QVariantList libraryGameList() const;
    QVariantMap sizesMap() const;
    QVariantMap previousVersionsMap() const;

signals:
    void gamesChanged();
    void selectedChanged();
    void settingsChanged();
    void linkedChanged();
    void installedChanged();
    void busyChanged();
    void checkingChanged();
    void progressChanged();
    void phaseChanged();
    void noticeChanged();
    void lastCheckChanged();
    void onlineChanged();
    void errorChanged();
    void connectionDetailChanged();
    void sizesChanged();
    void previousVersionsChanged();
    // Any of games, linked or installed changed, and with them the derived values.
    void libraryChanged();

private:
    void load();
    QCoro::Task<void> runRefresh(Settings settings);
    QCoro::Task<void> runInstall(Game game, Settings settings, OperationControlPtr control);
    QCoro::Task<void> runPlay(std::string id, std::string app);
    static Installed installPackage(QPointer<LibraryModel> model, const Game& game, const Settings& settings,
                                    OperationControl& control);
    static Progress progressReporter(QPointer<LibraryModel> model);
    // What a finished operation on a game does to the model, applied on the main thread.
    using Outcome = std::function<void(LibraryModel&)>;
    // Whether an installed game (not a linked one) may be looked after now.
    bool mayLookAfter(const std::string& id) const;
    void lookAfter(const std::string& id, const QString& phase, std::function<Outcome(const Settings&)> work);
    QCoro::Task<void> runLookAfter(Settings settings, std::function<Outcome(const Settings&)> work);
    // Measures the installed games' folders (and finishes interrupted removals) off the main thread.
    void inspectDisk();
    QCoro::Task<void> runInspectDisk(unsigned generation, std::vector<std::string> ids, Settings settings);

    void setGames(std::vector<Game> games);
    void setSettings(Settings settings);
    void setLinked(std::map<std::string, std::string> linked);
    void setInstalled(std::map<std::string, Installed> installed);
    void setChecking(bool checking);
    void setProgress(double progress);
    void setPhase(const QString& phase);
    void setNotice(const QString& notice);
    void setLastCheck(const QDateTime& time);
    void setOnline(bool online);
    void setConnectionDetail(const QString& detail);
    void setSizes(std::map<std::string, int64_t> sizes);
    void setPreviousVersions(std::map<std::string, Installed> previous);
    std::string statePath(const std::string& name) const;

    std::vector<Game> games_;
    QVariantList gameList_;
    QString selected_ = QStringLiteral("quiet-marsh");
    Settings settings_;
    std::map<std::string, std::string> linked_;
    std::map<std::string, Installed> installed_;
    QString busy_;
    bool checking_ = false;
    double progress_ = 0.0;
    QString phase_;
    QString notice_;
    QDateTime lastCheck_;
    bool online_ = false;
    QString error_;
    QString connectionDetail_;
    std::map<std::string, int64_t> sizes_;
    std::map<std::string, Installed> previousVersions_;

    OperationControlPtr control_;
    // Counts the disk inspections; only the latest one's result is published.
    unsigned inspection_ = 0;
    QTimer* timer_ = nullptr;
    std::string state_;
    std::string home_;
    UpdateCheck updateCheck_;
};

} // namespace novra
