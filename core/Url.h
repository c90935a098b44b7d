#pragma once
// Absolute URLs, parsed with libcurl's URL parser.
#include <optional>
#include <string>

namespace novra {

struct ParsedURL {
    std::string scheme; // as written (not lower-cased)
    std::string host;
    bool hasUser = false;
    bool hasPassword = false;
    bool hasQuery = false;
    bool hasFragment = false;
};

// None when the text is not an absolute URL with a scheme.
std::optional<ParsedURL> parseURL(const std::string& text);

// `base` with `relative` appended as path components (a "/" is added between them when needed;
// characters that may not stand in a path are percent-encoded). None when `base` does not parse.
std::optional<std::string> appendingPath(const std::string& base, const std::string& relative);

} // namespace novra
