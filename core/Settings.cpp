#include "core/Settings.h"

#include "core/Catalog.h"
#include "core/LauncherError.h"
#include "core/Url.h"
#include "platform/Paths.h"

namespace novra {
namespace {

// "^[A-Za-z0-9][A-Za-z0-9._-]{0,127}$"
bool validAlias(const std::string& host) {
    if (host.empty() || host.size() > 128) return false;
    for (size_t i = 0; i < host.size(); ++i) {
        char c = host[i];
        bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alnum && (i == 0 || (c != '.' && c != '_' && c != '-'))) return false;
    }
    return true;
}

// No C0 control character and no DEL: a NUL would end the text early for every system call, and
// the others have no place in a host, a path or an address.
bool plainText(std::string_view text) {
    for (unsigned char c : text)
        if (c < 32 || c == 127) return false;
    return true;
}

} // namespace

std::string Settings::defaultSourceURL() { return std::string("https://") + NOVRA_STUDIO_HOST + "/launcher"; }
std::string Settings::defaultHost() { return NOVRA_SSH_ALIAS; }
std::string Settings::defaultRemoteRoot() { return "/Users/devbuild/work/novra-launcher-20261025/release"; }

Settings::Settings()
    : sourceURL(defaultSourceURL()), host(defaultHost()), remoteRoot(defaultRemoteRoot()),
      library(platform::defaultLibrary()) {}

Settings::Settings(std::optional<std::string> sourceURL, std::string host, std::string remoteRoot, std::string library,
                   std::vector<std::string> requiredVolumes)
    : sourceURL(std::move(sourceURL)), host(std::move(host)), remoteRoot(std::move(remoteRoot)),
      library(std::move(library)), requiredVolumes(std::move(requiredVolumes)) {}

void Settings::validate() const {
    if (!sourceURL) {
        require(validAlias(host), "Укажите SSH-псевдоним источника сборок");
        require(!remoteRoot.empty() && remoteRoot.front() == '/' &&
                    safeRelative(std::string_view(remoteRoot).substr(1)) && plainText(remoteRoot),
                "Неверная папка релизов на источнике сборок");
    } else {
        auto url = parseURL(*sourceURL);
        require(plainText(*sourceURL) && url && url->scheme == "https" && !url->host.empty() &&
                    !url->hasUser && !url->hasPassword && !url->hasQuery && !url->hasFragment,
                "Укажите HTTPS-адрес каталога без логина и параметров");
    }
    require(!library.empty() && library.front() == '/' && library != "/" && plainText(library),
            "Выберите папку библиотеки");
}

std::string Settings::sourceLabel() const {
    if (sourceURL) return "NOVRA ONLINE";
    if (host == NOVRA_SSH_ALIAS || host == NOVRA_SSH_ALIAS_SECOND) return "M3 MAX SOURCE";
    if (host == NOVRA_SSH_ALIAS_OTHER) return "MAC MINI SOURCE";
    return "SSH SOURCE";
}

Settings Settings::decode(const JsonObject& o) {
    // A missing "sourceURL" selects the SSH source; the default address never fills it in.
    return Settings(o.optionalString("sourceURL"), o.string("host"), o.string("remoteRoot"), o.string("library"),
                    o.stringArray("requiredVolumes"));
}

Settings Settings::fromJSON(std::string_view text) {
    Json document = parseJson(text);
    return decode(JsonObject(document, ""));
}

Json Settings::encode() const {
    Json j{{"host", host}, {"remoteRoot", remoteRoot}, {"library", library}, {"requiredVolumes", requiredVolumes}};
    if (sourceURL) j["sourceURL"] = *sourceURL;
    return j;
}

} // namespace novra
