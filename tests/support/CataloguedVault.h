#pragma once

#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "model/VaultRegistry.h"

#include <QDateTime>
#include <QDir>
#include <QUrl>
#include <QUuid>

// A catalogue entry for a store test: an id (fresh unless the test needs its images in a known
// order) and its image location in the test's storage folder, with the image (an empty bundle
// folder) made there unless the test wants it missing.
inline Vault cataloguedVault(const KovaraPaths& paths, const QString& name, bool withImage = true,
                             const QUuid& id = QUuid::createUuid())
{
    const QUrl image = VaultRegistry(paths).imageURL(id);
    if (withImage) {
        QDir().mkpath(image.toLocalFile());
    }
    return Vault{id, name, image, QDateTime::currentDateTimeUtc()};
}
