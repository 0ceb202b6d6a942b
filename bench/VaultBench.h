#pragma once

#include "ObservedRun.h"

#include "content/VaultFileCopyEngine.h"
#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "platform/FinderWorkspaceServicing.h"
#include "store/VaultStore.h"

#include <QList>
#include <QString>
#include <QUrl>

class BenchFolder;

// One vault, made through Kovara's own store in the bench folder, and the operations the bench
// times on it: Kovara's (the store's unlock, lock and import, the copy engine) and their
// baselines on the very same encrypted volume. Each step checks that it did what it should (the
// vault listed, really unmounted, the files copied) and throws std::runtime_error when not, so a
// fast wrong answer never counts as a good time.
class VaultBench
{
public:
    explicit VaultBench(const BenchFolder& folder);

    // Creates the vault (which leaves it unlocked and selected) and fills its top level with a
    // few files and folders, so that unlocking has something to list.
    void createVault();

    // Seconds each; every call leaves the vault unlocked or locked as its name says.
    double unlockThroughStore();
    double lockThroughStore();
    double mountByHandAndList();
    double unmountByHand();

    // Copies `source` into a folder of the unlocked vault under the new name `name`; the seconds
    // the copy took, until every byte is in the volume. What it wrote is then flushed to the disk
    // (untimed), so that the next round starts from a quiet volume.
    double copyWithEngine(const QString& source, const QString& name);
    double copyWithCp(const QString& source, const QString& name);

    // What the GUI thread went through while the store imported `sources` into the unlocked vault.
    ObservedRun importThroughStore(const QList<QUrl>& sources);

    // The store the vault was made with, for scenarios of their own on other vaults.
    VaultStore& store() { return store_; }

private:
    // A file manager that is never asked for anything here.
    class NoFileManager final : public FinderWorkspaceServicing
    {
    public:
        QCoro::Task<bool> openInNewWindow(QUrl) override { co_return false; }
        QCoro::Task<bool> open(QUrl) override { co_return false; }
        QCoro::Task<> reveal(QUrl) override { co_return; }
    };

    QString storeMountPoint() const;
    void requireNoError(const char* step) const;
    QString copyDestination(const QString& name) const;

    KovaraPaths paths_;
    NoFileManager fileManager_;
    VaultStore store_;
    VaultFileCopyEngine engine_;
    Vault vault_;
    QString handMountPoint_;
    int topLevelItems_ = 0;
};
