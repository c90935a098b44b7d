// Transfers with stand-in tools: what the launcher hands to curl and ssh, and how it reads their
// answers. The real tools against real servers are covered by the integration tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/LauncherError.h"
#include "core/Transfer.h"
#include "core/Url.h"
#include "support/TestSupport.h"
#include "support/ToolWrapper.h"

using novra::CancellationError;
using novra::LauncherError;
using novra::OperationControl;
using novra::Settings;
using novra::shellQuote;
namespace LauncherCore = novra::LauncherCore;
namespace test = novra::test;

namespace {

std::vector<std::string> splitNul(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    return parts;
}

// The LauncherError message of running `body`, or "" when it succeeds.
using novra::test::messageOf;

class Transfer : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string destination = dir / ".download";
    std::string argsFile = dir / "args";
    std::string pidFile = dir / "tool.pid";

    Settings httpsSource() const { return Settings("https://builds.novra.test/launcher", "", "", dir.path(), {}); }
    Settings sshSource() const { return Settings(std::nullopt, "build-box", "/srv/it's/release", dir.path(), {}); }

    // A stand-in tool: records its arguments and its process id, then runs `body`.
    std::string tool(const std::string& name, const std::string& body) {
        std::string path = dir / name;
        test::writeScript(path, "printf '%s\\0' \"$@\" > " + shellQuote(argsFile) + "\necho $$ > " +
                                    shellQuote(pidFile) + "\n" + body);
        return path;
    }
    std::vector<std::string> arguments() const { return splitNul(test::readFile(argsFile)); }

    void download(const Settings& settings, const std::string& relative, int64_t maxBytes,
                  std::vector<double>* progress = nullptr) {
        OperationControl control;
        LauncherCore::download(settings, relative, destination, maxBytes, control, [&](double value) {
            if (progress) progress->push_back(value);
        });
    }
};

} // namespace

TEST(ShellQuote, ShellGetsTheTextBack) {
    for (std::string text : {"it's", "'", "$(touch /tmp/x) `id` ; rm -rf /", "line\nbreak\ttab", "\"\\\"", "*?[a]"}) {
        test::RunResult echoed = test::run("/bin/sh", {"-c", "printf %s " + shellQuote(text)});
        EXPECT_EQ(echoed.status, 0);
        EXPECT_EQ(echoed.out, text);
    }
}

TEST(AppendingPath, KeepsSeparatorsAndEncodesTheAppendedText) {
    struct Case {
        std::string base, relative, url;
    };
    const Case cases[] = {
        {"https://h.test/launcher", "catalog.json", "https://h.test/launcher/catalog.json"},
        {"https://h.test/launcher/", "catalog.json", "https://h.test/launcher/catalog.json"},
        {"https://h.test", "packages/1.0.tar.gz", "https://h.test/packages/1.0.tar.gz"},
        {"https://h.test:8443/a/b", "packages/1.0 beta.tar.gz", "https://h.test:8443/a/b/packages/1.0%20beta.tar.gz"},
        {"https://h.test/l", "a?b#c%d", "https://h.test/l/a%3Fb%23c%25d"},
        {"https://h.test/l", "\xc3\xa9t\xc3\xa9/x", "https://h.test/l/%C3%A9t%C3%A9/x"},
        {"https://h.test/l", "v~1_(x)+y=z;@:!$&',*", "https://h.test/l/v~1_(x)+y=z;@:!$&',*"},
        // An encoded slash of the base stays what it is.
        {"https://h.test/a%2Fb", "x", "https://h.test/a%2Fb/x"},
    };
    // Either case of the hexadecimal digits of an escape is the same URL.
    auto upperEscapes = [](std::optional<std::string> url) {
        for (size_t i = 0; url && i + 2 < url->size(); ++i)
            if ((*url)[i] == '%')
                for (size_t k : {i + 1, i + 2}) (*url)[k] = static_cast<char>(std::toupper((*url)[k]));
        return url;
    };
    for (const auto& c : cases)
        EXPECT_EQ(upperEscapes(novra::appendingPath(c.base, c.relative)), c.url)
            << c.base << " + " << c.relative;
    EXPECT_EQ(novra::appendingPath("not a url", "x"), std::nullopt);
}

