#include "core/Transfer.h"

#include <openssl/evp.h>
#include <utf8proc.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "core/Catalog.h"
#include "core/LauncherError.h"
#include "core/Text.h"
#include "core/Url.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Tools.h"

namespace novra {
namespace {

constexpr size_t kHashBlock = 1 << 20;
// How often a running transfer is looked at: cancellation, the size cap, the time limit, progress.
constexpr double kPollSeconds = 0.15;
// Characters of the tool's trimmed error output that an error message carries.
constexpr size_t kDiagnosticCharacters = 1000;
// A child that ignores SIGTERM is killed after this long.
constexpr double kTerminateGraceSeconds = 5.0;

struct DigestContext {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~DigestContext() { EVP_MD_CTX_free(context); }
};

[[noreturn]] void digestFailure() { throw std::runtime_error("SHA-256 недоступен"); }

// The tool's error output as shown to the user: UTF-8 (anything else counts as empty), trimmed of
// white space at both ends, at most the first 1000 characters (user-perceived characters, so a
// letter with its combining marks is never cut apart).
std::string diagnosticText(const std::string& bytes) {
    std::optional<std::string_view> trimmed = text::trimmed(bytes);
    if (!trimmed) return {};
    return std::string(trimmed->substr(0, text::characterPrefix(*trimmed, kDiagnosticCharacters)));
}

bool validUTF8(const std::string& bytes) {
    const auto* data = reinterpret_cast<const utf8proc_uint8_t*>(bytes.data());
    for (size_t offset = 0; offset < bytes.size();) {
        utf8proc_int32_t c;
        utf8proc_ssize_t length =
            utf8proc_iterate(data + offset, static_cast<utf8proc_ssize_t>(bytes.size() - offset), &c);
        if (length <= 0) return false;
        offset += static_cast<size_t>(length);
    }
    return true;
}

std::vector<std::string> curlArguments(const std::string& url, int64_t maxBytes, const std::string& destination) {
    return {"--fail",         "--silent",      "--show-error",  "--proto",        "=https",
            "--connect-timeout", "10",         "--max-time",    "86400",          "--speed-limit",
            "1",              "--speed-time",  "60",            "--max-filesize", std::to_string(maxBytes),
            "--output",       destination,     "--write-out",   "%{http_code}",   "--url",
            url};
}

std::vector<std::string> sshArguments(const Settings& settings, const std::string& relative) {
    return {"-T",
            "-o",
            "IgnoreUnknown=UseKeychain",
            "-o",
            "BatchMode=yes",
            "-o",
            "StrictHostKeyChecking=yes",
            "-o",
            "ConnectTimeout=8",
            "-o",
            "ServerAliveInterval=15",
            "-o",
            "ServerAliveCountMax=2",
            settings.host,
            "cat -- " + shellQuote(settings.remoteRoot + "/" + relative)};
}

// Ends a child that is no longer wanted and waits for it: SIGTERM first, SIGKILL when it does not
// exit within the grace period.
void stop(platform::Process& process) {
    if (process.isRunning()) {
        process.terminate();
        if (!process.waitFor(kTerminateGraceSeconds)) process.kill();
    }
    process.wait();
}

} // namespace

std::string shellQuote(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += '\'';
    return quoted;
}

namespace LauncherCore {

std::string hash(const std::string& file, OperationControl& control) {
    platform::File in = platform::File::openForReading(file);
    DigestContext digest;
    if (!digest.context || EVP_DigestInit_ex(digest.context, EVP_sha256(), nullptr) != 1) digestFailure();
    std::unique_ptr<unsigned char[]> block(new unsigned char[kHashBlock]);
    for (;;) {
        size_t got = in.read(block.get(), kHashBlock);
        if (got == 0) break;
        control.check();
        if (EVP_DigestUpdate(digest.context, block.get(), got) != 1) digestFailure();
    }
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(digest.context, value, &length) != 1) digestFailure();
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[value[i] >> 4];
        text += kHex[value[i] & 0x0F];
    }
    return text;
}

std::string hash(const std::string& file) {
    OperationControl control;
    return hash(file, control);
}

void download(const Settings& settings, const std::string& relative, const std::string& destination,
              int64_t maxBytes, OperationControl& control, const Progress& progress,
              std::chrono::milliseconds timeLimit) {
    settings.validate();
    require(safeRelative(relative), "Неверный путь загрузки");

    platform::File output = platform::File::createForWriting(destination);
    const bool https = settings.sourceURL.has_value();

    std::shared_ptr<platform::Process> process;
    if (https) {
        auto url = appendingPath(*settings.sourceURL, relative);
        // validate() has parsed the address already; this cannot fail for a valid one.
        require(url.has_value(), "Укажите HTTPS-адрес каталога без логина и параметров");
        process = std::make_shared<platform::Process>(platform::tools().curl,
                                                      curlArguments(*url, maxBytes, destination));
        process->standardOutput = platform::Redirect::capture();
    } else {
        process = std::make_shared<platform::Process>(platform::tools().ssh, sshArguments(settings, relative));
        process->standardOutput = platform::Redirect::descriptor(output.descriptor());
    }
    process->standardError = platform::Redirect::capture();

    // From here on the control may hold the process: it is let go on every way out.
    struct Detach {
        OperationControl& control;
        ~Detach() { control.detach(); }
    } detach{control};

    control.attach(process);
    control.check();
    process->launch();
    const auto started = std::chrono::steady_clock::now();
    auto report = [&](double fraction) {
        if (progress) progress(std::min(fraction, 1.0));
    };

    try {
        while (process->isRunning()) {
            control.check();
            int64_t size = platform::fileSize(destination).value_or(0);
            require(size <= maxBytes, "Размер загрузки превышает каталог");
            require(std::chrono::steady_clock::now() - started < timeLimit, "Истекло время загрузки");
            report(static_cast<double>(size) / static_cast<double>(std::max<int64_t>(maxBytes, 1)));
            // Returns as soon as the child exits, so a finished transfer is not held up by the poll.
            process->waitFor(kPollSeconds);
        }
    } catch (...) {
        stop(*process);
        throw;
    }

    const int status = process->wait();
    control.check();

    std::string diagnostic = diagnosticText(process->captured(2));
    require(status == 0, "Ошибка загрузки: " + diagnostic);
    if (https) {
        std::string code = process->captured(1);
        if (!validUTF8(code)) code = "?";
        require(code == "200", "Источник вернул HTTP " + code + " вместо файла");
    }
    std::optional<int64_t> size = platform::fileSize(destination);
    require(size && *size >= 1 && *size <= maxBytes, "Неверный размер загрузки");
    report(1.0);
}

} // namespace LauncherCore
} // namespace novra
