#include "disktools/AttachmentPropertyList.h"

#include "disktools/PropertyListTree.h"

namespace {

plist_t systemEntities(const AttachedImage& image)
{
    plist_t entity = plist_new_dict();
    plist_dict_set_item(entity, "mount-point", PropertyListTree::newString(image.mountPoint));
    plist_dict_set_item(entity, "dev-entry", PropertyListTree::newString(image.deviceEntry));
    plist_dict_set_item(entity, "volume-kind", PropertyListTree::newString("gocryptfs"));
    plist_t entities = plist_new_array();
    plist_array_append_item(entities, entity);
    return entities;
}

} // namespace

std::string AttachmentPropertyList::forAttach(const AttachedImage& image)
{
    PropertyListTree tree = PropertyListTree::dictionary();
    tree.set("system-entities", systemEntities(image));
    return tree.toXml();
}

std::string AttachmentPropertyList::forInfo(const std::vector<AttachedImage>& images)
{
    plist_t entries = plist_new_array();
    for (const AttachedImage& image : images) {
        plist_t entry = plist_new_dict();
        plist_dict_set_item(entry, "image-path", PropertyListTree::newString(image.imagePath));
        plist_dict_set_item(entry, "system-entities", systemEntities(image));
        plist_array_append_item(entries, entry);
    }
    PropertyListTree tree = PropertyListTree::dictionary();
    tree.set("images", entries);
    return tree.toXml();
}
