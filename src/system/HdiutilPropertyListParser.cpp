#include "system/HdiutilPropertyListParser.h"

#include "model/VaultError.h"
#include "platform/FileLocation.h"

#include <plist/plist.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

namespace {

struct PlistDeleter
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistRoot = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

// A string value that is present and not empty; anything else counts as absent.
std::optional<QString> nonEmptyString(plist_t node)
{
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) {
        return std::nullopt;
    }
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (text == nullptr || length == 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(text, static_cast<qsizetype>(length));
}

std::optional<QString> stringEntry(plist_t dictionary, const char* key)
{
    return nonEmptyString(plist_dict_get_item(dictionary, key));
}

PlistRoot rootDictionary(QByteArrayView bytes)
{
    plist_t parsed = nullptr;
    if (!bytes.isEmpty() && bytes.size() <= std::numeric_limits<uint32_t>::max()) {
        plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
    }
    PlistRoot root(parsed);
    if (!root) {
        throw VaultError::invalidPropertyList(
            QStringLiteral("Não foi possível ler os dados porque eles não estão no formato correto."));
    }
    if (plist_get_node_type(root.get()) != PLIST_DICT) {
        throw VaultError::invalidPropertyList(QStringLiteral("A raiz não é um dicionário."));
    }
    return root;
}

// The dictionaries of "system-entities"; a missing or ill-typed list counts as empty, and so do
// entries that are not dictionaries.
QList<plist_t> systemEntities(plist_t dictionary)
{
    QList<plist_t> entities;
    plist_t list = plist_dict_get_item(dictionary, "system-entities");
    if (list == nullptr || plist_get_node_type(list) != PLIST_ARRAY) {
        return entities;
    }
    const uint32_t count = plist_array_get_size(list);
    for (uint32_t index = 0; index < count; ++index) {
        plist_t entity = plist_array_get_item(list, index);
        if (plist_get_node_type(entity) == PLIST_DICT) {
            entities.append(entity);
        }
    }
    return entities;
}

QList<plist_t> mountedEntities(const QList<plist_t>& entities)
{
    QList<plist_t> mounted;
    for (plist_t entity : entities) {
        if (stringEntry(entity, "mount-point")) {
            mounted.append(entity);
        }
    }
    return mounted;
}

// The mounted entity's own device entry, else the first entity of the attachment that has one.
std::optional<QString> deviceEntry(plist_t mountedEntity, const QList<plist_t>& entities)
{
    if (auto own = stringEntry(mountedEntity, "dev-entry")) {
        return own;
    }
    for (plist_t entity : entities) {
        if (auto other = stringEntry(entity, "dev-entry")) {
            return other;
        }
    }
    return std::nullopt;
}

std::optional<QUrl> imageLocation(plist_t image)
{
    std::optional<QString> text = stringEntry(image, "image-path");
    if (!text) {
        text = stringEntry(image, "image-url");
    }
    if (!text) {
        return std::nullopt;
    }
    if (text->startsWith(QStringLiteral("file://"))) {
        const QUrl url(*text);
        if (url.isValid() && url.isLocalFile()) {
            return url;
        }
    }
    return FileLocation::directoryLocation(*text);
}

// The "images" array, all of whose entries must be dictionaries.
QList<plist_t> images(plist_t root)
{
    plist_t list = plist_dict_get_item(root, "images");
    const auto malformed = [] {
        return VaultError::invalidPropertyList(QStringLiteral("A lista de imagens não tem o formato esperado."));
    };
    if (list == nullptr || plist_get_node_type(list) != PLIST_ARRAY) {
        throw malformed();
    }
    QList<plist_t> entries;
    const uint32_t count = plist_array_get_size(list);
    for (uint32_t index = 0; index < count; ++index) {
        plist_t entry = plist_array_get_item(list, index);
        if (plist_get_node_type(entry) != PLIST_DICT) {
            throw malformed();
        }
        entries.append(entry);
    }
    return entries;
}

// A non-negative integer entry that fits a byte count; anything else makes the list unusable.
qint64 byteCountEntry(plist_t dictionary, const char* key)
{
    plist_t node = dictionary == nullptr ? nullptr : plist_dict_get_item(dictionary, key);
    uint64_t value = 0;
    if (node == nullptr || plist_get_node_type(node) != PLIST_UINT) {
        throw VaultError::invalidPropertyList(QStringLiteral("O valor de ") + QString::fromLatin1(key) +
                                              QStringLiteral(" não foi informado."));
    }
    plist_get_uint_val(node, &value);
    if (value > static_cast<uint64_t>(std::numeric_limits<qint64>::max())) {
        throw VaultError::invalidPropertyList(QStringLiteral("O valor de ") + QString::fromLatin1(key) +
                                              QStringLiteral(" é grande demais."));
    }
    return static_cast<qint64>(value);
}

} // namespace