TEST_F(Transfer, CurlGetsExactlyItsArguments) {
    test::ScopedTool curl(&novra::platform::ToolPaths::curl,
                          tool("curl", "printf 'payload' > \"${17}\"\nprintf 200"));
    std::vector<double> progress;
    download(httpsSource(), "packages/1.0 beta.tar.gz", 1234, &progress);
    const std::vector<std::string> expected = {
        "--fail", "--silent", "--show-error", "--proto", "=https", "--connect-timeout", "10", "--max-time", "86400",
        "--speed-limit", "1", "--speed-time", "60", "--max-filesize", "1234", "--output", destination,
        "--write-out", "%{http_code}", "--url", "https://builds.novra.test/launcher/packages/1.0%20beta.tar.gz"};
    EXPECT_EQ(arguments(), expected);
    EXPECT_EQ(test::readFile(destination), "payload");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 1.0);
}

TEST_F(Transfer, SshGetsExactlyItsArgumentsAndWritesIntoTheDestination) {
    test::ScopedTool ssh(&novra::platform::ToolPaths::ssh, tool("ssh", "printf 'remote bytes'"));
    download(sshSource(), "packages/o'neil 1.0.tar.gz", 100);
    const std::vector<std::string> expected = {
        "-T", "-o", "IgnoreUnknown=UseKeychain", "-o", "BatchMode=yes", "-o", "StrictHostKeyChecking=yes", "-o",
        "ConnectTimeout=8", "-o", "ServerAliveInterval=15", "-o", "ServerAliveCountMax=2", "build-box",
        "cat -- '/srv/it'\\''s/release/packages/o'\\''neil 1.0.tar.gz'"};
    EXPECT_EQ(arguments(), expected);
    EXPECT_EQ(test::readFile(destination), "remote bytes");
}

