#pragma once

#include "support/CataloguedVault.h"
#include "support/InspectableVaultStore.h"
#include "support/QtValuePrinters.h"
#include "support/StoreTestServices.h"
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
    // Catalogues vaults with these names, each with an image folder in the storage folder, and
    // builds the store over them (the first vault is selected).
    void makeStore(const QStringList& names = {})
    {
        QDir().mkpath(paths.storageDirectory.toLocalFile());
        QList<Vault> catalogue;
        for (const QString& name : names) {
            catalogue.append(cataloguedVault(paths, name));
        }
        VaultRegistry(paths).save(catalogue);
        store = std::make_unique<InspectableVaultStore>(paths, services);
    }

    const Vault& vault(int index) const { return store->vaults().at(index); }

    static VaultSession sessionOf(const Vault& vault)
    {
        return VaultSession{vault.id, QUrl::fromLocalFile(QStringLiteral("/run/kovara/") + vault.name + u'/'),
                            QStringLiteral("fuse:0:42")};
    }

    static QHash<QUuid, VaultSession> mounted(std::initializer_list<VaultSession> sessions)
    {
        QHash<QUuid, VaultSession> map;
        for (const VaultSession& session : sessions) {
            map.insert(session.vaultID, session);
        }
        return map;
    }

    static VaultContentItem itemNamed(const QString& name)
    {
        return VaultContentItem(QUrl::fromLocalFile(QStringLiteral("/run/kovara/A/") + name), false, false, 1,
                                std::nullopt, VaultFileIdentity{1, 2, 0100000});
    }

    // Runs the event loop until no operation, operation task or deferred refresh is left.
    bool becomesIdle()
    {
        return QTest::qWaitFor(
            [this] { return !store->isBusy() && !store->hasOperationTask() && !store->hasPendingRefreshTask(); },
            120000);
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + QStringLiteral("/Kovara"));
    StoreTestServices services{paths};
    std::unique_ptr<InspectableVaultStore> store;
};
