#include <gtest/gtest.h>

#include <filesystem>

#include "core/LauncherCore.h"
#include "support/TestSupport.h"

using namespace novra;

namespace {

std::string messageOf(const Settings& s) {
    return test::messageOf([&] { s.validate(); });
}

Settings ssh(std::string host, std::string root, std::string library = "/lib") {
    return Settings(std::nullopt, std::move(host), std::move(root), std::move(library), {});
}

Settings https(std::string url, std::string library = "/lib") {
    return Settings(std::move(url), "", "", std::move(library), {});
}

} // namespace

TEST(SettingsValidation, SourcesAndLibrary) {
    const std::string sshAlias = "Укажите SSH-псевдоним источника сборок";
    const std::string sshRoot = "Неверная папка релизов на источнике сборок";
    const std::string httpsMsg = "Укажите HTTPS-адрес каталога без логина и параметров";
    const std::string libraryMsg = "Выберите папку библиотеки";
    struct Case {
        Settings settings;
        std::string message;
    } cases[] = {
        {ssh("novra-build", "/srv/release"), ""},
        {ssh(std::string(128, 'h'), "/srv"), ""},
        {ssh(std::string(129, 'h'), "/srv"), sshAlias},
        {ssh("-oProxyCommand=x", "/srv"), sshAlias},
        {ssh("has space", "/srv"), sshAlias},
        {ssh("", "/srv"), sshAlias},
        {ssh("a.b_c-d", "/srv"), ""},
        {ssh("h", "/"), sshRoot},
        {ssh("h", "srv/release"), sshRoot},
        {ssh("h", "/srv/release/"), sshRoot},
        {ssh("h", "/srv/../etc"), sshRoot},
        {ssh("h", ""), sshRoot},
        {ssh("h", "/it's"), ""},
        {https("https://novra.example/launcher"), ""},
        {https("https://127.0.0.1:8443/"), ""},
        {https("http://novra.example/launcher"), httpsMsg},
        {https("HTTPS://novra.example/launcher"), httpsMsg},
        {https("https://user@novra.example/"), httpsMsg},
        {https("https://user:pw@novra.example/"), httpsMsg},
        {https("https://novra.example/?q=1"), httpsMsg},
        {https("https://novra.example/?"), httpsMsg},
        {https("https://novra.example/#top"), httpsMsg},
        {https("https:///launcher"), httpsMsg},
        {https("novra.example/launcher"), httpsMsg},
        {https(""), httpsMsg},
        // The SSH fields are not looked at for an HTTPS source.
        {Settings(std::string("https://novra.example/x"), "-bad host", "relative", "/lib", {}), ""},
        // The library is checked after the source.
        {ssh("h", "/srv", "/"), libraryMsg},
        {ssh("h", "/srv", ""), libraryMsg},
        {ssh("h", "/srv", "Games"), libraryMsg},
        {https("https://novra.example/", "/"), libraryMsg},
        {ssh("-x", "/srv", "/"), sshAlias},
        // A control character is refused in every field that becomes a path, a command word or an
        // address: a NUL would silently cut the text short for the system.
        {ssh(std::string("novra-build\0x", 13), "/srv"), sshAlias},
        {ssh("h", std::string("/srv\0/x", 7)), sshRoot},
        {ssh("h", "/srv/\x7f"), sshRoot},
        {https(std::string("https://novra.example/\0x", 24)), httpsMsg},
        {https("https://novra.example/a\x7f"), httpsMsg},
        {ssh("h", "/srv", std::string("/lib\0/intended", 14)), libraryMsg},
        {ssh("h", "/srv", "/lib\n/x"), libraryMsg},
        {https("https://novra.example/", "/lib\x7f"), libraryMsg},
    };
    for (const auto& c : cases)
        EXPECT_EQ(messageOf(c.settings), c.message)
            << encodeJson(c.settings.encode());
}

TEST(SettingsLabel, FirstMatchWins) {
    EXPECT_EQ(https("https://x.example/").sourceLabel(), "NOVRA ONLINE");
    EXPECT_EQ(Settings(std::string("https://x.example/"), "novra-mini", "/r", "/l", {}).sourceLabel(), "NOVRA ONLINE");
    EXPECT_EQ(ssh("novra-build", "/r").sourceLabel(), "M3 MAX SOURCE");
    EXPECT_EQ(ssh("novra-build-m3", "/r").sourceLabel(), "M3 MAX SOURCE");
    EXPECT_EQ(ssh("novra-mini", "/r").sourceLabel(), "MAC MINI SOURCE");
    EXPECT_EQ(ssh("Novra-Mini", "/r").sourceLabel(), "SSH SOURCE");
    EXPECT_EQ(ssh("other", "/r").sourceLabel(), "SSH SOURCE");
}

