#include "core/Url.h"

#include <curl/curl.h>

#include <memory>

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
    std::string path;
    if (!hasPart(url.handle, CURLUPART_PATH, &path)) path = "/";
    // The stored path is already encoded; decode it so that encoding the whole path once is exact.
    char* decoded = nullptr;
    if (curl_url_get(url.handle, CURLUPART_PATH, &decoded, CURLU_URLDECODE) == CURLUE_OK && decoded) {
        path = decoded;
        curl_free(decoded);
    }
    if (path.empty() || path.back() != '/') path += '/';
    path += relative;
    if (curl_url_set(url.handle, CURLUPART_PATH, path.c_str(), CURLU_URLENCODE) != CURLUE_OK) return std::nullopt;
    char* full = nullptr;
    if (curl_url_get(url.handle, CURLUPART_URL, &full, 0) != CURLUE_OK || !full) return std::nullopt;
    std::string result = full;
    curl_free(full);
    return result;
}

} // namespace novra
