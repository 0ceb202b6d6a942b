#pragma once

#include "support/InspectableVaultStore.h"
#include "support/QtValuePrinters.h"
#include "support/WaitForTask.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// A store over a private catalogue in a temporary application folder, with scripted services
// (StoreTestServices).
class VaultStoreFixture : public testing::Test
{
protected:
    // A catalogue entry whose image (an empty bundle folder) is made in the storage folder; the
    // id is fresh unless the test needs its images in a known order.
    Vault catalogued(const QString& name, const QUuid& id = QUuid::createUuid()) const
    {
        const Vault vault{id, name, VaultRegistry(paths).imageURL(id), QDateTime::currentDateTimeUtc()};
        QDir().mkpath(vault.imageURL.toLocalFile());
        return vault;
    }

    // Catalogues vaults with these names and builds the store over them (the first is selected).
    void makeStore(const QStringList& names = {})
    {
        QDir().mkpath(paths.storageDirectory.toLocalFile());
        QList<Vault> catalogue;
        for (const QString& name : names) {
            catalogue.append(catalogued(name));
        }
        VaultRegistry(paths).save(catalogue);
        store = std::make_unique<InspectableVaultStore>(paths, services);
    }

    const Vault& vault(int index) const { return store->vaults().at(index); }

    VaultSession sessionOf(const Vault& vault) const
    {
        return VaultSession{vault.id, QUrl::fromLocalFile(root.path() + "/mnt/" + vault.name + u'/'),
                            "fuse:0:" + vault.name};
    }

    QHash<QUuid, VaultSession> mounted(std::initializer_list<Vault> vaults) const
    {
        QHash<QUuid, VaultSession> sessions;
        for (const Vault& vault : vaults) {
            sessions.insert(vault.id, sessionOf(vault));
        }
        return sessions;
    }

    static VaultContentItem itemNamed(const QString& name)
    {
        return VaultContentItem(QUrl::fromLocalFile("/run/kovara/A/" + name), false, false, 1, std::nullopt,
                                VaultFileIdentity{1, 2, 0100000});
    }

    // Runs the event loop until no operation, operation task or deferred refresh is left.
    bool becomesIdle()
    {
        return QTest::qWaitFor(
            [this] { return !store->isBusy() && !store->hasOperationTask() && !store->hasPendingRefreshTask(); },
            120000);
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    StoreTestServices services{paths};
    std::unique_ptr<InspectableVaultStore> store;
};
