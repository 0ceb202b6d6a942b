#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// A property list as the stand-ins write it in XML: text, unsigned integers, arrays and
// dictionaries whose keys keep the order they were given in. Written here rather than with a
// property-list library so that the stand-ins link fully static and start faster.
class PropertyList
{
public:
    using Array = std::vector<PropertyList>;
    using Dictionary = std::vector<std::pair<std::string, PropertyList>>;

    // Implicit, so that a whole list can be written as nested braces.
    PropertyList(std::string text) : value_(std::move(text)) {}
    PropertyList(const char* text) : value_(std::string(text)) {}
    PropertyList(std::uint64_t number) : value_(number) {}
    PropertyList(Array items) : value_(std::move(items)) {}
    PropertyList(Dictionary entries) : value_(std::move(entries)) {}

    // Reads an XML dictionary of text and integer values, the shape of an image's metadata.
    // Strict: any other element, a malformed one, text that is not valid XML character data or a
    // repeated key gives none.
    static std::optional<PropertyList> fromXml(std::string_view xml);

    // The whole document: prolog, document type and the <plist> element.
    std::string toXml() const;

    // A dictionary's value for `key` when it has that type; none otherwise.
    std::optional<std::string> text(std::string_view key) const;
    std::optional<std::uint64_t> unsignedInteger(std::string_view key) const;

private:
    const PropertyList* find(std::string_view key) const;
    void appendXml(std::string& xml, std::size_t depth) const;

    std::variant<std::string, std::uint64_t, Array, Dictionary> value_;
};
