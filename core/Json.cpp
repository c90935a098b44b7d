#include "core/Json.h"

#include <cmath>

#include "core/LauncherError.h"

namespace novra {
namespace {

std::string quoted(const std::string& path) { return "«" + (path.empty() ? std::string("документ") : path) + "»"; }

[[noreturn]] void fail(const std::string& path, const std::string& problem) {
    throw DecodingError("Не удалось прочитать JSON: ключ " + quoted(path) + " " + problem);
}

} // namespace

Json parseJson(std::string_view text) {
    try {
        return Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
        throw DecodingError("Не удалось прочитать JSON: синтаксическая ошибка в байте " + std::to_string(e.byte));
    } catch (const Json::exception&) {
        // A number that no double holds ("1e400"): the only other failure of parsing.
        throw DecodingError("Не удалось прочитать JSON: число вне допустимого диапазона");
    }
}

std::string encodeJson(const Json& value) {
    // nlohmann's objects are ordered maps, so the keys come out sorted.
    return value.dump(2, ' ', false, Json::error_handler_t::strict) + "\n";
}

JsonObject::JsonObject(const Json& value, std::string path) : value_(&value), path_(std::move(path)) {
    if (!value.is_object()) fail(path_, value.is_null() ? "равен null" : "должен быть объектом");
}

std::string JsonObject::keyPath(const char* key) const { return path_.empty() ? key : path_ + "." + key; }

const Json* JsonObject::find(const char* key, bool required) const {
    auto it = value_->find(key);
    if (it == value_->end() || it->is_null()) {
        if (required) fail(keyPath(key), it == value_->end() ? "отсутствует" : "равен null");
        return nullptr;
    }
    return &*it;
}

std::string JsonObject::asString(const Json& value, const std::string& path) {
    if (!value.is_string()) fail(path, "должен быть строкой");
    return value.get<std::string>();
}

int64_t JsonObject::asInteger(const Json& value, const std::string& path, int64_t min, int64_t max) {
    int64_t result;
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        result = value.get<int64_t>();
    } else if (value.is_number_unsigned()) {
        uint64_t u = value.get<uint64_t>();
        if (u > static_cast<uint64_t>(INT64_MAX)) fail(path, "вне допустимого диапазона");
        result = static_cast<int64_t>(u);
    } else if (value.is_number_float()) {
        double d = value.get<double>();
        if (!std::isfinite(d) || std::trunc(d) != d) fail(path, "должен быть целым числом");
        // 2^63 is the first double past the signed 64-bit range.
        if (d < -9223372036854775808.0 || d >= 9223372036854775808.0) fail(path, "вне допустимого диапазона");
        result = static_cast<int64_t>(d);
    } else {
        fail(path, "должен быть целым числом");
    }
    if (result < min || result > max) fail(path, "вне допустимого диапазона");
    return result;
}

std::string JsonObject::string(const char* key) const { return asString(*find(key, true), keyPath(key)); }

std::optional<std::string> JsonObject::optionalString(const char* key) const {
    const Json* v = find(key, false);
    if (!v) return std::nullopt;
    return asString(*v, keyPath(key));
}

bool JsonObject::boolean(const char* key) const {
    const Json* v = find(key, true);
    if (!v->is_boolean()) fail(keyPath(key), "должен быть логическим значением");
    return v->get<bool>();
}

std::optional<bool> JsonObject::optionalBoolean(const char* key) const {
    const Json* v = find(key, false);
    if (!v) return std::nullopt;
    if (!v->is_boolean()) fail(keyPath(key), "должен быть логическим значением");
    return v->get<bool>();
}

int64_t JsonObject::integer(const char* key, int64_t min, int64_t max) const {
    return asInteger(*find(key, true), keyPath(key), min, max);
}

std::optional<int64_t> JsonObject::optionalInteger(const char* key, int64_t min, int64_t max) const {
    const Json* v = find(key, false);
    if (!v) return std::nullopt;
    return asInteger(*v, keyPath(key), min, max);
}

double JsonObject::number(const char* key) const {
    const Json* v = find(key, true);
    if (!v->is_number()) fail(keyPath(key), "должен быть числом");
    return v->get<double>();
}

JsonObject JsonObject::object(const char* key) const { return JsonObject(*find(key, true), keyPath(key)); }

std::optional<JsonObject> JsonObject::optionalObject(const char* key) const {
    const Json* v = find(key, false);
    if (!v) return std::nullopt;
    return JsonObject(*v, keyPath(key));
}

std::vector<std::pair<const Json*, std::string>> JsonObject::array(const char* key) const {
    const Json* v = find(key, true);
    if (!v->is_array()) fail(keyPath(key), "должен быть массивом");
    std::vector<std::pair<const Json*, std::string>> items;
    items.reserve(v->size());
    size_t index = 0;
    for (const Json& element : *v) items.emplace_back(&element, keyPath(key) + "[" + std::to_string(index++) + "]");
    return items;
}

std::vector<std::string> JsonObject::stringArray(const char* key) const {
    std::vector<std::string> result;
    for (const auto& [element, path] : array(key)) result.push_back(asString(*element, path));
    return result;
}

} // namespace novra
