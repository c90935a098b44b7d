#include "core/Url.h"

#include <curl/curl.h>

#include <memory>
#include <string_view>

namespace novra {
namespace {

struct UrlHandle {
    CURLU* handle = curl_url();
    ~UrlHandle() { curl_url_cleanup(handle); }
};

bool hasPart(CURLU* url, CURLUPart part, std::string* into = nullptr) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, 0) != CURLUE_OK || !value) return false;
    if (into) *into = value;
    curl_free(value);
    return true;
}

// Percent-encodes every byte that may not stand in a URL path as it is: "/" separates components;
// letters, digits and "-._~!$&'()*+,;=:@" stay; everything else (space, "%", "?", "#", non-ASCII
// bytes, ...) becomes %XX (the URL parser then writes the hexadecimal digits in lower case).
std::string encodePath(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    static constexpr std::string_view kKept = "/-._~!$&'()*+,;=:@";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (alnum || kKept.find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

} // namespace

std::optional<ParsedURL> parseURL(const std::string& text) {
    UrlHandle url;
    if (!url.handle) return std::nullopt;
    if (curl_url_set(url.handle, CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    ParsedURL parsed;
    // The parser lower-cases the scheme; keep it as the text spells it.
    size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    parsed.scheme = text.substr(0, colon);
    // The parser forgives "https:///path" by taking the path's first piece as the host; as written,
    // such a URL has an empty authority and so no host.
    bool authority = text.compare(colon + 1, 2, "//") == 0 && text.size() > colon + 3 && text[colon + 3] != '/';
    if (authority) hasPart(url.handle, CURLUPART_HOST, &parsed.host);
    parsed.hasUser = hasPart(url.handle, CURLUPART_USER);
    parsed.hasPassword = hasPart(url.handle, CURLUPART_PASSWORD);
    // An empty query or fragment ("?" or "#" alone) still counts as present.
    parsed.hasQuery = hasPart(url.handle, CURLUPART_QUERY) || text.find('?') != std::string::npos;
    parsed.hasFragment = hasPart(url.handle, CURLUPART_FRAGMENT) || text.find('#') != std::string::npos;
    return parsed;
}

std::optional<std::string> appendingPath(const std::string& base, const std::string& relative) {
    UrlHandle url;
    if (!url.handle) return std::nullopt;
    if (curl_url_set(url.handle, CURLUPART_URL, base.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    // The base's path stays as written (already encoded: an encoded "/" in it keeps its meaning);
    // only the appended text is encoded here.
    std::string path;
    if (!hasPart(url.handle, CURLUPART_PATH, &path) || path.empty()) path = "/";
    if (path.back() != '/') path += '/';
    path += encodePath(relative);
    if (curl_url_set(url.handle, CURLUPART_PATH, path.c_str(), 0) != CURLUE_OK) return std::nullopt;
    char* full = nullptr;
    if (curl_url_get(url.handle, CURLUPART_URL, &full, 0) != CURLUE_OK || !full) return std::nullopt;
    std::string result = full;
    curl_free(full);
    return result;
}

} // namespace novra
