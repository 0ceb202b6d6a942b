#include "disktools/PropertyListTree.h"

#include <cstdlib>

PropertyListTree PropertyListTree::dictionary()
{
    return PropertyListTree(plist_new_dict());
}

std::optional<PropertyListTree> PropertyListTree::parse(std::string_view bytes)
{
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), uint32_t(bytes.size()), &root);
    if (!root) {
        return std::nullopt;
    }
    return PropertyListTree(root);
}

std::string PropertyListTree::toXml() const
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root(), &xml, &length);
    std::string bytes(xml, length);
    plist_to_xml_free(xml);
    return bytes;
}

plist_t PropertyListTree::item(const char* key, plist_type type) const
{
    if (plist_get_node_type(root()) != PLIST_DICT) {
        return nullptr;
    }
    plist_t node = plist_dict_get_item(root(), key);
    return node && plist_get_node_type(node) == type ? node : nullptr;
}

std::optional<std::string> PropertyListTree::string(const char* key) const
{
    plist_t node = item(key, PLIST_STRING);
    if (!node) {
        return std::nullopt;
    }
    char* value = nullptr;
    plist_get_string_val(node, &value);
    std::string text = value ? value : "";
    std::free(value);
    return text;
}

std::optional<std::uint64_t> PropertyListTree::unsignedInteger(const char* key) const
{
    plist_t node = item(key, PLIST_UINT);
    if (!node) {
        return std::nullopt;
    }
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    return value;
}

void PropertyListTree::set(const char* key, plist_t node)
{
    plist_dict_set_item(root(), key, node);
}

plist_t PropertyListTree::newString(const std::string& value)
{
    return plist_new_string(value.c_str());
}
