#include <gtest/gtest.h>

#include <string>

#include "core/LauncherCore.h"
#include "support/Bundles.h"
#include "support/TestSupport.h"

using namespace novra;

namespace {

Json releaseJson() { return test::sampleRelease().encode(); }

Json gameJson(const std::string& id) {
    return Json{{"id", id}, {"title", "Title " + id}, {"summary", "s"}, {"symbol", "star"}};
}

using novra::test::messageOf;

Release releaseWith(const std::function<void(Json&)>& change) {
    Json j = releaseJson();
    change(j);
    return Release::decode(JsonObject(j, "release"));
}

} // namespace

TEST(Identifiers, ValidIDFollowsThePattern) {
    struct Case {
        std::string id;
        bool valid;
    } cases[] = {
        {std::string(80, 'a'), true}, {std::string(81, 'a'), false}, {"0-", true}, {"a", true},
        {"", false},                  {"Abc", false},                {"a_b", false}, {"-ab", false},
        {"ab-", true},                {"a b", false},                {"é", false},   {"abc\n", false},
    };
    for (const auto& c : cases) EXPECT_EQ(validID(c.id), c.valid) << c.id;
}

TEST(Identifiers, SafeRelativeKeepsPathsBelowTheirFolder) {
    struct Case {
        std::string path;
        bool safe;
    } cases[] = {
        {"a/b", true},          {".hidden", true},  {"a..b", true},         {"Game.app", true},
        {"", false},            {"/abs", false},    {"a/./b", false},       {".", false},
        {"..", false},          {"a/../b", false},  {"a\\b", false},        {"a/", false},
        {"a//b", false},        {"a\tb", false},    {std::string("a\x1f", 2), false},
        {"a\x7f", true},        {"Игра.app", true}, {std::string("a\0b", 3), false},
    };
    for (const auto& c : cases) EXPECT_EQ(safeRelative(c.path), c.safe) << c.path;
}

