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
    QML_ELEMENT
    QML_SINGLETON

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
    // The busy marker of the launcher's own update.
    static const QString kSelfUpdate;  // "launcher-self-update"
    static constexpr int kRefreshSeconds = 900;
    static constexpr long long kCatalogLimit = 2'000'000;

    // The application's one model, created on first use.
    static LibraryModel& shared();
    static LibraryModel* create(QQmlEngine*, QJSEngine*);

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

    OperationControlPtr control_;
    QTimer* timer_ = nullptr;
    std::string state_;
    std::string home_;
    UpdateCheck updateCheck_;
};

} // namespace novra
