#include "platform/PropertyList.h"

#include <plist/plist.h>

#include <cstdlib>
#include <memory>

#include "platform/Files.h"

namespace novra::platform {
namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

// libplist hands out strings allocated with malloc.
struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};
using CString = std::unique_ptr<char, FreeDeleter>;

} // namespace

PropertyDictionary parsePropertyList(std::string_view bytes) {
    if (bytes.empty() || static_cast<long long>(bytes.size()) > kPropertyListLimit)
        throw PropertyListError("Не удалось прочитать список свойств");
    plist_t root = nullptr;
    // The parser reports failure only by leaving the root empty.
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistHandle owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT)
        throw PropertyListError("Список свойств не является словарём");

    PropertyDictionary result;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(root, &iter);
    if (!iter) return result;
    for (;;) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root, iter, &rawKey, &value);
        CString key(rawKey);
        if (!value) break;
        if (!key || plist_get_node_type(value) != PLIST_STRING) continue;
        char* rawText = nullptr;
        plist_get_string_val(value, &rawText);
        CString text(rawText);
        if (text) result.emplace(key.get(), text.get());
    }
    std::free(iter);
    return result;
}

PropertyDictionary readPropertyList(const std::string& file) {
    std::string bytes = readFile(file, kPropertyListLimit);
    return parsePropertyList(bytes);
}

std::string encodePropertyList(const PropertyDictionary& dictionary, PropertyListFormat format) {
    PlistHandle root(plist_new_dict());
    for (const auto& [key, value] : dictionary)
        plist_dict_set_item(static_cast<plist_t>(root.get()), key.c_str(), plist_new_string(value.c_str()));
    char* raw = nullptr;
    uint32_t length = 0;
    if (format == PropertyListFormat::xml)
        plist_to_xml(static_cast<plist_t>(root.get()), &raw, &length);
    else
        plist_to_bin(static_cast<plist_t>(root.get()), &raw, &length);
    if (!raw) throw PropertyListError("Не удалось записать список свойств");
    std::string bytes(raw, length);
    std::free(raw);
    return bytes;
}

} // namespace novra::platform
