#include "launcher/library/LibraryModel.h"
#include "launcher/library/PublishedField.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>

#include <QJsonDocument>
#include <QPointer>
#include <QQmlEngine>
#include <QThread>
#include <QTimer>

#include "core/LauncherCore.h"
#include "launcher/desktop/Workspace.h"
#include "launcher/library/Background.h"
#include "launcher/library/LauncherLifecycle.h"
#include "launcher/library/LibraryModelSingleton.h"
#include "launcher/library/UserMessage.h"
#include "launcher/views/FileSize.h"
#include "launcher/views/LauncherResource.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "selfupdate/UpdateFiles.h"

namespace fs = std::filesystem;

namespace novra {

const QString LibraryModel::kPreparing = QStringLiteral("Подготовка");
const QString LibraryModel::kDownloading = QStringLiteral("Скачивание");
const QString LibraryModel::kInstalling = QStringLiteral("Проверка и установка");
const QString LibraryModel::kSelfUpdate =
    QString::fromUtf8(SelfUpdateCore::kLibraryID.data(), SelfUpdateCore::kLibraryID.size());
const std::vector<std::string> LibraryModel::kStudioVolumes = {"/Volumes/NOVRACache", "/Volumes/archive_ssd"};
const QString LibraryModel::kRemoving = QStringLiteral("Удаление");
const QString LibraryModel::kVerifying = QStringLiteral("Проверка файлов");
const QString LibraryModel::kRollingBack = QStringLiteral("Возврат версии");
const QString LibraryModel::kReclaiming = QStringLiteral("Освобождение места");

namespace {

const std::string kQuietMarsh = "quiet-marsh";
// A studio build machine keeps its library on this disk; its settings are written on first start.
const std::string kStudioLibrary = "/Volumes/NOVRACache/game-launcher/library";
// The state folder's documents are small; anything larger is not one of them.
constexpr long long kDocumentLimit = 1'000'000;
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

const QString kOffline = QStringLiteral("Источник сборок недоступен. Установленные игры можно запускать.");
const QString kCancelled = QStringLiteral("Загрузка отменена. Текущая версия сохранена.");
const QString kGameMissing = QStringLiteral("Игра не найдена. Подключите диск или выберите приложение заново.");
const QString kRepairNeedsRelease =
    QStringLiteral("Восстановить нельзя: установленной версии нет в каталоге");

bool exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

void removeQuietly(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

// The file's contents, or none when it cannot be read (absent included).
std::optional<std::string> readIfPossible(const std::string& path) {
    try {
        return platform::readFile(path, kDocumentLimit);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

std::map<std::string, std::string> decodeLinks(const std::string& text) {
    Json document = parseJson(text);
    JsonObject object(document, "");
    std::map<std::string, std::string> links;
    for (const auto& [id, path] : document.items()) links[id] = JsonObject::asString(path, id);
    return links;
}

// The installed record of each game that has one.
std::map<std::string, Installed> readInstalled(const std::vector<std::string>& ids, const std::string& root) {
    std::map<std::string, Installed> found;
    for (const std::string& id : ids)
        if (std::optional<Installed> record = LauncherCore::current(id, root)) found.emplace(id, std::move(*record));
    return found;
}

std::vector<std::string> idsOf(const std::vector<Game>& games) {
    std::vector<std::string> ids;
    for (const Game& game : games) ids.push_back(game.id);
    return ids;
}

QVariant toVariant(const Json& value) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(value.dump())).toVariant();
}

// Takes the game's entry out of "linked.json", keeping every other entry as the file has it. A
// game the file does not name (a link made at start) leaves the file as it is.
void forgetLink(const std::string& file, const std::string& id) {
    std::optional<std::string> text = readIfPossible(file);
    if (!text) return;
    std::map<std::string, std::string> links = decodeLinks(*text);
    if (links.erase(id) == 0) return;
    Json document = Json::object();
    for (const auto& [game, path] : links) document[game] = path;
    LauncherCore::atomicJSON(document, file);
}

struct DiskFacts {
    std::map<std::string, int64_t> sizes;
    std::map<std::string, Installed> previous;
};

// Finishes the removals a kill interrupted, then measures the installed games' folders and finds
// the versions they can return to.
DiskFacts inspectLibrary(const std::vector<std::string>& ids, const std::string& root) {
    LauncherCore::removeLeftovers(root);
    DiskFacts facts;
    for (const std::string& id : ids) {
        facts.sizes[id] = LauncherCore::sizeOnDisk(id, root);
        if (std::optional<Installed> before = LauncherCore::previous(id, root)) facts.previous.emplace(id, *before);
    }
    return facts;
}

struct Fetched {
    Catalog catalog;
    std::map<std::string, Installed> installed;
};

// The refresh's blocking part: download the catalog into a temporary file in the library, load
// it, cache it in the state folder, and read the installed records of every game the merge will
// know. The temporary file is always removed.
Fetched fetchCatalog(const Settings& settings, const std::string& temporary, const std::string& cache,
                     std::vector<std::string> known) {
    Catalog catalog;
    try {
        LauncherCore::checkStorage(settings, 0);
        OperationControl control;
        LauncherCore::download(settings, "catalog.json", temporary, LibraryModel::kCatalogLimit, control, {});
        catalog = LauncherCore::loadCatalog(temporary);
    } catch (...) {
        removeQuietly(temporary);
        throw;
    }
    removeQuietly(temporary);
    LauncherCore::atomicJSON(catalog.encode(), cache);
    for (const Game& game : catalog.games)
        if (std::find(known.begin(), known.end(), game.id) == known.end()) known.push_back(game.id);
    return {std::move(catalog), readInstalled(known, settings.library)};
}

} // namespace

LibraryModel& LibraryModel::shared() {
    // Lives as long as the process; never destroyed, so no background work outlives it.
    static LibraryModel* instance = new LibraryModel();
    return *instance;
}

LibraryModel* LibraryModelSingleton::create(QQmlEngine*, QJSEngine*) {
    QQmlEngine::setObjectOwnership(&LibraryModel::shared(), QQmlEngine::CppOwnership);
    return &LibraryModel::shared();
}

LibraryModel::LibraryModel(QObject* parent)
    : QObject(parent), state_(platform::stateFolder()), home_(platform::homeDirectory()) {
    load();
    // The timer is the model's child: it ends with the model and never reaches a model that has gone.
    timer_ = new QTimer(this);
    timer_->setInterval(std::chrono::seconds(kRefreshSeconds));
    connect(timer_, &QTimer::timeout, this, &LibraryModel::refresh);
    timer_->start();
}

LibraryModel::~LibraryModel() {
    if (control_) control_->cancel();
}

std::string LibraryModel::statePath(const std::string& name) const { return state_ + "/" + name; }

// Creation: each step may fail; the first failure skips the rest and is shown as the error.
void LibraryModel::load() {
    try {
        fs::create_directories(state_);

        if (std::optional<std::string> text = readIfPossible(statePath("settings.json"))) {
            setSettings(Settings::fromJSON(*text));
            settings_.validate();
        } else if (exists(kStudioLibrary)) {
            Settings studio;
            studio.sourceURL.reset();
            studio.library = kStudioLibrary;
            studio.requiredVolumes = kStudioVolumes;
            setSettings(studio);
            LauncherCore::atomicJSON(studio.encode(), statePath("settings.json"));
        }

        if (std::optional<std::string> text = readIfPossible(statePath("linked.json"))) setLinked(decodeLinks(*text));

        setGames(LauncherCore::loadCatalog(LauncherResource::root().toStdString() + "/catalog.json").games);
        try {
            merge(LauncherCore::loadCatalog(statePath("catalog.json")));
        } catch (const std::exception&) {
            // A missing or damaged cache is the same as none.
        }

        // The links as the cached catalog left them (a release of the standalone game ends its link).
        std::map<std::string, std::string> links = linked_;
        const Game* marsh = game(kQuietMarsh);
        const std::string velmora = home_ + "/Applications/Velmora.app";
        if (!links.count(kQuietMarsh) && (!marsh || !marsh->release) && exists(velmora)) links[kQuietMarsh] = velmora;
        // Links whose application has gone (or that do not name an absolute path) are dropped.
        std::erase_if(links, [](const auto& link) {
            return link.second.empty() || link.second.front() != '/' || !exists(link.second);
        });
        setLinked(std::move(links));

        reloadInstalled();
    } catch (const std::exception& e) {
        setError(userMessage(e));
    }
}

void LibraryModel::merge(const Catalog& catalog) {
    std::map<std::string, const Game*> incoming;
    for (const Game& game : catalog.games) incoming.emplace(game.id, &game);
    std::vector<Game> merged;
    std::set<std::string> known;
    for (const Game& old : games_) {
        known.insert(old.id);
        auto found = incoming.find(old.id);
        if (found != incoming.end()) {
            merged.push_back(*found->second);
        } else {
            merged.push_back(old);
            merged.back().release.reset();
        }
    }
    for (const Game& game : catalog.games)
        if (!known.count(game.id)) merged.push_back(game);
    setGames(std::move(merged));

    auto marsh = incoming.find(kQuietMarsh);
    if (marsh != incoming.end() && marsh->second->release && linked_.count(kQuietMarsh)) {
        auto links = linked_;
        links.erase(kQuietMarsh);
        setLinked(std::move(links));
    }
}

void LibraryModel::reloadInstalled() {
    setInstalled(readInstalled(idsOf(games_), root()));
    inspectDisk();
}

void LibraryModel::refresh() {
    if (checking_ || !busy_.isEmpty()) return;
    setChecking(true);
    runRefresh(settings_);
}

QCoro::Task<void> LibraryModel::runRefresh(Settings settings) {
    QPointer<LibraryModel> self(this);
    const std::string temporary = LauncherCore::joinPath(settings.library, ".catalog-" + platform::uuidText() + ".json");
    const std::string cache = statePath("catalog.json");
    std::vector<std::string> known = idsOf(games_);
    std::optional<Fetched> fetched;
    QString failure;
    try {
        auto work = [settings, temporary, cache, known] { return fetchCatalog(settings, temporary, cache, known); };
        QCoro::Task<Fetched> task = inBackground(std::move(work));
        fetched = co_await task;
    } catch (...) {
        failure = userMessage(std::current_exception());
    }
    if (!self) co_return;
    if (fetched) {
        merge(fetched->catalog);
        setInstalled(std::move(fetched->installed));
        inspectDisk();
        setOnline(true);
        setLastCheck(QDateTime::currentDateTime());
        setConnectionDetail(QString());
        const int updates = updateCount();
        setNotice(updates == 0 ? QStringLiteral("Каталог обновлён")
                               : QStringLiteral("Доступно обновлений: ") + QString::number(updates));
    } else {
        setOnline(false);
        setNotice(kOffline);
        setConnectionDetail(failure);
    }
    setChecking(false);
    if (updateCheck_) {
        UpdateCheck check = updateCheck_;
        QCoro::Task<void> task = check(settings);
        co_await task;
    }
}

void LibraryModel::install(const Game& game) {
    if (!busy_.isEmpty() || checking_ || linked_.count(game.id) || !game.release) return;
    auto control = std::make_shared<OperationControl>();
    control_ = control;
    setBusy(QString::fromStdString(game.id));
    setPhase(kPreparing);
    setProgress(0);
    runInstall(game, settings_, control);
}

void LibraryModel::install(const QString& id) {
    if (const Game* found = game(id.toStdString())) install(*found);
}

// One progress reporter per install phase: at most one update every 0.2 seconds reaches the main
// thread, and the final 1.0 always does. Called only on the thread that runs the phase.
Progress LibraryModel::progressReporter(QPointer<LibraryModel> model) {
    // None before the first report, which is always taken. (The clock's minimum would not do:
    // the time since it does not fit in a duration, and the difference would come out negative.)
    auto last = std::make_shared<std::optional<std::chrono::steady_clock::time_point>>();
    return [model = std::move(model), last](double fraction) {
        const auto now = std::chrono::steady_clock::now();
        if (*last && !(now - **last > kProgressInterval || fraction == 1.0)) return;
        *last = now;
        postToMain(model, [fraction](LibraryModel* m) { m->setProgress(fraction); });
    };
}

// The install's blocking part: storage check, download into a temporary package file in the
// library, then the core's install. The package file is always removed.
Installed LibraryModel::installPackage(QPointer<LibraryModel> model, const Game& game, const Settings& settings,
                                       OperationControl& control) {
    const Release& release = *game.release;
    LauncherCore::checkStorage(settings, release.bytes + release.expandedBytes);
    const std::string package = LauncherCore::joinPath(settings.library, ".download-" + platform::uuidText() + ".tar.gz");
    postToMain(model, [](LibraryModel* m) { m->setPhase(kDownloading); });
    try {
        LauncherCore::download(settings, release.archive, package, release.bytes, control, progressReporter(model));
    } catch (...) {
        removeQuietly(package);
        throw;
    }
    postToMain(model, [](LibraryModel* m) {
        m->setPhase(kInstalling);
        m->setProgress(0);
    });
    try {
        Installed record = LauncherCore::install(package, game, settings, control, progressReporter(model));
        removeQuietly(package);
        return record;
    } catch (...) {
        removeQuietly(package);
        throw;
    }
}

QCoro::Task<void> LibraryModel::runInstall(Game game, Settings settings, OperationControlPtr control) {
    QPointer<LibraryModel> self(this);
    std::optional<Installed> record;
    std::exception_ptr failure;
    try {
        auto work = [self, game, settings, control] { return installPackage(self, game, settings, *control); };
        QCoro::Task<Installed> task = inBackground(std::move(work));
        record = co_await task;
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) co_return;
    if (record) {
        auto installed = installed_;
        installed[game.id] = *record;
        setInstalled(std::move(installed));
        setNotice(QString::fromStdString(game.title) + QStringLiteral(" — готово к запуску"));
        inspectDisk();
    } else {
        try {
            std::rethrow_exception(failure);
        } catch (const CancellationError&) {
            setNotice(kCancelled);
        } catch (...) {
            setError(userMessage(std::current_exception()));
        }
    }
    setBusy(QString());
    control_.reset();
    setProgress(0);
}

void LibraryModel::cancel() {
    if (control_) control_->cancel();
}

void LibraryModel::play(const Game& game) {
    std::string app;
    if (auto link = linked_.find(game.id); link != linked_.end())
        app = link->second;
    else if (auto record = installed_.find(game.id); record != installed_.end())
        app = LauncherCore::appURL(game.id, record->second, root());
    else
        return;
    runPlay(game.id, app);
}

void LibraryModel::play(const QString& id) {
    if (const Game* found = game(id.toStdString())) play(*found);
}

QCoro::Task<void> LibraryModel::runPlay(std::string id, std::string app) {
    QPointer<LibraryModel> self(this);
    // The id names the game's log file.
    if (!validID(id)) {
        setError(QStringLiteral("Неверная игра"));
        co_return;
    }
    const std::string log = statePath("logs/" + id + ".log");
    QString failure;
    try {
        QCoro::Task<bool> looking = inBackground([app] { return exists(app); });
        const bool present = co_await looking;
        if (!self) co_return;
        if (!present) {
            setError(kGameMissing);
            co_return;
        }
        QCoro::Task<RunningApplicationPtr> opening = Workspace::open(app, log);
        RunningApplicationPtr running = co_await opening;
        LauncherLifecycle::shared().track(std::move(running), QString::fromStdString(id));
    } catch (...) {
        failure = userMessage(std::current_exception());
    }
    if (self && !failure.isEmpty()) setError(failure);
}

bool LibraryModel::mayLookAfter(const std::string& id) const {
    return busy_.isEmpty() && !checking_ && installed_.count(id) && !linked_.count(id);
}

void LibraryModel::lookAfter(const std::string& id, const QString& phase, std::function<Outcome(const Settings&)> work) {
    // The phase first, so that whoever sees the game busy sees what it is busy with.
    setPhase(phase);
    setProgress(0);
    setBusy(QString::fromStdString(id));
    runLookAfter(settings_, std::move(work));
}

QCoro::Task<void> LibraryModel::runLookAfter(Settings settings, std::function<Outcome(const Settings&)> operation) {
    QPointer<LibraryModel> self(this);
    std::optional<Outcome> outcome;
    QString failure;
    try {
        auto work = [settings, operation] {
            // A library that the settings do not name properly is never touched.
            settings.validate();
            return operation(settings);
        };
        QCoro::Task<Outcome> task = inBackground(std::move(work));
        outcome = co_await task;
    } catch (...) {
        failure = userMessage(std::current_exception());
    }
    if (!self) co_return;
    if (outcome) {
        (*outcome)(*this);
        inspectDisk();
    } else {
        setError(failure);
        // Whatever part of the work was done shows.
        reloadInstalled();
    }
    setBusy(QString());
}

void LibraryModel::remove(const QString& id) {
    const std::string game = id.toStdString();
    if (!busy_.isEmpty() || checking_) return;
    if (linked_.count(game)) {
        lookAfter(game, kRemoving, [file = statePath("linked.json"), game](const Settings&) -> Outcome {
            forgetLink(file, game);
            return [game](LibraryModel& model) {
                auto links = model.linked_;
                links.erase(game);
                model.setLinked(std::move(links));
                model.setNotice(QStringLiteral("Игра больше не связана с приложением"));
            };
        });
    } else if (installed_.count(game)) {
        lookAfter(game, kRemoving, [game](const Settings& settings) -> Outcome {
            LauncherCore::removeGame(game, settings.library);
            return [game](LibraryModel& model) {
                auto installed = model.installed_;
                installed.erase(game);
                model.setInstalled(std::move(installed));
                model.setNotice(QStringLiteral("Игра удалена"));
            };
        });
    }
}

void LibraryModel::verify(const QString& id) {
    const std::string game = id.toStdString();
    if (!mayLookAfter(game)) return;
    lookAfter(game, kVerifying, [game](const Settings& settings) -> Outcome {
        LauncherCore::verifyInstalled(game, settings.library);
        return [](LibraryModel& model) { model.setNotice(QStringLiteral("Файлы в порядке")); };
    });
}

void LibraryModel::repair(const QString& id) {
    const std::string game = id.toStdString();
    if (!mayLookAfter(game)) return;
    const Game* known = this->game(game);
    if (!known || !known->release || known->release->sha256 != installed_.at(game).release.sha256) {
        setError(kRepairNeedsRelease);
        return;
    }
    install(*known);
}

void LibraryModel::rollBack(const QString& id) {
    const std::string game = id.toStdString();
    if (!mayLookAfter(game)) return;
    lookAfter(game, kRollingBack, [game](const Settings& settings) -> Outcome {
        Installed record = LauncherCore::rollBack(game, settings.library);
        return [game, record](LibraryModel& model) {
            auto installed = model.installed_;
            installed[game] = record;
            model.setInstalled(std::move(installed));
            model.setNotice(QStringLiteral("Возвращена версия ") + QString::fromStdString(record.release.version));
        };
    });
}

void LibraryModel::reclaim(const QString& id) {
    const std::string game = id.toStdString();
    if (!mayLookAfter(game)) return;
    lookAfter(game, kReclaiming, [game](const Settings& settings) -> Outcome {
        const int64_t freed = LauncherCore::reclaimSpace(game, settings.library);
        return [freed](LibraryModel& model) {
            model.setNotice(freed > 0 ? QStringLiteral("Освобождено ") + fileSizeText(freed)
                                      : QStringLiteral("Освобождать нечего: хранятся только текущая и предыдущая версии"));
        };
    });
}

void LibraryModel::inspectDisk() {
    std::vector<std::string> ids;
    for (const auto& [id, record] : installed_) ids.push_back(id);
    runInspectDisk(++inspection_, std::move(ids), settings_);
}

QCoro::Task<void> LibraryModel::runInspectDisk(unsigned generation, std::vector<std::string> ids, Settings settings) {
    QPointer<LibraryModel> self(this);
    std::optional<DiskFacts> facts;
    try {
        auto work = [ids, settings] {
            settings.validate();
            return inspectLibrary(ids, settings.library);
        };
        QCoro::Task<DiskFacts> task = inBackground(std::move(work));
        facts = co_await task;
    } catch (...) {
        // Settings that name no proper library: nothing to measure.
    }
    if (!self || generation != inspection_) co_return;
    setSizes(facts ? std::move(facts->sizes) : std::map<std::string, int64_t>{});
    setPreviousVersions(facts ? std::move(facts->previous) : std::map<std::string, Installed>{});
}

void LibraryModel::saveSettings(const Settings& settings) {
    if (!busy_.isEmpty() || checking_) return;
    try {
        settings.validate();
        LauncherCore::atomicJSON(settings.encode(), statePath("settings.json"));
    } catch (const std::exception& e) {
        setError(userMessage(e));
        return;
    }
    setSettings(settings);
    reloadInstalled();
    refresh();
}

void LibraryModel::saveSettings(const QVariantMap& map) {
    Settings settings;
    try {
        settings = Settings::fromJSON(QJsonDocument::fromVariant(map).toJson(QJsonDocument::Compact).toStdString());
    } catch (const std::exception& e) {
        if (busy_.isEmpty() && !checking_) setError(userMessage(e));
        return;
    }
    saveSettings(settings);
}

bool LibraryModel::hasUpdate(const Game& game) const {
    if (linked_.count(game.id) || !game.release) return false;
    auto record = installed_.find(game.id);
    return record != installed_.end() && record->second.release.sha256 != game.release->sha256;
}

bool LibraryModel::hasUpdate(const QString& id) const {
    const Game* found = game(id.toStdString());
    return found && hasUpdate(*found);
}

QString LibraryModel::status(const Game& game) const {
    if (busy_ == QString::fromStdString(game.id)) return phase_;
    if (linked_.count(game.id)) return QStringLiteral("Готова к запуску");
    if (hasUpdate(game)) return QStringLiteral("Доступно обновление");
    if (installed_.count(game.id)) return QStringLiteral("Установлена");
    if (!game.release) return QStringLiteral("Сборка ещё не опубликована");
    return QStringLiteral("Можно установить");
}

QString LibraryModel::status(const QString& id) const {
    const Game* found = game(id.toStdString());
    return found ? status(*found) : QString();
}

const Game* LibraryModel::game(const std::string& id) const {
    auto found = std::find_if(games_.begin(), games_.end(), [&](const Game& g) { return g.id == id; });
    return found == games_.end() ? nullptr : &*found;
}

std::vector<Game> LibraryModel::libraryGames() const {
    std::vector<Game> shown;
    for (const Game& game : games_)
        if (game.release || installed_.count(game.id) || linked_.count(game.id)) shown.push_back(game);
    return shown;
}

int LibraryModel::updateCount() const {
    int count = 0;
    for (const Game& game : libraryGames()) count += hasUpdate(game) ? 1 : 0;
    return count;
}

int LibraryModel::installedCount() const {
    int count = 0;
    for (const Game& game : libraryGames()) count += linked_.count(game.id) || installed_.count(game.id) ? 1 : 0;
    return count;
}

void LibraryModel::setUpdateCheck(UpdateCheck check) { updateCheck_ = std::move(check); }

QVariantMap LibraryModel::settingsMap() const { return toVariant(settings_.encode()).toMap(); }

QVariantMap LibraryModel::linkedMap() const {
    QVariantMap map;
    for (const auto& [id, path] : linked_) map.insert(QString::fromStdString(id), QString::fromStdString(path));
    return map;
}

QVariantMap LibraryModel::installedMap() const {
    QVariantMap map;
    for (const auto& [id, record] : installed_) map.insert(QString::fromStdString(id), toVariant(record.encode()));
    return map;
}

QVariantMap LibraryModel::sizesMap() const {
    QVariantMap map;
    for (const auto& [id, bytes] : sizes_) map.insert(QString::fromStdString(id), static_cast<qint64>(bytes));
    return map;
}

QVariantMap LibraryModel::previousVersionsMap() const {
    QVariantMap map;
    for (const auto& [id, record] : previousVersions_) map.insert(QString::fromStdString(id), toVariant(record.encode()));
    return map;
}

QVariantList LibraryModel::libraryGameList() const {
    QVariantList list;
    for (const Game& game : libraryGames()) list.append(toVariant(game.encode()));
    return list;
}

// Stores a published field's new value and tells the observers, unless nothing changed.
void LibraryModel::setGames(std::vector<Game> games) {
    if (games == games_) return;
    games_ = std::move(games);
    gameList_.clear();
    for (const Game& game : games_) gameList_.append(toVariant(game.encode()));
    emit gamesChanged();
    emit libraryChanged();
}

void LibraryModel::setLinked(std::map<std::string, std::string> linked) {
    if (assignPublished(this, linked_, std::move(linked), &LibraryModel::linkedChanged))
        emit libraryChanged();
}

void LibraryModel::setInstalled(std::map<std::string, Installed> installed) {
    if (assignPublished(this, installed_, std::move(installed), &LibraryModel::installedChanged))
        emit libraryChanged();
}

void LibraryModel::setSelected(const QString& id) {
    assignPublished(this, selected_, id, &LibraryModel::selectedChanged);
}
void LibraryModel::setSettings(Settings settings) {
    assignPublished(this, settings_, std::move(settings), &LibraryModel::settingsChanged);
}
void LibraryModel::setBusy(const QString& marker) {
    assignPublished(this, busy_, marker, &LibraryModel::busyChanged);
}
void LibraryModel::setChecking(bool checking) {
    assignPublished(this, checking_, checking, &LibraryModel::checkingChanged);
}
void LibraryModel::setProgress(double progress) {
    assignPublished(this, progress_, progress, &LibraryModel::progressChanged);
}
void LibraryModel::setPhase(const QString& phase) {
    assignPublished(this, phase_, phase, &LibraryModel::phaseChanged);
}
void LibraryModel::setNotice(const QString& notice) {
    assignPublished(this, notice_, notice, &LibraryModel::noticeChanged);
}
void LibraryModel::setLastCheck(const QDateTime& time) {
    assignPublished(this, lastCheck_, time, &LibraryModel::lastCheckChanged);
}
void LibraryModel::setOnline(bool online) {
    assignPublished(this, online_, online, &LibraryModel::onlineChanged);
}
void LibraryModel::setError(const QString& message) {
    assignPublished(this, error_, message, &LibraryModel::errorChanged);
}
void LibraryModel::setSizes(std::map<std::string, int64_t> sizes) {
    assignPublished(this, sizes_, std::move(sizes), &LibraryModel::sizesChanged);
}
void LibraryModel::setPreviousVersions(std::map<std::string, Installed> previous) {
    assignPublished(this, previousVersions_, std::move(previous), &LibraryModel::previousVersionsChanged);
}
void LibraryModel::setConnectionDetail(const QString& detail) {
    assignPublished(this, connectionDetail_, detail, &LibraryModel::connectionDetailChanged);
}

} // namespace novra
