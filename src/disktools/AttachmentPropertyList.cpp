#include "disktools/AttachmentPropertyList.h"

#include "disktools/PropertyList.h"

namespace {

PropertyList systemEntities(const AttachedImage& image)
{
    return PropertyList::Array{PropertyList::Dictionary{
        {"mount-point", image.mountPoint}, {"dev-entry", image.deviceEntry}, {"volume-kind", "gocryptfs"}}};
}

} // namespace

std::string AttachmentPropertyList::forAttach(const AttachedImage& image)
{
    return PropertyList(PropertyList::Dictionary{{"system-entities", systemEntities(image)}}).toXml();
}

std::string AttachmentPropertyList::forInfo(const std::vector<AttachedImage>& images)
{
    PropertyList::Array entries;
    for (const AttachedImage& image : images) {
        entries.emplace_back(
            PropertyList::Dictionary{{"image-path", image.imagePath}, {"system-entities", systemEntities(image)}});
    }
    return PropertyList(PropertyList::Dictionary{{"images", std::move(entries)}}).toXml();
}
