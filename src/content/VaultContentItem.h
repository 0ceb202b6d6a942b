#pragma once

#include "content/VaultFileIdentity.h"

#include <QDateTime>
#include <QHashFunctions>
#include <QString>
#include <QUrl>

#include <optional>

// One entry at the top level of an unlocked vault, as listed. Its identity lets later actions
// prove that the entry on disk is still the one the user saw.
struct VaultContentItem
{
    VaultContentItem() = default;
    // `isPackage` is stored only for a directory: a package is a folder that behaves like a file.
    VaultContentItem(const QUrl& url, bool isDirectory, bool isPackage, std::optional<qint64> fileSize,
                     std::optional<QDateTime> modificationDate, VaultFileIdentity fileSystemIdentity)
        : id(url)
        , name(url.fileName())
        , url(url)
        , isDirectory(isDirectory)
        , isPackage(isPackage && isDirectory)
        , fileSize(fileSize)
        , modificationDate(std::move(modificationDate))
        , fileSystemIdentity(fileSystemIdentity)
    {
    }

    QUrl id;
    QString name;
    QUrl url;
    bool isDirectory = false;
    bool isPackage = false;
    std::optional<qint64> fileSize;
    std::optional<QDateTime> modificationDate;
    VaultFileIdentity fileSystemIdentity;

    // A folder the user browses into, as opposed to a file or a package.
    bool isNavigableFolder() const { return isDirectory && !isPackage; }

    bool operator==(const VaultContentItem&) const = default;
};

inline size_t qHash(const VaultContentItem& item, size_t seed = 0)
{
    return qHashMulti(seed, item.id, item.name, item.url, item.isDirectory, item.isPackage, item.fileSize.value_or(-1),
                      item.modificationDate.value_or(QDateTime()), item.fileSystemIdentity);
}
