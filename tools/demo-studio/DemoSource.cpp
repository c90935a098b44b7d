#include "tools/demo-studio/DemoSource.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <stdexcept>
#include <vector>

#include "core/LauncherCore.h"
#include "packaging/WorkFolder.h"
#include "platform/BundleSeal.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"
#include "selfupdate/LauncherUpdate.h"
#include "selfupdate/SelfUpdateCore.h"

namespace fs = std::filesystem;

namespace novra::demo {
namespace {

// What the demo publishes of a game of the built-in catalog; games not listed stay unpublished.
// Every version is unique in the source, since it names the package file.
struct DemoRelease {
    const char* id;
    const char* version;
    const char* notes;
    const char* colors[2]; // the game's light and dark colour, for its window
    int fillerMegabytes;   // incompressible data in the bundle, so that the package has this size
};

constexpr DemoRelease kReleases[] = {
    {"ember-run", "1.4.2",
     "Новый квартал крыш у литейного цеха. Фонарь гаснет медленнее, а рассвет наступает по-настоящему.",
     {"#ff7a2f", "#4a1208"}, 6},
    {"paper-kings", "2.0.1", "Исправлена ничья на шестом ходу. Шпионы больше не видят руку соперника после сброса.",
     {"#e8c15a", "#3b2a12"}, 3},
    {"orbit-post", "0.9.4", "Ранний доступ: двенадцать новых станций на кольцах газового гиганта и подсказка траектории.",
     {"#58c7ff", "#0b1d4a"}, 4},
    {"salt-and-iron", "1.12.0",
     "Большое обновление: северное побережье, верфи второго уровня и полностью озвученные советники.",
     {"#9fc3d9", "#1d2b36"}, 150},
    {"night-ferry", "1.0.3", "Пассажиры вспоминают разговоры из прошлых глав. Исправлено сохранение на верхней палубе.",
     {"#8f7df5", "#120f2e"}, 24},
    {"glass-garden", "1.2.0", "Тридцать новых ростков и режим без подсказок.", {"#7ef0b8", "#0e3b2c"}, 2},
    {"tin-orchestra", "0.7.0-beta", "Бета: медная секция, новые партитуры и калибровка задержки звука.",
     {"#f0a35e", "#3a1d0c"}, 38},
    {"lantern-keep", "3.1.5", "Шторм стал злее, масло — дороже. В башне появился седьмой этаж.",
     {"#ffd86b", "#1a2238"}, 8},
    {"copper-hills", "2.4.0", "Трасса «Старый карьер», ручной тормоз и повторы заездов.", {"#e0925a", "#2c1a10"}, 12},
    {"frost-signal", "party-final",
     "Финальная версия с демопати: звук пересведён, к радиопереговорам добавлены субтитры.", {"#b8e6ff", "#0a1e2e"}, 1},
    {"polar-bloom", "1.1-64k", "Версия 64k: новые узоры сияния и более быстрый старт.", {"#c39bff", "#0d0d2b"}, 1},
    {"static-tide", "2.0-remaster", "Ремастер: широкий экран и чистый бас.", {"#5fe0e0", "#101820"}, 5},
};

const DemoRelease* demoRelease(const std::string& id) {
    for (const DemoRelease& r : kReleases)
        if (id == r.id) return &r;
    return nullptr;
}

// "ember-run" -> "EmberRun": the bundle's folder and executable name.
std::string programName(const std::string& id) {
    std::string name;
    bool upper = true;
    for (char c : id) {
        if (c == '-') {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return name;
}

std::string megabytes(int64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', ',');
    return result + " МБ";
}

// Bytes that gzip cannot shrink, the same for the same seed.
void writeFiller(const std::string& path, int64_t size, uint64_t seed) {
    std::ofstream out(path, std::ios::binary);
    std::vector<uint64_t> block(1 << 17);
    for (int64_t written = 0; written < size;) {
        for (uint64_t& word : block) {
            // splitmix64
            uint64_t z = (seed += 0x9e3779b97f4a7c15ULL);
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
        auto count = std::min<int64_t>(size - written, static_cast<int64_t>(block.size() * sizeof(uint64_t)));
        out.write(reinterpret_cast<const char*>(block.data()), count);
        written += count;
    }
    if (!out.flush()) throw std::runtime_error("Не удалось записать " + path);
}

void writeText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    platform::writeFileAtomically(path, text);
}

void runPublish(const std::string& tool, const std::vector<std::string>& arguments) {
    platform::Process publish(tool, arguments);
    publish.standardError = platform::Redirect::capture();
    publish.launch();
    int status = publish.wait();
    if (status != 0) {
        std::string message = publish.captured(2);
        while (!message.empty() && message.back() == '\n') message.pop_back();
        if (message.empty()) message = "код выхода " + std::to_string(status);
        throw std::runtime_error("novra-publish " + arguments.at(0) + ": " + message);
    }
}

class SourceMaker {
public:
    explicit SourceMaker(const DemoSourceOptions& options) : o_(options) {}

    void make() {
        checkVersionsAreUnique();
        Catalog builtIn = LauncherCore::loadCatalog(o_.catalog);
        publicKey_ = platform::sealPublicKey(o_.privateKey);
        programDigest_ = LauncherCore::hash(o_.gameProgram);
        fs::create_directories(o_.root + "/packages");
        fs::create_directories(stamps());
        work_.emplace(o_.root, ".work-");

        // The catalog before anything is published: every built-in game in its place, with the release
        // it has in the source while its package is in place (so that a failed publication leaves a
        // source that works), which the demo publishes again unless it is still current.
        Catalog existing = existingCatalog();
        Catalog next;
        std::vector<std::pair<const Game*, const DemoRelease*>> toPublish;
        for (const Game& game : builtIn.games) {
            Game entry = game;
            entry.release.reset();
            if (const DemoRelease* plan = demoRelease(game.id)) {
                entry.release = publishedRelease(existing, game.id);
                if (!entry.release || !isCurrent(*entry.release, game, *plan)) {
                    toPublish.emplace_back(&game, plan);
                    std::error_code ignored;
                    fs::remove(stamps() + "/" + game.id, ignored);
                }
            }
            next.games.push_back(entry);
        }
        next.validate();
        LauncherCore::atomicJSON(next.encode(), o_.root + "/catalog.json");

        for (const auto& [game, plan] : toPublish) publish(*game, *plan);
        publishLauncherUpdate();
        removeUnusedPackages();
        LauncherCore::loadCatalog(o_.root + "/catalog.json");
        size_t unpublished = std::count_if(builtIn.games.begin(), builtIn.games.end(),
                                           [](const Game& game) { return !demoRelease(game.id); });
        std::cout << "Источник сборок готов: опубликовано " << toPublish.size() << ", без изменений "
                  << builtIn.games.size() - unpublished - toPublish.size() << ", без сборки " << unpublished << "."
                  << std::endl;
    }

private:
    std::string stamps() const { return o_.root + "/.stamps"; }

    void checkVersionsAreUnique() const {
        std::set<std::string> versions;
        for (const DemoRelease& r : kReleases)
            if (!versions.insert(r.version).second)
                throw std::logic_error(std::string("Повторная версия в демо-каталоге: ") + r.version);
    }

    Catalog existingCatalog() const {
        try {
            return LauncherCore::loadCatalog(o_.root + "/catalog.json");
        } catch (const std::exception&) {
            return {}; // none yet, or not one the launcher accepts: everything is made again
        }
    }

    // Everything a game's package is made from, as text; the stamp of a publication.
    std::string recipe(const Game& game, const DemoRelease& plan) const {
        auto cover = coverFile(game.id);
        Json recipe{{"game", game.encode()},
                    {"version", plan.version},
                    {"notes", plan.notes},
                    {"colors", Json::array({plan.colors[0], plan.colors[1]})},
                    {"filler", fillerBytes(plan)},
                    {"program", programDigest_},
                    {"cover", cover ? LauncherCore::hash(*cover) : ""},
                    {"key", publicKey_}};
        return encodeJson(recipe);
    }

    int64_t fillerBytes(const DemoRelease& plan) const {
        return static_cast<int64_t>(plan.fillerMegabytes) * (o_.small ? 1000 : 1'000'000);
    }

    std::optional<std::string> coverFile(const std::string& id) const {
        if (!o_.covers) return std::nullopt;
        std::string file = *o_.covers + "/" + id + ".png";
        return fs::is_regular_file(file) ? std::optional(file) : std::nullopt;
    }

    // The game's release in the source, when its package is in place.
    std::optional<Release> publishedRelease(const Catalog& existing, const std::string& id) const {
        auto found = std::find_if(existing.games.begin(), existing.games.end(), [&](const Game& g) { return g.id == id; });
        if (found == existing.games.end() || !found->release ||
            platform::fileSize(o_.root + "/" + found->release->archive) != std::optional(found->release->bytes))
            return std::nullopt;
        return found->release;
    }

    // True when the release was made from exactly what the demo would use now.
    bool isCurrent(const Release& release, const Game& game, const DemoRelease& plan) const {
        try {
            return release.version == plan.version && platform::readFile(stamps() + "/" + game.id) == recipe(game, plan);
        } catch (const std::system_error&) {
            return false; // no stamp
        }
    }

    // The game's bundle, with the demo game program as its executable, published and sealed.
    void publish(const Game& game, const DemoRelease& plan) {
        const std::string name = programName(game.id);
        const std::string bundle = *work_ / (name + ".app");
        const std::string contents = bundle + "/Contents";
        fs::create_directories(contents + "/MacOS");
        fs::create_directories(contents + "/Resources");
        writeText(contents + "/Info.plist",
                  platform::encodePropertyList({{"CFBundleDevelopmentRegion", "ru"},
                                                {"CFBundleExecutable", name},
                                                {"CFBundleIdentifier", "com.novra." + game.id},
                                                {"CFBundleName", game.title},
                                                {"CFBundlePackageType", "APPL"},
                                                {"CFBundleShortVersionString", plan.version},
                                                {"CFBundleVersion", "1"}},
                                               platform::PropertyListFormat::xml));
        fs::copy_file(o_.gameProgram, contents + "/MacOS/" + name);
        fs::permissions(contents + "/MacOS/" + name, fs::perms(0755));
        // What the demo game shows: its title, texts and colours, and the cover where one exists.
        writeText(contents + "/Resources/game.json",
                  encodeJson(Json{{"id", game.id},
                                  {"title", game.title},
                                  {"summary", game.summary},
                                  {"version", plan.version},
                                  {"category", game.category.value_or("game")},
                                  {"colors", Json::array({plan.colors[0], plan.colors[1]})}}));
        if (auto cover = coverFile(game.id)) fs::copy_file(*cover, contents + "/Resources/cover.png");
        if (int64_t filler = fillerBytes(plan); filler > 0)
            writeFiller(contents + "/Resources/assets.pak", filler, std::hash<std::string>{}(game.id));

        std::vector<std::string> arguments{"release", o_.root, bundle, "--id", game.id, "--version", plan.version,
                                           "--key", o_.privateKey, "--title", game.title, "--summary", game.summary,
                                           "--symbol", game.symbol, "--notes", plan.notes};
        if (game.category) arguments.insert(arguments.end(), {"--category", *game.category});
        runPublish(o_.publishTool, arguments);
        fs::remove_all(bundle);
        writeText(stamps() + "/" + game.id, recipe(game, plan));
        auto size = platform::fileSize(o_.root + "/packages/" + plan.version + ".tar.gz");
        std::cout << "Опубликована «" << game.title << "» " << plan.version << " (" << megabytes(size.value_or(0))
                  << ")" << std::endl;
    }

    // "launcher-update.json" offering a copy of the launcher bundle whose Info.plist says build + 1.
    void publishLauncherUpdate() {
        if (!o_.launcher) return;
        const std::string& bundle = *o_.launcher;
        if (!platform::isExecutableFile(bundle + "/Contents/MacOS/" + std::string(SelfUpdateCore::kExecutableName))) {
            std::cerr << "launcher-update.json не обновлён: в " << bundle << " ещё нет программы "
                      << SelfUpdateCore::kExecutableName << std::endl;
            return;
        }
        platform::PropertyDictionary info = platform::readPropertyList(bundle + "/Contents/Info.plist");
        auto build = SelfUpdateCore::parseDecimal(info["CFBundleVersion"]);
        const std::string& shown = info["CFBundleShortVersionString"];
        if (!build || *build >= INT64_MAX || shown.empty())
            throw std::runtime_error("В Info.plist лаунчера нет номера сборки или версии: " + bundle);
        const int64_t next = *build + 1;
        const std::string version = shown + "-demo." + std::to_string(next);
        if (demoReleaseWithVersion(version)) throw std::logic_error("Версия обновления совпадает с версией игры");

        // The stamp: the bundle's files by size and time, and the key.
        Json files = Json::array();
        for (const auto& entry : fs::recursive_directory_iterator(bundle)) {
            if (!entry.is_regular_file()) continue;
            files.push_back({fs::relative(entry.path(), bundle).string(), entry.file_size(),
                             entry.last_write_time().time_since_epoch().count()});
        }
        std::sort(files.begin(), files.end());
        const std::string stamp = encodeJson(Json{{"version", version}, {"files", files}, {"key", publicKey_}});
        const std::string stampFile = stamps() + "/launcher";
        const std::string manifest = o_.root + "/launcher-update.json";
        try {
            LauncherUpdate current = LauncherUpdate::fromJSON(platform::readFile(manifest, 32768));
            if (platform::readFile(stampFile) == stamp && current.build == next &&
                platform::fileSize(o_.root + "/" + current.release.archive) == std::optional(current.release.bytes))
                return;
        } catch (const std::exception&) {
            // none yet or not readable: made below
        }
        std::error_code ignored;
        fs::remove(stampFile, ignored);

        const std::string copy = *work_ / std::string(SelfUpdateCore::kBundleName);
        fs::copy(bundle, copy, fs::copy_options::recursive);
        // Only string values are carried over; the launcher's Info.plist holds nothing else.
        info["CFBundleVersion"] = std::to_string(next);
        info["CFBundleShortVersionString"] = version;
        platform::writeFileAtomically(copy + "/Contents/Info.plist",
                                      platform::encodePropertyList(info, platform::PropertyListFormat::xml));
        runPublish(o_.publishTool, {"launcher-update", o_.root, copy, "--build", std::to_string(next), "--version",
                                    version, "--key", o_.privateKey});
        writeText(stampFile, stamp);
        std::cout << "Опубликовано обновление лаунчера " << version << " (сборка " << next << ")" << std::endl;
    }

    static bool demoReleaseWithVersion(const std::string& version) {
        return std::any_of(std::begin(kReleases), std::end(kReleases),
                           [&](const DemoRelease& r) { return version == r.version; });
    }

    // Package files that neither the catalog nor the launcher update names (left by an earlier
    // version of the demo).
    void removeUnusedPackages() const {
        std::set<std::string> used;
        for (const Game& game : LauncherCore::loadCatalog(o_.root + "/catalog.json").games)
            if (game.release) used.insert(game.release->archive);
        try {
            used.insert(LauncherUpdate::fromJSON(platform::readFile(o_.root + "/launcher-update.json", 32768))
                            .release.archive);
        } catch (const std::exception&) {
            // no launcher update published
        }
        for (const auto& entry : fs::directory_iterator(o_.root + "/packages")) {
            std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.ends_with(".tar.gz") && name[0] != '.' &&
                !used.count("packages/" + name))
                fs::remove(entry.path());
        }
    }

    const DemoSourceOptions& o_;
    std::optional<packaging::WorkFolder> work_; // bundles while they are published
    std::string publicKey_;
    std::string programDigest_;
};

} // namespace

void makeDemoSource(const DemoSourceOptions& options) { SourceMaker(options).make(); }

} // namespace novra::demo