TEST(SettingsDocument, DefaultsDecodingAndEncoding) {
    {
        test::ScopedEnv home("HOME", "/home/player");
        test::ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
        Settings defaults;
        EXPECT_EQ(defaults.library, "/home/player/.local/share/NOVRA Launcher/Games");
        EXPECT_EQ(defaults.sourceURL, "https://novra.example/launcher");
        EXPECT_EQ(defaults.host, "novra-build");
        EXPECT_EQ(defaults.remoteRoot, "/Users/devbuild/work/novra-launcher-20261025/release");
        EXPECT_TRUE(defaults.requiredVolumes.empty());
        EXPECT_EQ(messageOf(defaults), "");
    }
    {
        test::ScopedEnv xdg("XDG_DATA_HOME", "/data");
        EXPECT_EQ(Settings().library, "/data/NOVRA Launcher/Games");
    }

    // Without "sourceURL" the SSH source is chosen: the default address never fills the gap.
    Settings fromDisk = Settings::fromJSON(
        R"({"host":"novra-mini","remoteRoot":"/r","library":"/l","requiredVolumes":["/mnt/a"]})");
    EXPECT_FALSE(fromDisk.sourceURL.has_value());
    EXPECT_EQ(fromDisk.sourceLabel(), "MAC MINI SOURCE");
    EXPECT_EQ(fromDisk.requiredVolumes, std::vector<std::string>{"/mnt/a"});
    EXPECT_FALSE(Settings::fromJSON(R"({"sourceURL":null,"host":"h","remoteRoot":"/r","library":"/l",
        "requiredVolumes":[]})").sourceURL.has_value());

    for (const char* key : {"host", "remoteRoot", "library", "requiredVolumes"}) {
        Json j{{"host", "h"}, {"remoteRoot", "/r"}, {"library", "/l"}, {"requiredVolumes", Json::array()}};
        j.erase(key);
        EXPECT_THROW(Settings::fromJSON(j.dump()), DecodingError) << key;
    }
    EXPECT_THROW(Settings::fromJSON(R"({"host":"h","remoteRoot":"/r","library":"/l","requiredVolumes":[1]})"),
                 DecodingError);

    Json written = parseJson(encodeJson(fromDisk.encode()));
    EXPECT_FALSE(written.contains("sourceURL"));
    EXPECT_EQ(written.size(), 4u);
    Settings online = https("https://x.example/");
    EXPECT_EQ(Settings::fromJSON(encodeJson(online.encode())), online);
}

TEST(AtomicJSON, ReplacesWholeDocumentsAndLeavesNoTemporaryFiles) {
    test::TempDir dir;
    std::string target = dir / "settings.json";
    // Pretty-printed (the exact white space is free) with the keys sorted.
    LauncherCore::atomicJSON(Json{{"b", 1}, {"a", "x"}}, target);
    std::string text = test::readFile(target);
    EXPECT_LT(text.find("\"a\""), text.find("\"b\""));
    EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 3);
    LauncherCore::atomicJSON(Json{{"c", true}}, target);
    EXPECT_EQ(parseJson(test::readFile(target)), (Json{{"c", true}}));
    EXPECT_EQ(test::listTree(dir.path()), std::vector<std::string>{"settings.json"});

    // A directory in the way of the rename: the old document is kept and the temporary file is gone.
    std::filesystem::create_directory(dir / "blocked.json");
    test::writeFile(dir / "blocked.json/inside", "keep");
    EXPECT_THROW(LauncherCore::atomicJSON(Json{{"x", 1}}, dir / "blocked.json"), std::system_error);
    EXPECT_EQ(test::readFile(dir / "blocked.json/inside"), "keep");
    EXPECT_EQ(test::listTree(dir.path()),
              (std::vector<std::string>{"blocked.json", "blocked.json/inside", "settings.json"}));
    EXPECT_THROW(LauncherCore::atomicJSON(Json{{"x", 1}}, dir / "missing/doc.json"), std::system_error);
}
