#include "core/Catalog.h"

#include <chrono>
#include <set>

#include "core/LauncherError.h"

namespace novra {
namespace {

bool isLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }
bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

} // namespace

bool validID(std::string_view id) {
    if (id.empty() || id.size() > 80) return false;
    for (size_t i = 0; i < id.size(); ++i) {
        char c = id[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c == '-' && i > 0);
        if (!ok) return false;
    }
    return true;
}

bool safeRelative(std::string_view path) {
    if (path.empty() || path.front() == '/') return false;
    for (unsigned char c : path)
        if (c == '\\' || c < 32) return false;
    size_t start = 0;
    for (;;) {
        size_t slash = path.find('/', start);
        std::string_view piece = path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (piece.empty() || piece == "." || piece == "..") return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

Date dateNow() {
    using namespace std::chrono;
    double unix = duration<double>(system_clock::now().time_since_epoch()).count();
    return unix - kUnixSecondsAt2001;
}

void Release::validate() const {
    bool hexOK = sha256.size() == 64;
    for (char c : sha256) hexOK = hexOK && isLowerHex(c);
    require(hexOK, "Неверный SHA-256 релиза");
    require(archive == "packages/" + version + ".tar.gz", "Неверный путь пакета");
    require(bytes >= 1 && bytes <= 499'999'999'999 && expandedBytes >= 1 && expandedBytes <= 999'999'999'999,
            "Неверный размер пакета");
    require(safeRelative(app) && endsWith(app, ".app") && !bundleID.empty() && !version.empty(),
            "Неверное описание приложения");
    require((architecture == "arm64" || architecture == "universal" || architecture == "x86_64") &&
                minimumSystem >= 13 && saves == "external",
            "Несовместимый пакет или сохранения внутри сборки");
}

Release Release::decode(const JsonObject& o) {
    Release r;
    r.version = o.string("version");
    r.sha256 = o.string("sha256");
    r.archive = o.string("archive");
    r.bytes = o.integer("bytes");
    r.expandedBytes = o.integer("expandedBytes");
    r.app = o.string("app");
    r.bundleID = o.string("bundleID");
    r.architecture = o.string("architecture");
    r.minimumSystem = o.integer("minimumSystem");
    r.notes = o.string("notes");
    r.saves = o.string("saves");
    return r;
}

Json Release::encode() const {
    return Json{{"version", version},   {"sha256", sha256},
                {"archive", archive},   {"bytes", bytes},
                {"expandedBytes", expandedBytes}, {"app", app},
                {"bundleID", bundleID}, {"architecture", architecture},
                {"minimumSystem", minimumSystem}, {"notes", notes},
                {"saves", saves}};
}

Game Game::decode(const JsonObject& o) {
    Game g;
    g.id = o.string("id");
    g.title = o.string("title");
    g.summary = o.string("summary");
    g.symbol = o.string("symbol");
    if (auto release = o.optionalObject("release")) g.release = Release::decode(*release);
    g.category = o.optionalString("category");
    return g;
}

Json Game::encode() const {
    Json j{{"id", id}, {"title", title}, {"summary", summary}, {"symbol", symbol}};
    if (release) j["release"] = release->encode();
    if (category) j["category"] = *category;
    return j;
}

void Catalog::validate() const {
    require(schema == 1 && games.size() <= 256, "Неподдерживаемый каталог");
    std::set<std::string> seen;
    for (const Game& game : games) {
        require(validID(game.id) && seen.insert(game.id).second && !game.title.empty(),
                "Повторяющаяся или неверная игра");
        require(!game.category || *game.category == "game" || *game.category == "demoscene",
                "Неизвестный раздел каталога");
        if (game.release) game.release->validate();
    }
}

Catalog Catalog::decode(const JsonObject& o) {
    Catalog c;
    c.schema = o.integer("schema");
    for (const auto& [element, path] : o.array("games")) c.games.push_back(Game::decode(JsonObject(*element, path)));
    return c;
}

Catalog Catalog::fromJSON(std::string_view text) {
    Json document = parseJson(text);
    return decode(JsonObject(document, ""));
}

Json Catalog::encode() const {
    Json list = Json::array();
    for (const Game& g : games) list.push_back(g.encode());
    return Json{{"schema", schema}, {"games", list}};
}

Installed Installed::decode(const JsonObject& o) {
    Installed i;
    i.release = Release::decode(o.object("release"));
    i.installedAt = o.number("installedAt");
    i.directory = o.string("directory");
    return i;
}

Installed Installed::fromJSON(std::string_view text) {
    Json document = parseJson(text);
    return decode(JsonObject(document, ""));
}

Json Installed::encode() const {
    return Json{{"release", release.encode()}, {"installedAt", installedAt}, {"directory", directory}};
}

} // namespace novra
