#pragma once
// Strict reading of JSON documents and their canonical written form (pretty-printed, keys sorted).
// Reading fails with DecodingError naming the key when a required key is missing or null, when a
// value has the wrong JSON type, or when an integer is fractional or out of range. Unknown keys
// are ignored.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace novra {

using Json = nlohmann::json;

// Parses a complete JSON text; DecodingError on a syntax error or a number beyond the double range.
Json parseJson(std::string_view text);

// The canonical written form of every document: two-space indentation, keys in sorted order,
// UTF-8 left as is, and a final line break.
std::string encodeJson(const Json& value);

// A view of one JSON object inside a document, remembering its key path for error texts.
class JsonObject {
public:
    // DecodingError when `value` is not an object; `path` names it ("" for the document itself).
    JsonObject(const Json& value, std::string path);

    std::string string(const char* key) const;
    std::optional<std::string> optionalString(const char* key) const;
    bool boolean(const char* key) const;
    std::optional<bool> optionalBoolean(const char* key) const;
    int64_t integer(const char* key, int64_t min = INT64_MIN, int64_t max = INT64_MAX) const;
    std::optional<int64_t> optionalInteger(const char* key, int64_t min = INT64_MIN, int64_t max = INT64_MAX) const;
    double number(const char* key) const;
    JsonObject object(const char* key) const;
    std::optional<JsonObject> optionalObject(const char* key) const;
    // The elements of an array value; each element's path is key[index].
    std::vector<std::pair<const Json*, std::string>> array(const char* key) const;
    std::vector<std::string> stringArray(const char* key) const;

    const Json& json() const { return *value_; }
    const std::string& path() const { return path_; }

    // Helpers for values that are not object members (array elements, documents).
    static std::string asString(const Json& value, const std::string& path);
    static int64_t asInteger(const Json& value, const std::string& path, int64_t min, int64_t max);

private:
    const Json* find(const char* key, bool required) const;
    std::string keyPath(const char* key) const;

    const Json* value_;
    std::string path_;
};

} // namespace novra
