#pragma once
// Property lists of application bundles ("Contents/Info.plist"), in XML or binary form.
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace novra::platform {

// A file that is not a property list, or whose root is not a dictionary.
class PropertyListError : public std::runtime_error {
public:
    explicit PropertyListError(const std::string& message) : std::runtime_error(message) {}
};

// The string values of a dictionary, by key; values of other types are left out.
using PropertyDictionary = std::map<std::string, std::string>;

enum class PropertyListFormat { xml, binary };

// Largest property-list file read, in bytes; an Info.plist is a few kilobytes.
constexpr long long kPropertyListLimit = 4 * 1024 * 1024;

// Reads an XML or binary property list whose root is a dictionary. Throws std::system_error when
// the file cannot be read, PropertyListError when it is not such a property list (or is larger
// than the limit).
PropertyDictionary readPropertyList(const std::string& file);
PropertyDictionary parsePropertyList(std::string_view bytes);

// A dictionary of string values in the given form (the studio's tool and the tests write these).
std::string encodePropertyList(const PropertyDictionary& dictionary, PropertyListFormat format);

} // namespace novra::platform
