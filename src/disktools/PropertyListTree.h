#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Owns a libplist tree and offers the few reads and writes the stand-ins need on a dictionary.
class PropertyListTree
{
public:
    static PropertyListTree dictionary();
    // Any format libplist reads; none when the bytes are not a property list.
    static std::optional<PropertyListTree> parse(std::string_view bytes);

    plist_t root() const { return root_.get(); }
    std::string toXml() const;

    // Reads on a dictionary root; a missing key or a value of another type gives none.
    std::optional<std::string> string(const char* key) const;
    std::optional<std::uint64_t> unsignedInteger(const char* key) const;

    // Writes on a dictionary root; `node` (a new libplist node) is owned by the tree afterwards.
    void set(const char* key, plist_t node);
    static plist_t newString(const std::string& value);

private:
    struct Free
    {
        void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
    };

    explicit PropertyListTree(plist_t root) : root_(root) {}

    // The root dictionary's value for `key` when it has the given type.
    plist_t item(const char* key, plist_type type) const;

    std::unique_ptr<void, Free> root_;
};
