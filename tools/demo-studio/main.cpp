// novra-demo-studio: the demo studio. `make` publishes the demo build source, `serve` serves it over
// HTTPS on 127.0.0.1 with the social service and its demo players beside it.
//
//   novra-demo-studio make SOURCE_ROOT --key PRIVATE --catalog FILE --game PROGRAM --publish TOOL
//       [--launcher BUNDLE] [--covers DIR] [--small]
//   novra-demo-studio serve SOURCE_ROOT --certificate PEM --certificate-key PEM [--port N]
//       [--social-port N] [--rate MB_PER_SECOND] [--package-seconds S] [--seed FILE] [--settings FILE]
//
// serve prints two lines once both servers listen, "source https://127.0.0.1:PORT" and
// "social http://127.0.0.1:PORT", and serves until SIGINT or SIGTERM. Ports 0 (the default) pick
// free ones; the rate (decimal megabytes per second over all downloads, default 40, 0 for no
// limit) keeps progress visible; --package-seconds makes every package take at least that long (for
// kilobyte packages). Without --seed the demo cast plays (DemoCast.h); --settings
// points a launcher settings document at the source (written or updated in place).
#include <cctype>
#include <cmath>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/LauncherCore.h"
#include "platform/Files.h"
#include "tools/demo-studio/DemoCast.h"
#include "tools/demo-studio/DemoSource.h"
#include "tools/demo-studio/SourceServer.h"
#include "tools/http/LocalServer.h"
#include "tools/social-service/SocialService.h"

namespace fs = std::filesystem;

namespace {

int usage() {
    std::cerr << "Использование:\n"
                 "  novra-demo-studio make SOURCE_ROOT --key PRIVATE --catalog FILE --game PROGRAM --publish TOOL\n"
                 "      [--launcher BUNDLE] [--covers DIR] [--small]\n"
                 "  novra-demo-studio serve SOURCE_ROOT --certificate PEM --certificate-key PEM [--port N]\n"
                 "      [--social-port N] [--rate MB_PER_SECOND] [--package-seconds S] [--seed FILE]\n"
                 "      [--settings FILE]\n";
    return 2;
}

// One positional argument, then "--name value" options and "--flag" switches. Nullopt when the
// list holds anything else, or lacks a required option.
struct Arguments {
    std::string positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;

    std::optional<std::string> value(const std::string& name) const {
        auto it = values.find(name);
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
};

std::optional<Arguments> parse(const std::vector<std::string>& args, const std::set<std::string>& required,
                               const std::set<std::string>& optional, const std::set<std::string>& flags) {
    if (args.empty() || args[0].rfind("--", 0) == 0) return std::nullopt;
    Arguments parsed{args[0], {}, {}};
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (flags.count(name)) {
            parsed.flags.insert(name);
        } else if ((required.count(name) || optional.count(name)) && i + 1 < args.size() && !parsed.values.count(name)) {
            parsed.values[name] = args[++i];
        } else {
            return std::nullopt;
        }
    }
    for (const std::string& name : required)
        if (!parsed.values.count(name)) return std::nullopt;
    return parsed;
}

// The whole text as a number from `min` to `max` (a whole one when `whole`); `fallback` when
// there is none.
double number(const std::optional<std::string>& text, double fallback, double min, double max, bool whole,
              const char* what) {
    if (!text) return fallback;
    size_t used = 0;
    double value = -1;
    try {
        value = std::stod(*text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text->empty() || std::isspace(static_cast<unsigned char>(text->front())) || used != text->size() ||
        !(value >= min && value <= max) || (whole && value != std::floor(value)))
        throw std::runtime_error(std::string(what) + *text);
    return value;
}

int port(const std::optional<std::string>& text) {
    return static_cast<int>(number(text, 0, 0, 65535, true, "Неверный порт: "));
}

int make(const std::vector<std::string>& args) {
    auto a = parse(args, {"--key", "--catalog", "--game", "--publish"}, {"--launcher", "--covers"}, {"--small"});
    if (!a) return usage();
    novra::demo::makeDemoSource({.root = a->positional,
                                 .privateKey = *a->value("--key"),
                                 .catalog = *a->value("--catalog"),
                                 .gameProgram = *a->value("--game"),
                                 .publishTool = *a->value("--publish"),
                                 .launcher = a->value("--launcher"),
                                 .covers = a->value("--covers"),
                                 .small = a->flags.count("--small") > 0});
    return 0;
}

// The launcher's settings document with the source set to `origin`; the rest as it was, or, for a
// new (or unreadable) document, the defaults with the library in the state folder beside it.
void pointSettingsAt(const std::string& file, const std::string& origin) {
    novra::Settings settings;
    try {
        settings = novra::Settings::fromJSON(novra::platform::readFile(file, 1'000'000));
    } catch (const std::exception&) {
        settings.library = (fs::absolute(file).parent_path() / "Games").string();
    }
    settings.sourceURL = origin;
    fs::create_directories(fs::absolute(file).parent_path());
    novra::LauncherCore::atomicJSON(settings.encode(), file);
}

// Game titles by id from the served catalog, for what the demo players write.
std::map<std::string, std::string> titles(const std::string& root) {
    std::map<std::string, std::string> byID;
    try {
        for (const novra::Game& game : novra::LauncherCore::loadCatalog(root + "/catalog.json").games)
            byID[game.id] = game.title;
    } catch (const std::exception&) {
        // no catalog: the players name games by id
    }
    return byID;
}

int serve(const std::vector<std::string>& args) {
    auto a = parse(args, {"--certificate", "--certificate-key"},
                   {"--port", "--social-port", "--rate", "--package-seconds", "--seed", "--settings"}, {});
    if (!a) return usage();
    novra::tools::StopSignals stopSignals;

    novra::demo::SourceServer source(a->positional, *a->value("--certificate"), *a->value("--certificate-key"),
                                     number(a->value("--rate"), 40, 0, 1e6, false, "Неверная скорость: ") * 1e6,
                                     number(a->value("--package-seconds"), 0, 0, 3600, false, "Неверное время: "));
    novra::tools::SocialService social;
    auto seed = a->value("--seed");
    social.loadSeed(seed ? novra::platform::readFile(*seed, 10'000'000) : novra::demo::demoSeed());
    source.start(port(a->value("--port")));
    social.start(port(a->value("--social-port")));
    std::optional<novra::demo::DemoCast> cast;
    if (!seed) cast.emplace(social, titles(a->positional)).start();
    if (auto settings = a->value("--settings")) pointSettingsAt(*settings, source.origin());

    std::cout << "source " << source.origin() << "\nsocial " << social.origin() << std::endl;
    if (!seed)
        std::cerr << "Демо-игрок: " << novra::demo::kDemoUsername << ", пароль " << novra::demo::kDemoPassword
                  << std::endl;
    stopSignals.wait();
    if (cast) cast->stop();
    source.stop();
    social.stop();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "make") return make(args);
        if (command == "serve") return serve(args);
        return usage();
    } catch (const std::exception& e) {
        std::cerr << "novra-demo-studio: " << e.what() << std::endl;
        return 1;
    }
}