QList<MountedDiskImage> HdiutilPropertyListParser::mountedImages(QByteArrayView propertyList,
                                                                 const QSet<QString>& expectedImagePaths,
                                                                 const QSet<QString>& expectedParentPaths)
{
    const PlistRoot root = rootDictionary(propertyList);
    QList<MountedDiskImage> result;
    for (plist_t image : images(root.get())) {
        const QList<plist_t> entities = systemEntities(image);
        const QList<plist_t> mounted = mountedEntities(entities);
        const std::optional<QUrl> location = imageLocation(image);
        if (!location) {
            if (!mounted.isEmpty()) {
                throw VaultError::invalidPropertyList(
                    QStringLiteral("Uma imagem montada não informou seu caminho de origem."));
            }
            continue;
        }
        const QString imagePath = FileLocation::standardizedPath(*location);
        const bool expected =
            expectedImagePaths.contains(FileLocation::normalizedPath(imagePath)) ||
            expectedParentPaths.contains(FileLocation::normalizedPath(FileLocation::parentPath(imagePath)));
        if (mounted.size() > 1 && expected) {
            throw VaultError::invalidPropertyList(
                QStringLiteral("Uma imagem Kovara possui mais de um ponto de montagem."));
        }
        if (mounted.isEmpty()) {
            if (expected) {
                throw VaultError::invalidPropertyList(
                    QStringLiteral("Uma imagem Kovara aparece anexada sem um ponto de montagem válido."));
            }
            continue;
        }
        const std::optional<QString> device = deviceEntry(mounted.first(), entities);
        if (!device) {
            if (expected) {
                throw VaultError::invalidPropertyList(
                    QStringLiteral("Uma imagem Kovara montada não informou sua entrada de dispositivo."));
            }
            continue;
        }
        result.append(MountedDiskImage{
            *location, FileLocation::directoryLocation(*stringEntry(mounted.first(), "mount-point")), *device});
    }
    return result;
}

HdiutilPropertyListParser::Attachment HdiutilPropertyListParser::attachment(QByteArrayView propertyList)
{
    const PlistRoot root = rootDictionary(propertyList);
    const QList<plist_t> entities = systemEntities(root.get());
    const QList<plist_t> mounted = mountedEntities(entities);
    if (mounted.isEmpty()) {
        throw VaultError(VaultError::Kind::noMountedVolume);
    }
    const std::optional<QString> device = deviceEntry(mounted.first(), entities);
    if (!device) {
        throw VaultError::invalidPropertyList(QStringLiteral("A entrada do dispositivo não foi informada."));
    }
    return {FileLocation::directoryLocation(*stringEntry(mounted.first(), "mount-point")), *device};
}

VaultCapacity HdiutilPropertyListParser::capacity(QByteArrayView propertyList)
{
    const PlistRoot root = rootDictionary(propertyList);
    plist_t sizes = plist_dict_get_item(root.get(), "Size Information");
    if (sizes != nullptr && plist_get_node_type(sizes) != PLIST_DICT) {
        sizes = nullptr;
    }
    return {byteCountEntry(sizes, "Total Bytes"), byteCountEntry(sizes, "Total Non-Empty Bytes")};
}

VaultCheckReport HdiutilPropertyListParser::checkReport(QByteArrayView propertyList)
{
    const PlistRoot root = rootDictionary(propertyList);
    VaultCheckReport report{
        byteCountEntry(root.get(), "damaged-count"), {}, byteCountEntry(root.get(), "skipped-count")};
    plist_t items = plist_dict_get_item(root.get(), "damaged-items");
    if (items != nullptr && plist_get_node_type(items) == PLIST_ARRAY) {
        const uint32_t count = plist_array_get_size(items);
        for (uint32_t index = 0; index < count; ++index) {
            plist_t item = plist_array_get_item(items, index);
            uint64_t length = 0;
            const char* text =
                plist_get_node_type(item) == PLIST_STRING ? plist_get_string_ptr(item, &length) : nullptr;
            if (text != nullptr) {
                report.damagedItems.append(QString::fromUtf8(text, static_cast<qsizetype>(length)));
            }
        }
    }
    return report;
}
