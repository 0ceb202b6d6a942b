#pragma once

#include "content/VaultFileIdentity.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>

// One entry at the top level of an unlocked vault.
struct VaultContentItem
{
    QUrl id;
    QString name;
    QUrl url;
    bool isDirectory = false;
    bool isPackage = false;
    std::optional<std::int64_t> fileSize;
    std::optional<QDateTime> modificationDate;
    VaultFileIdentity fileSystemIdentity;

    // Folders are browsed; packages (application bundles, document packages) behave like files.
    bool isNavigableFolder() const { return isDirectory && !isPackage; }

    bool operator==(const VaultContentItem&) const = default;
};