TEST(ReleaseValidation, EachRuleHasItsMessage) {
    struct Case {
        const char* what;
        std::function<void(Json&)> change;
        std::string message;
    } cases[] = {
        {"valid", [](Json&) {}, ""},
        {"uppercase hex", [](Json& j) { j["sha256"] = std::string(64, 'A'); }, "Неверный SHA-256 релиза"},
        {"short hex", [](Json& j) { j["sha256"] = std::string(63, 'a'); }, "Неверный SHA-256 релиза"},
        {"long hex", [](Json& j) { j["sha256"] = std::string(65, 'a'); }, "Неверный SHA-256 релиза"},
        {"tgz", [](Json& j) { j["archive"] = "packages/1.0.tgz"; }, "Неверный путь пакета"},
        {"dot slash", [](Json& j) { j["archive"] = "./packages/1.0.tar.gz"; }, "Неверный путь пакета"},
        {"bytes 0", [](Json& j) { j["bytes"] = 0; }, "Неверный размер пакета"},
        {"bytes max", [](Json& j) { j["bytes"] = 499'999'999'999LL; }, ""},
        {"bytes over", [](Json& j) { j["bytes"] = 500'000'000'000LL; }, "Неверный размер пакета"},
        {"expanded 0", [](Json& j) { j["expandedBytes"] = 0; }, "Неверный размер пакета"},
        {"expanded max", [](Json& j) { j["expandedBytes"] = 999'999'999'999LL; }, ""},
        {"expanded over", [](Json& j) { j["expandedBytes"] = 1'000'000'000'000LL; }, "Неверный размер пакета"},
        {"nested app", [](Json& j) { j["app"] = "Build/Game.app"; }, ""},
        {"absolute app", [](Json& j) { j["app"] = "/Game.app"; }, "Неверное описание приложения"},
        {"climbing app", [](Json& j) { j["app"] = "../Game.app"; }, "Неверное описание приложения"},
        {"doubled slash", [](Json& j) { j["app"] = "Build//Game.app"; }, "Неверное описание приложения"},
        {"trailing slash", [](Json& j) { j["app"] = "Game.app/"; }, "Неверное описание приложения"},
        {"no .app", [](Json& j) { j["app"] = "Game"; }, "Неверное описание приложения"},
        {"empty bundle", [](Json& j) { j["bundleID"] = ""; }, "Неверное описание приложения"},
        {"universal", [](Json& j) { j["architecture"] = "universal"; }, ""},
        {"x86_64", [](Json& j) { j["architecture"] = "x86_64"; }, ""},
        {"ppc", [](Json& j) { j["architecture"] = "ppc"; }, "Несовместимый пакет или сохранения внутри сборки"},
        {"system 12", [](Json& j) { j["minimumSystem"] = 12; }, "Несовместимый пакет или сохранения внутри сборки"},
        {"saves inside", [](Json& j) { j["saves"] = "bundle"; }, "Несовместимый пакет или сохранения внутри сборки"},
        // Rules run in order: an empty version with its matching archive fails only at the app rule.
        {"empty version",
         [](Json& j) {
             j["version"] = "";
             j["archive"] = "packages/.tar.gz";
         },
         "Неверное описание приложения"},
        // The first failing rule wins.
        {"two faults",
         [](Json& j) {
             j["sha256"] = "x";
             j["bytes"] = 0;
         },
         "Неверный SHA-256 релиза"},
    };
    for (const auto& c : cases) {
        Release r = releaseWith(c.change);
        EXPECT_EQ(messageOf([&] { r.validate(); }), c.message) << c.what;
    }
}

TEST(CatalogValidation, GamesAndLimits) {
    auto catalogWith = [](int schema, std::vector<Json> games) {
        return Catalog::decode(JsonObject(Json{{"schema", schema}, {"games", games}}, ""));
    };
    auto game = [](const std::string& id, const char* key, const Json& value) {
        Json j = gameJson(id);
        j[key] = value;
        return j;
    };
    std::vector<Json> many;
    for (int i = 0; i < 257; ++i) many.push_back(gameJson("g" + std::to_string(i)));
    Json badRelease = releaseJson();
    badRelease["saves"] = "inside";
    const std::string unfit = "Повторяющаяся или неверная игра";
    struct Case {
        int schema;
        std::vector<Json> games;
        std::string message;
    } cases[] = {
        {1, {}, ""},
        {2, {}, "Неподдерживаемый каталог"},
        {1, many, "Неподдерживаемый каталог"},
        {1, {many.begin(), many.end() - 1}, ""},
        {1, {gameJson("a"), gameJson("a")}, unfit},
        {1, {gameJson("a"), game("b", "title", "")}, unfit},
        {1, {gameJson("Bad")}, unfit},
        {1, {game("c", "category", "Game")}, "Неизвестный раздел каталога"},
        {1, {gameJson("a"), game("e", "release", badRelease)}, "Несовместимый пакет или сохранения внутри сборки"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(messageOf([&] { catalogWith(c.schema, c.games).validate(); }), c.message) << c.games.size();

    Catalog demo = catalogWith(1, {game("d", "category", "demoscene"), gameJson("f")});
    EXPECT_EQ(messageOf([&] { demo.validate(); }), "");
    EXPECT_TRUE(demo.games[0].isDemo());
    EXPECT_FALSE(demo.games[1].isDemo());
    EXPECT_FALSE(demo.games[1].category.has_value());
}

TEST(Decoding, IsStrictAndNamesTheKey) {
    struct Case {
        const char* what;
        std::function<void(Json&)> change;
        std::string keyInError; // empty: decodes
    } cases[] = {
        {"unknown keys ignored", [](Json& j) { j["extra"] = Json::object({{"x", 1}}); }, ""},
        {"release null is none", [](Json& j) { j["games"][0]["release"] = nullptr; }, ""},
        {"category null is none", [](Json& j) { j["games"][0]["category"] = nullptr; }, ""},
        {"missing title", [](Json& j) { j["games"][0].erase("title"); }, "games[0].title"},
        {"null summary", [](Json& j) { j["games"][0]["summary"] = nullptr; }, "games[0].summary"},
        {"symbol number", [](Json& j) { j["games"][0]["symbol"] = 3; }, "games[0].symbol"},
        {"schema string", [](Json& j) { j["schema"] = "1"; }, "schema"},
        {"schema fraction", [](Json& j) { j["schema"] = 1.5; }, "schema"},
        {"games object", [](Json& j) { j["games"] = Json::object(); }, "games"},
        {"bytes fraction", [](Json& j) { j["games"][0]["release"]["bytes"] = 10.5; }, "games[0].release.bytes"},
        {"bytes beyond 64 bits",
         [](Json& j) { j["games"][0]["release"]["bytes"] = 18446744073709551615ULL; },
         "games[0].release.bytes"},
        {"missing notes", [](Json& j) { j["games"][0]["release"].erase("notes"); }, "games[0].release.notes"},
        {"release array", [](Json& j) { j["games"][0]["release"] = Json::array(); }, "games[0].release"},
        {"category bool", [](Json& j) { j["games"][0]["category"] = true; }, "games[0].category"},
    };
    for (const auto& c : cases) {
        Json document{{"schema", 1}, {"games", {gameJson("a")}}};
        document["games"][0]["release"] = releaseJson();
        c.change(document);
        std::string error;
        try {
            Catalog::fromJSON(document.dump());
        } catch (const DecodingError& e) {
            error = e.what();
        }
        if (c.keyInError.empty()) {
            EXPECT_EQ(error, "") << c.what;
        } else {
            EXPECT_NE(error.find("«" + c.keyInError + "»"), std::string::npos) << c.what << ": " << error;
        }
    }
    // A large integral value written as a float still decodes exactly; a huge exponent does not.
    Json large = releaseJson();
    large["bytes"] = 1e11;
    EXPECT_EQ(Release::decode(JsonObject(large, "")).bytes, 100'000'000'000LL);
    // Texts that are no catalog fail with a Russian DecodingError, never with the JSON library's own.
    for (const char* text : {R"({"schema": 1e30, "games": []})", R"({"schema": 1e400, "games": []})",
                             R"({"schema": 1, "games": [-1e400]})", "{\"schema\": 1, \"games\": [}", "[]"}) {
        try {
            Catalog::fromJSON(text);
            ADD_FAILURE() << text;
        } catch (const DecodingError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Не удалось прочитать JSON: ", 0), 0u) << text;
        }
    }
}

TEST(Encoding, RoundTripsAndOmitsAbsentOptionalFields) {
    Game game{"a", "T", "S", "star", std::nullopt, std::nullopt};
    EXPECT_EQ(game.encode(), Json::parse(R"({"id": "a", "summary": "S", "symbol": "star", "title": "T"})"));

    Catalog catalog;
    catalog.games.push_back(game);
    catalog.games.push_back(Game{"b", "Игра", "", "", Release::decode(JsonObject(releaseJson(), "")), "demoscene"});
    Catalog back = Catalog::fromJSON(encodeJson(catalog.encode()));
    EXPECT_EQ(back, catalog);

    Installed installed{*catalog.games[1].release, 12345.625, std::string(64, 'a') + "-X"};
    Installed decoded = Installed::fromJSON(encodeJson(installed.encode()));
    EXPECT_EQ(decoded, installed);
    EXPECT_THROW(Installed::fromJSON(R"({"release": null, "installedAt": 1, "directory": "d"})"), DecodingError);
}

TEST(LoadCatalog, SizeLimitAndValidation) {
    test::TempDir dir;
    std::string base = R"({"schema":1,"games":[]})";
    std::string exact = base + std::string(LauncherCore::kCatalogLimit - base.size(), ' ');
    test::writeFile(dir / "exact.json", exact);
    EXPECT_TRUE(LauncherCore::loadCatalog(dir / "exact.json").games.empty());

    // One byte more is refused before decoding, even though the content is broken JSON.
    test::writeFile(dir / "over.json", "{" + std::string(LauncherCore::kCatalogLimit, ' '));
    EXPECT_EQ(messageOf([&] { LauncherCore::loadCatalog(dir / "over.json"); }), "Каталог слишком большой");

    test::writeFile(dir / "dupe.json", R"({"schema":1,"games":[{"id":"a","title":"A","summary":"","symbol":""},
        {"id":"a","title":"B","summary":"","symbol":""}]})");
    EXPECT_EQ(messageOf([&] { LauncherCore::loadCatalog(dir / "dupe.json"); }), "Повторяющаяся или неверная игра");
    EXPECT_THROW(LauncherCore::loadCatalog(dir / "missing.json"), std::system_error);
}