TEST_F(Transfer, RefusesBadInputBeforeTouchingAnything) {
    test::ScopedTool curl(&novra::platform::ToolPaths::curl, tool("curl", "exit 0"));
    test::ScopedTool ssh(&novra::platform::ToolPaths::ssh, tool("ssh", "exit 0"));
    Settings badHost = sshSource();
    badHost.host = "-oProxyCommand=x";
    Settings badURL = httpsSource();
    badURL.sourceURL = "https://user@builds.novra.test/launcher";
    struct Case {
        Settings settings;
        std::string relative, message;
    };
    const Case cases[] = {
        {badHost, "catalog.json", "Укажите SSH-псевдоним источника сборок"},
        {badURL, "catalog.json", "Укажите HTTPS-адрес каталога без логина и параметров"},
        {httpsSource(), "../catalog.json", "Неверный путь загрузки"},
        {sshSource(), "packages/../../etc/passwd", "Неверный путь загрузки"},
        {sshSource(), "/etc/passwd", "Неверный путь загрузки"},
        {httpsSource(), "", "Неверный путь загрузки"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(messageOf([&] { download(c.settings, c.relative, 100); }), c.message) << c.relative;
        EXPECT_FALSE(test::exists(destination)) << c.relative;
        EXPECT_FALSE(test::exists(argsFile)) << c.relative;
    }
}

TEST_F(Transfer, CancelledControlNeverStartsTheTool) {
    test::ScopedTool curl(&novra::platform::ToolPaths::curl, tool("curl", "printf 200"));
    test::writeFile(destination, "old contents");
    OperationControl control;
    control.cancel();
    EXPECT_THROW(LauncherCore::download(httpsSource(), "catalog.json", destination, 100, control, {}), CancellationError);
    EXPECT_FALSE(test::exists(argsFile));
    EXPECT_EQ(test::readFile(destination), ""); // created empty before the control is asked
}

TEST_F(Transfer, ToolAnswersBecomeMessages) {
    const std::string longError = "  \n\t" + std::string(1500, 'e') + " \n";
    std::string cyrillic;
    for (int i = 0; i < 1200; ++i) cyrillic += "ж";
    std::string firstThousand;
    for (int i = 0; i < 1000; ++i) firstThousand += "ж";
    // e + combining acute is one character: the cut never separates them.
    std::string combining;
    for (int i = 0; i < 1001; ++i) combining += "e\xcc\x81";
    struct Case {
        std::string body;
        int64_t maxBytes;
        std::string message;
    };
    const Case cases[] = {
        {"echo 'curl: (7) Failed to connect' >&2; exit 7", 100, "Ошибка загрузки: curl: (7) Failed to connect"},
        {"printf '%s' '" + longError + "' >&2; exit 22", 100, "Ошибка загрузки: " + std::string(1000, 'e')},
        {"printf '%s' '" + cyrillic + "' >&2; exit 22", 100, "Ошибка загрузки: " + firstThousand},
        {"printf '%s' '" + combining + "' >&2; exit 22", 100,
         "Ошибка загрузки: " + combining.substr(0, combining.size() - 3)},
        {"printf '\\377\\376 broken' >&2; exit 22", 100, "Ошибка загрузки: "},
        {"exit 56", 100, "Ошибка загрузки: "},
        {"printf x > \"${17}\"; printf 302", 100, "Источник вернул HTTP 302 вместо файла"},
        {"printf x > \"${17}\"; printf '\\377'", 100, "Источник вернул HTTP ? вместо файла"},
        {"printf x > \"${17}\"; printf ''", 100, "Источник вернул HTTP  вместо файла"},
        {"printf x > \"${17}\"; printf '200\\n'", 100, "Источник вернул HTTP 200\n вместо файла"},
        {"printf 200", 100, "Неверный размер загрузки"},
        {"printf 200", 0, "Неверный размер загрузки"},
        // Written just before the exit, so no poll sees it while the tool runs.
        {"sleep 0.2; printf 12345 > \"${17}\"; exec printf 200", 4, "Неверный размер загрузки"},
        {"sleep 0.2; printf 1234 > \"${17}\"; exec printf 200", 4, ""},
        {"rm -f \"${17}\"; printf 200", 100, "Неверный размер загрузки"},
    };
    for (const auto& c : cases) {
        test::ScopedTool curl(&novra::platform::ToolPaths::curl, tool("curl", c.body));
        EXPECT_EQ(messageOf([&] { download(httpsSource(), "catalog.json", c.maxBytes); }), c.message) << c.body;
    }
}

TEST_F(Transfer, FileGrowingPastTheCapStopsTheTool) {
    test::ScopedTool ssh(&novra::platform::ToolPaths::ssh, tool("ssh", "head -c 5000 /dev/zero\nexec /bin/sleep 30"));
    std::vector<double> progress;
    EXPECT_EQ(messageOf([&] { download(sshSource(), "catalog.json", 4096, &progress); }), "Размер загрузки превышает каталог");
    int pid = std::stoi(test::readFile(pidFile));
    EXPECT_FALSE(test::processExists(pid));
    for (double value : progress) EXPECT_TRUE(value >= 0.0 && value <= 1.0) << value;
    // The partial file stays for the caller to remove.
    EXPECT_EQ(test::readFile(destination).size(), 5000u);
}

TEST_F(Transfer, CancelStopsAToolThatIgnoresTermination) {
    test::ScopedTool ssh(&novra::platform::ToolPaths::ssh,
                         tool("ssh", "trap '' TERM\nprintf partial\nexec /bin/sleep 30"));
    OperationControl control;
    auto transfer = [&](const novra::Progress& progress) {
        LauncherCore::download(sshSource(), "catalog.json", destination, 100, control, progress);
    };
    EXPECT_EQ(test::cancelOnceStarted(control, transfer), "(cancelled)");
    EXPECT_FALSE(test::processExists(std::stoi(test::readFile(pidFile))));
}

TEST_F(Transfer, ProgressIsTheShareOfTheCap) {
    // Half of the cap arrives, then the tool lingers long enough for a few polls.
    test::ScopedTool ssh(&novra::platform::ToolPaths::ssh, tool("ssh", "head -c 500 /dev/zero\nsleep 0.5"));
    std::vector<double> progress;
    download(sshSource(), "catalog.json", 1000, &progress);
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.back(), 1.0);
    EXPECT_NE(std::find(progress.begin(), progress.end(), 0.5), progress.end());
}

TEST_F(Transfer, MissingToolIsThrown) {
    test::ScopedTool curl(&novra::platform::ToolPaths::curl, dir / "no-such-curl");
    EXPECT_THROW(download(httpsSource(), "catalog.json", 100), std::system_error);
}
