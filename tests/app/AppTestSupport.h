#pragma once
// The launcher's surroundings for one test: a throw-away home, state folder and library, the built
// bundle's resources, and a build source served over HTTPS on 127.0.0.1 into which releases are
// published with the studio's tool, sealed with studioKeys(), which the process trusts meanwhile.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QCoroTask>
#include <QString>

#include "core/Catalog.h"
#include "core/Settings.h"
#include "launcher/library/SocialLink.h"
#include "selfupdate/LauncherUpdate.h"
#include "support/Bundles.h"
#include "support/HttpsServer.h"
#include "support/TestSupport.h"

namespace novra {
class LibraryModel;
}

namespace novra::test {

class LauncherEnvironment {
public:
    LauncherEnvironment();
    ~LauncherEnvironment();

    std::string home() const { return dir_ / "home"; }
    // The launcher's state folder ($XDG_DATA_HOME/NOVRA Launcher).
    std::string state() const { return dir_ / "data/NOVRA Launcher"; }
    std::string library() const { return dir_ / "library"; }
    std::string source() const { return dir_ / "source"; }

    // Settings that use the local source and the library above.
    Settings settings() const;
    // Writes the settings document as the launcher keeps it.
    void writeSettings(const Settings& settings);
    void writeSettings() { writeSettings(settings()); }

    // Publishes a release of a fresh bundle for the game (its Contents/Resources/version.txt holds the
    // version, so every release has its own digest) and serves the source. Versions name the package
    // file, so they must be unique within the source. Returns the source's entry of the game.
    Game publish(const std::string& id, const std::string& version,
                 std::vector<std::pair<std::string, std::string>> files = {});
    // Publishes the launcher bundle as the source's launcher update with the studio's tool, and
    // serves the manifest and the package.
    void publishLauncher(const std::string& bundle, int64_t build, const std::string& version);
    // Serves this manifest as the source's launcher update (no package).
    void writeLauncherManifest(const LauncherUpdate& update);
    // Replaces the source's catalog (withdrawing games, for example).
    void writeSourceCatalog(const Catalog& catalog);
    Catalog sourceCatalog() const;

    HttpsServer& server() { return *server_; }
    // Stops the source: transfers from it fail from then on.
    void stopServer();

    // Temporary files of the launcher in the library folder (".catalog-", ".download-",
    // ".launcher-check-" and the launcher's package ".launcher-update-….tar.gz").
    std::vector<std::string> temporaryFiles() const;

private:
    void serve(const std::string& relative);

    TempDir dir_;
    std::vector<ScopedEnv> environment_;
    std::unique_ptr<TrustKey> trust_;
    std::unique_ptr<HttpsServer> server_;
};

// A social model that records what the lifecycle and the application delegate ask of it.
class FakeSocial : public SocialLink {
public:
    std::optional<QString> game;
    std::vector<std::optional<QString>> reported;
    std::vector<QString> selected;
    bool signedInValue = false;
    int offlineCalls = 0;
    // While false, offline() waits.
    bool offlineDone = true;

    std::optional<QString> currentGame() const override { return game; }
    void setGame(std::optional<QString> value) override {
        game = value;
        reported.push_back(value);
    }
    void select(const QString& friendId) override { selected.push_back(friendId); }
    bool signedIn() const override { return signedInValue; }
    QCoro::Task<void> offline() override;
};

// Runs `start` and waits until the refresh it starts has ended (a refresh that fails at once may
// end before `start` returns). Test failures are added when it does not end.
void refreshBy(LibraryModel& model, const std::function<void()>& start);
void refresh(LibraryModel& model);
// Installs the game through the model and waits until the install has ended without an error.
void install(LibraryModel& model, const std::string& id);

// The ids of the games, in order.
std::vector<std::string> idsOf(const std::vector<Game>& games);
// The built-in catalog the bundle carries.
Catalog builtInCatalog();

} // namespace novra::test
